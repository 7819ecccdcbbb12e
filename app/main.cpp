// Starts Klaxo: reads the command line and shows the main window.
#include <QApplication>
#include <QCommandLineParser>
#include <cstdio>
#include <memory>
#include <utility>

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
  parser.setApplicationDescription(
      QStringLiteral("Watches a TOC2 chat room for the words you list.\n"
                     "A sign-on that the server has not completed within 60 seconds is given up."));
  parser.addHelpOption();
  parser.addVersionOption();
  const QCommandLineOption serverOption(QStringLiteral("server"),
                                        QStringLiteral("The TOC server to sign on to (default localhost, port 5190)."),
                                        QStringLiteral("HOST[:PORT]"));
  const QCommandLineOption reconnectOption(
      QStringLiteral("reconnect"),
      QStringLiteral("After a lost connection, sign on again with the same name and password and rejoin the room: "
                     "first after 2 s, then after twice the delay before, up to 5 minutes (each shortened by up "
                     "to a fifth at random). Sign Off, Sign On and Exit cancel a pending try, and a sign-on the "
                     "server refuses stops the tries."));
  const QCommandLineOption wordsOption(
      QStringLiteral("words"),
      QStringLiteral("Keep the word list in FILE (UTF-8, one word per line): read at start, saved at every change. "
                     "A missing file, and missing folders on its path, are created at the first change."),
      QStringLiteral("FILE"));
  parser.addOptions({serverOption, reconnectOption, wordsOption});
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

  if (parser.isSet(wordsOption) && parser.value(wordsOption).isEmpty()) {
    std::fprintf(stderr, "klaxo: --words wants the name of a file\n");
    return 2;
  }

  KlaxoOptions options;
  options.reconnect = parser.isSet(reconnectOption);
  options.wordsFile = parser.value(wordsOption);
  Klaxo window(std::make_unique<QtTocSocket>(), std::make_unique<MessageBoxAlerts>(), server, std::move(options));
  window.show();
  return QApplication::exec();
}
