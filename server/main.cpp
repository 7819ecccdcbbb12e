// klaxo-tocd: a small TOC2 server to try Klaxo with and to test it against.
#include <termios.h>
#include <unistd.h>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QHostAddress>
#include <cstdio>
#include <iostream>
#include <optional>

#include "DemoRunner.h"
#include "LogText.h"
#include "PasswordHash.h"
#include "QtTocServer.h"
#include "ServerCore.h"
#include "ServerLimits.h"
#include "SqliteAccounts.h"

namespace {

void PrintLine(FILE* stream, const std::string& line) {
  std::fprintf(stream, "%s\n", line.c_str());
  std::fflush(stream);
}

int Fail(const QString& message) {
  PrintLine(stderr, "klaxo-tocd: " + message.toStdString());
  return 1;
}

// --hash-password: one line of standard input, unechoed when it is a terminal.
int PrintHash() {
  termios saved{};
  const bool terminal = isatty(STDIN_FILENO) == 1 && tcgetattr(STDIN_FILENO, &saved) == 0;
  if (terminal) {
    std::fprintf(stderr, "Password: ");
    std::fflush(stderr);
    termios quiet = saved;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
  }
  std::string password;
  std::getline(std::cin, password);
  if (terminal) {
    tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
    std::fprintf(stderr, "\n");
  }
  if (!password.empty() && password.back() == '\r') password.pop_back();
  if (password.empty()) return Fail("no password on standard input");
  const auto hash = HashPassword(password);
  if (!hash) return Fail("the system's libcrypt cannot make a yescrypt hash");
  PrintLine(stdout, *hash);
  return 0;
}

std::optional<int> ParseCount(const QString& text, int highest) {
  bool ok = false;
  const int value = text.toInt(&ok);
  if (!ok || value < 0 || value > highest) return std::nullopt;
  return value;
}

}  // namespace

