// Runs the tray tests inside a QApplication on the X display that
// KLAXO_TRAY_DISPLAY names, or offscreen (where they skip) when none is given.
#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char* argv[]) {
  const QByteArray display = qgetenv("KLAXO_TRAY_DISPLAY");
  if (display.isEmpty()) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  } else {
    qputenv("DISPLAY", display);
    qputenv("QT_QPA_PLATFORM", "xcb");
  }
  QApplication app(argc, argv);
  // As in the program: only Exit ends it, not the last window closing.
  QApplication::setQuitOnLastWindowClosed(false);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
