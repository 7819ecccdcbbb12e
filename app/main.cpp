// Starts Klaxo: reads the command line and shows the main window.
#include <QApplication>
#include <QCommandLineParser>
#include <cstdio>
#include <memory>

#include "Klaxo.h"
#include "MessageBoxAlerts.h"
#include "QtTocSocket.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("klaxo"));
  QApplication::setApplicationVersion(QStringLiteral(KLAXO_VERSION));
  // The window may sit in the tray with only an alert box shown; closing that
  // box must not end the program.
  QApplication::setQuitOnLastWindowClosed(false);

  QCommandLineParser parser;
  parser.setApplicationDescription(QStringLiteral("Watches a TOC2 chat room for the words you list."));
  parser.addHelpOption();
  parser.addVersionOption();
  const QCommandLineOption serverOption(QStringLiteral("server"),
                                        QStringLiteral("The TOC server to sign on to (default localhost, port 5190)."),
                                        QStringLiteral("HOST[:PORT]"));
  parser.addOption(serverOption);
  parser.process(app);

  ServerAddress server;
  if (parser.isSet(serverOption)) {
    const auto parsed = ParseServerAddress(parser.value(serverOption));
    if (!parsed) {
      std::fprintf(stderr, "klaxo: --server wants HOST or HOST:PORT with a port from 1 to 65535, not \"%s\"\n",
                   qPrintable(parser.value(serverOption)));
      return 2;
    }
    server = *parsed;
  }

  Klaxo window(std::make_unique<QtTocSocket>(), std::make_unique<MessageBoxAlerts>(), server);
  window.show();
  return QApplication::exec();
}