int main(int argc, char* argv[]) {
  QCoreApplication app(argc, argv);
  QCoreApplication::setApplicationName("klaxo-tocd");
  QCoreApplication::setApplicationVersion(KLAXO_VERSION);

  QCommandLineParser parser;
  parser.setApplicationDescription(
      "A small TOC2 server for trying and testing Klaxo.\n\n"
      "It speaks TOC2 (toc2_login): instant messages, pushed buddy presence, away, idle and typing notices, stored "
      "buddy, permit and deny lists with the privacy modes applied, warnings, and chat rooms with invitations and "
      "whispers. It does not speak TOC 1.0 (toc_signon and its list commands), the directory, file transfers, direct "
      "connections or buddy icons; those commands get ERROR:911.\n\n"
      "No client waits for another: one that takes nothing for 5 seconds while output waits for it, or has more "
      "than 512 KiB unsent, is cut off. Over 32 MiB unsent in all, every client is slowed until it is below 16 MiB; "
      "if that lasts 10 seconds, or the total passes 256 MiB, the largest queues are cut off first. Chat lines, "
      "instant messages, invitations and room joins are limited per screen name, sign-ons per address, and wrong "
      "passwords per name and address; what one address says in rooms is held to 128 KiB a second.\n\n"
      "Lists are kept while the server runs, and across restarts in the database that --state names. See "
      "klaxo-tocd(1).");
  parser.addHelpOption();
  parser.addVersionOption();
  const QCommandLineOption listenOption("listen", "Address to listen on (default 127.0.0.1).", "ADDRESS", "127.0.0.1");
  const QCommandLineOption portOption("port", "Port to listen on; 0 picks a free one (default 5190).", "N", "5190");
  const QCommandLineOption accountsOption("accounts",
                                          "Accounts file of \"screen name:password\" lines, the password best as "
                                          "--hash-password prints it (spaces and tabs around the name and around "
                                          "the password are never part of them; a # at a line's start or after a "
                                          "space or tab starts a comment); without it any name of 1 to 32 bytes "
                                          "with no colon or control character signs on with any password, and the "
                                          "first 1000 names to sign on have their lists kept.",
                                          "FILE");
  const QCommandLineOption stateOption("state",
                                       "SQLite database that keeps every account's lists and formatted name across "
                                       "restarts, created when missing; without it they are kept in memory only.",
                                       "FILE");
  const QCommandLineOption hashOption(
      "hash-password", "Read a password from standard input, print its hash for the accounts file, and exit.");
  const QCommandLineOption keepAliveOption(
      "keepalive", "Seconds between keep-alive frames to each signed-on client; 0 sends none (default 60).", "SECONDS",
      "60");
  const QCommandLineOption demoOption("demo", "Open room \"demo\" on exchange 4, where a few people chat.");
  const QCommandLineOption verboseOption(
      "verbose", "Print one line per connection, sign-on and command. Cut-off clients are printed always.");
  const QCommandLineOption perAddressOption(
      "max-per-address",
      QString("Most connections one address (an IPv6 /64) may hold at once, 1 to %1 (default %2). As many may "
              "sign on at once; after them one a second may, and the others are refused with error 983.")
          .arg(limits::kMaxConnections)
          .arg(limits::kMaxConnectionsPerAddress),
      "N", QString::number(limits::kMaxConnectionsPerAddress));
  parser.addOptions({listenOption, portOption, accountsOption, stateOption, hashOption, keepAliveOption, demoOption,
                     verboseOption, perAddressOption});
  parser.process(app);
  if (parser.isSet(hashOption)) return PrintHash();

  if (!parser.positionalArguments().isEmpty()) return Fail("unexpected argument " + parser.positionalArguments()[0]);
  const QHostAddress address(parser.value(listenOption));
  if (address.isNull()) return Fail("not an IP address: " + parser.value(listenOption));
  const auto port = ParseCount(parser.value(portOption), 65535);
  if (!port) return Fail("the port must be a number from 0 to 65535: " + parser.value(portOption));
  const auto keepAlive = ParseCount(parser.value(keepAliveOption), 86400);
  if (!keepAlive) return Fail("keep-alive seconds must be a number from 0 to 86400: " + parser.value(keepAliveOption));
  const auto perAddress = ParseCount(parser.value(perAddressOption), static_cast<int>(limits::kMaxConnections));
  if (!perAddress || *perAddress == 0) {
    return Fail(QString("connections per address must be a number from 1 to %1: ").arg(limits::kMaxConnections) +
                parser.value(perAddressOption));
  }

  AccountStore accounts;
  if (parser.isSet(accountsOption)) {
    const QString path = parser.value(accountsOption);
    std::string error;
    std::vector<std::string> warnings;
    if (!accounts.LoadFile(path.toStdString(), error, warnings)) {
      return Fail("accounts file " + path + ": " + QString::fromStdString(error));
    }
    for (const auto& warning : warnings) {
      PrintLine(stderr, "klaxo-tocd: warning: accounts file " + path.toStdString() + ": " + warning);
    }
  }
  SqliteAccounts state;
  const std::string statePath = parser.value(stateOption).toStdString();
  if (parser.isSet(stateOption)) {
    std::string error;
    std::vector<ChangedAccount> kept;
    if (!state.Open(statePath, error) || !state.Load(kept, error)) {
      return Fail(QString::fromStdString("state file " + statePath + ": " + error));
    }
    for (auto& account : kept) accounts.Restore(std::move(account));
  }

  const bool verbose = parser.isSet(verboseOption);
  ServerCore core(std::move(accounts), ServerSettings{verbose, {}, static_cast<std::size_t>(*perAddress)});
  QtTocServer server(core, [](const std::string& line) { PrintLine(stdout, line); });
  if (!server.Listen(address, static_cast<quint16>(*port))) {
    return Fail("cannot listen on " + address.toString() + " port " + QString::number(*port) + ": " +
                server.ErrorString());
  }
  server.SetKeepAliveInterval(*keepAlive);
  if (parser.isSet(stateOption)) {
    server.SetAccountKeeper([&state, &statePath](const ChangedAccount& changed) {
      std::string error;
      if (!state.Save(changed, error)) {
        PrintLine(stderr, "klaxo-tocd: state file " + statePath + ": the lists of " +
                              EscapeForLog(changed.account.DisplayName()) + " are not kept: " + error);
      }
    });
  }
  // The port line comes first, so that whoever started the server on port 0 learns the port.
  PrintLine(stdout,
            "klaxo-tocd listening on " + address.toString().toStdString() + " port " + std::to_string(server.Port()));

  DemoRunner demo(core, server);
  if (parser.isSet(demoOption)) {
    demo.Start();
    PrintLine(stdout, "demo room \"demo\" open on exchange 4");
  }
  return QCoreApplication::exec();
}
