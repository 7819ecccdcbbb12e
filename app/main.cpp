// Starts Klaxo: reads the command line and shows the main window.
#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <memory>
#include <optional>
#include <utility>
#include <variant>

#include "DeliveryOptions.h"
#include "KeychainSecretStore.h"
#include "Klaxo.h"
#include "LoadedSocket.h"
#include "MessageBoxAlerts.h"
#include "TextEdge.h"

namespace {

// How long --forget-password waits for the keyring, which may be asking its
// user to unlock it.
constexpr std::chrono::minutes kForgetLimit(2);

// Removes the password kept for account and returns the exit status.
int ForgetPassword(const QString& account) {
  KeychainSecretStore store;
  int status = 1;
  QTimer limit;
  limit.setSingleShot(true);
  QObject::connect(&limit, &QTimer::timeout, [&] {
    std::fprintf(stderr, "klaxo: the keyring did not answer within %lld seconds\n",
                 static_cast<long long>(std::chrono::seconds(kForgetLimit).count()));
    QCoreApplication::exit(1);
  });
  store.Remove(account, [&](const SecretStore::Result& result) {
    // The keyring need not say whether there was a password to remove.
    if (result.status == SecretStore::Result::Status::Failed) {
      std::fprintf(stderr, "klaxo: cannot forget the password for %s: %s\n", qPrintable(account),
                   qPrintable(result.error));
    } else {
      std::printf("klaxo: the keyring keeps no password for %s now\n", qPrintable(account));
      status = 0;
    }
    QCoreApplication::exit(status);
  });
  limit.start(kForgetLimit);
  QCoreApplication::exec();
  return status;
}

// A screen name given on the command line; nothing when it is empty once
// normalized. Says why on standard error.
std::optional<QString> ScreenNameOption(const QCommandLineParser& parser, const QCommandLineOption& option) {
  const QString name = parser.value(option);
  if (NormalizeText(name).isEmpty()) {
    std::fprintf(stderr, "klaxo: --%s wants a screen name\n", qPrintable(option.names().constFirst()));
    return std::nullopt;
  }
  return name;
}

// The word file's path with a leading "~/" read as the home folder, as a
// shell would: a desktop's autostart entry runs Klaxo with no shell.
QString WordsPath(const QString& given) {
  if (!given.startsWith(QStringLiteral("~/"))) return given;
  return QDir::home().filePath(given.mid(2));
}

// Help, the version and --forget-password show no window, so they run
// without a display, as from a terminal that has none. What the parser cannot
// read by itself (Qt's own options, mistakes) goes to the window's
// application as before, which takes Qt's options and reports the rest.
bool NeedsNoDisplay(QCommandLineParser& parser, int argc, char* argv[]) {
  QStringList arguments;
  for (int i = 0; i < argc; ++i) arguments.append(QString::fromLocal8Bit(argv[i]));
  if (!parser.parse(arguments)) return false;
  return parser.isSet(QStringLiteral("help")) || parser.isSet(QStringLiteral("help-all")) ||
         parser.isSet(QStringLiteral("version")) || parser.isSet(QStringLiteral("forget-password"));
}

}  // namespace

