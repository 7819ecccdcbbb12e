// Runs GoogleTest suites inside a QApplication, as widget tests need one.
// The windows are drawn offscreen unless QT_QPA_PLATFORM says otherwise.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>

int main(int argc, char* argv[]) {
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  // Settings and data the tests write go to a folder of their own, never the
  // user's, unless a wrapper script gave one.
  const QTemporaryDir home;
  for (const char* name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME"}) {
    if (!qEnvironmentVariableIsSet(name)) qputenv(name, (home.path() + QLatin1Char('/') + name).toUtf8());
  }
  QApplication app(argc, argv);
  // As in the program: only Exit ends it, not the last window closing.
  QApplication::setQuitOnLastWindowClosed(false);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