int main(int argc, char* argv[]) {
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
                     "to a fifth at random). Sign Off, Sign On and Exit cancel a pending try. A wrong account or "
                     "password (980, or 989 with sub-code 7) or a blocked name (989 with 17) stops the tries; "
                     "\"too soon\" (983) makes the next try wait 4 to 5 minutes."));
  const QCommandLineOption wordsOption(
      QStringLiteral("words"),
      QStringLiteral("Keep the word list in FILE (UTF-8, one word per line): read at start, saved at every change. "
                     "A leading ~/ stands for the home folder. "
                     "A missing file, and missing folders on its path, are created at the first change."),
      QStringLiteral("FILE"));
  const QCommandLineOption signOnOption(
      QStringLiteral("sign-on"),
      QStringLiteral("At start, sign on as NAME with the password the desktop's keyring keeps for NAME on the "
                     "server. Without one, NAME is filled in and the status line says why Klaxo did not sign on."),
      QStringLiteral("NAME"));
  const QCommandLineOption joinOption(
      QStringLiteral("join"),
      QStringLiteral("Once signed on, join ROOM on EXCHANGE (default 4), as Join does; with --reconnect it is "
                     "joined again after a drop."),
      QStringLiteral("ROOM[:EXCHANGE]"));
  const QCommandLineOption rememberOption(
      QStringLiteral("remember-password"),
      QStringLiteral("Keep the password of the next sign-on the server accepts in the desktop's keyring, for that "
                     "name and server, replacing an older one."));
  const QCommandLineOption forgetOption(
      QStringLiteral("forget-password"),
      QStringLiteral("Remove the password the keyring keeps for NAME on the server, and exit."),
      QStringLiteral("NAME"));
  const QCommandLineOption trayOption(
      QStringLiteral("tray"),
      QStringLiteral("Start sent to the tray, as Send to Tray does. With no tray the window is shown, and sent to "
                     "the tray if one appears within 2 minutes."));
  parser.addOptions(
      {serverOption, reconnectOption, wordsOption, signOnOption, joinOption, rememberOption, forgetOption, trayOption});
  parser.addOptions(DeliveryCommandLineOptions());
  std::unique_ptr<QCoreApplication> app;
  if (NeedsNoDisplay(parser, argc, argv)) {
    app = std::make_unique<QCoreApplication>(argc, argv);
  } else {
    app = std::make_unique<QApplication>(argc, argv);
    // The window may sit in the tray with only an alert box shown; closing
    // that box must not end the program.
    QApplication::setQuitOnLastWindowClosed(false);
  }
  QCoreApplication::setApplicationName(QStringLiteral("klaxo"));
  QCoreApplication::setApplicationVersion(QStringLiteral(KLAXO_VERSION));
  parser.process(*app);

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
  if (parser.isSet(forgetOption)) {
    const auto name = ScreenNameOption(parser, forgetOption);
    return name ? ForgetPassword(SecretStore::Account(*name, server)) : 2;
  }
  if (parser.isSet(signOnOption)) {
    const auto name = ScreenNameOption(parser, signOnOption);
    if (!name) return 2;
    options.signOnName = *name;
  }
  if (parser.isSet(joinOption)) {
    auto room = ParseRoomOption(parser.value(joinOption));
    if (const auto* why = std::get_if<QString>(&room)) {
      std::fprintf(stderr, "klaxo: --join wants ROOM or ROOM:EXCHANGE, and in \"%s\" %s\n",
                   qPrintable(parser.value(joinOption)), qPrintable(*why));
      return 2;
    }
    options.room = std::get<RoomOption>(std::move(room));
  }
  // The settings file's ways of delivery, the command line's for this run over them.
  options.delivery = ReadDeliverySettings(*KlaxoSettings());
  if (const auto error = ApplyDeliveryOptions(parser, options.delivery)) {
    std::fprintf(stderr, "klaxo: %s\n", qPrintable(*error));
    return 2;
  }
  options.reconnect = parser.isSet(reconnectOption);
  options.wordsFile = WordsPath(parser.value(wordsOption));
  options.rememberPassword = parser.isSet(rememberOption);
  options.startInTray = parser.isSet(trayOption);
  // Beside the program in a build, in its folder of helpers once installed.
  const QDir programDir(QCoreApplication::applicationDirPath());
  auto socket = std::make_unique<LoadedSocket>(
      QStringList{programDir.path(), programDir.filePath(QStringLiteral(KLAXO_MODULE_FROM_PROGRAM))});
  options.socketUnusable = [loaded = socket.get()] { return loaded->Unusable(); };
  Klaxo window(std::move(socket), std::make_unique<MessageBoxAlerts>(), server, std::move(options));
  window.StartWatch();
  return QCoreApplication::exec();
}
