// The real main window with the real control, against the bundled server
// klaxo-tocd over loopback, and a second client that speaks in the room. The
// KeyringEndToEnd tests also use the real keyring: tests/app/with-keyring.sh
// gives them a gnome-keyring of their own, never the user's.
#include <gtest/gtest.h>

#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTest>
#include <QTextBlock>
#include <QTextFragment>
#include <algorithm>

#include "AlertHistory.h"
#include "BundledServer.h"
#include "KeychainSecretStore.h"
#include "LoadedSocket.h"
#include "ManualClock.h"
#include "QtTocSocket.h"
#include "RecordingEvents.h"
#include "WindowFixture.h"
#include "WordsFile.h"

namespace {

constexpr int kWaitMs = 10000;

// klaxo-tocd's arguments for these tests: loopback, the given port or a free
// one, and room for the many clients they run from the one address.
QStringList ServerArguments(int port = 0, const QStringList& more = {}) {
  return QStringList{"--listen", "127.0.0.1",         "--port", QString::number(port), "--keepalive",
                     "1",        "--max-per-address", "64"} +
         more;
}

// A second client, signed on and in the room, to speak there.
class OtherClient {
 public:
  explicit OtherClient(int port, const std::string& name = "Other One")
      : toc_(std::make_unique<QtTocSocket>(), &events_) {
    toc_.Login(name, "pw", "127.0.0.1", port);
  }
  ~OtherClient() { toc_.LogOff(); }
  OtherClient(const OtherClient&) = delete;
  OtherClient& operator=(const OtherClient&) = delete;

  bool Join(const std::string& room) {
    const bool signedOn = QTest::qWaitFor(
        [&] {
          return std::any_of(events_.lines.begin(), events_.lines.end(),
                             [](const std::string& line) { return line.starts_with("LoggedIn("); });
        },
        kWaitMs);
    if (!signedOn) return false;
    room_ = room;
    toc_.JoinChat(room, 4);
    return QTest::qWaitFor([&] { return toc_.LastChatID != 0; }, kWaitMs);
  }
  void Say(const std::string& text) { toc_.SendChat(room_, text, toc_.LastChatID); }
  // Whether name is in the room, as the server tells it to this client.
  [[nodiscard]] bool SeesInside(const std::string& name) const {
    return std::find(events_.lines.begin(), events_.lines.end(),
                     "ChatUserUpdate(" + name + ",true," + std::to_string(toc_.LastChatID) + ")") !=
           events_.lines.end();
  }

 private:
  RecordingEvents events_;
  QuovTOCSock toc_;
  std::string room_;
};

// Keeps the password "pw" of watcher on the server in the keyring.
bool KeepPassword(quint16 port) {
  std::optional<SecretStore::Result> written;
  KeychainSecretStore keyring;
  keyring.Write(SecretStore::Account(QStringLiteral("watcher"), {"127.0.0.1", port}), QStringLiteral("pw"),
                [&written](const SecretStore::Result& result) { written = result; });
  return QTest::qWaitFor([&written] { return written.has_value(); }, kWaitMs) &&
         written->status != SecretStore::Result::Status::Failed;
}

bool LastLineHasRedName(const QPlainTextEdit& box) {
  const QTextBlock block = box.document()->lastBlock();
  const QTextFragment name = block.begin().fragment();
  return name.isValid() && name.charFormat().foreground().color() == QColor(255, 0, 0);
}

}  // namespace

TEST(EndToEnd, SignOnJoinAlertConsoleOwnMessageChurnLeaveAndSignOff) {
  BundledServer server(ServerArguments());
  ASSERT_NE(server.Port(), 0) << "klaxo-tocd did not start";

  auto recorder = std::make_unique<RecordingAlerts>();
  RecordingAlerts& alerts = *recorder;
  // The program's own socket, from the module built beside it.
  Klaxo window(std::make_unique<LoadedSocket>(QStringList{QFileInfo(QStringLiteral(KLAXO_PROGRAM)).absolutePath()}),
               std::move(recorder), ServerAddress{"127.0.0.1", server.Port()});
  window.show();

  // Nothing the server would close the connection over is sent.
  window.txtSn->setText(QStringLiteral("My Name"));
  window.txtPw->setText(QString(969, QLatin1Char('p')));
  window.cmdSignon->click();
  EXPECT_EQ(window.lblStat->text(),
            QStringLiteral("Not signed on: the screen name and password are too long for the server"));
  window.txtPw->setText(QString(968, QLatin1Char('p')));
  window.cmdSignon->click();
  ASSERT_TRUE(QTest::qWaitFor([&] { return window.lblStat->text() == QStringLiteral("Logged on 'myname'"); }, kWaitMs))
      << window.lblStat->text().toStdString();
  window.txtCr->setText(QString(2028, QLatin1Char('r')));
  window.cmdJoin->click();
  EXPECT_EQ(window.lblStat->text(), QStringLiteral("Not joined: the room name is too long for the server"));

  window.txtCr->setText(QStringLiteral("Test Room"));
  window.cmdJoin->click();
  ASSERT_TRUE(QTest::qWaitFor([&] { return window.InChat; }, kWaitMs));
  EXPECT_EQ(window.lblStat->text(), QStringLiteral("Logged on, joined chat 'testroom'"));
  window.lstNotify->addItem(QStringLiteral("cat"));
  window.chkConsole->setChecked(true);

  OtherClient other(server.Port());
  ASSERT_TRUE(other.Join("testroom"));
  ASSERT_TRUE(QTest::qWaitFor(
      [&] { return window.console->txtChatBox->toPlainText().contains(QStringLiteral("has entered the room.")); },
      kWaitMs));

  other.Say("I saw a <b>cat</b> today");
  ASSERT_TRUE(QTest::qWaitFor([&] { return !alerts.shown.empty(); }, kWaitMs));
  ASSERT_EQ(alerts.shown.size(), 1u);
  EXPECT_NE(alerts.shown[0].find(": I saw a cat today"), std::string::npos) << alerts.shown[0];
  EXPECT_TRUE(
      window.console->txtChatBox->document()->lastBlock().text().endsWith(QStringLiteral(": I saw a cat today")));

  // A message whose line would be over 2,048 bytes is kept, not sent: the
  // server would end the session over it.
  const qsizetype longest = 1953 - QString::number(window.toc->LastChatID).size();
  window.console->txtMessage->setText(QString(longest + 1, QLatin1Char('x')));
  window.console->cmdSend->click();
  EXPECT_EQ(window.console->txtMessage->text().size(), longest + 1);
  window.console->txtMessage->setText(QString(longest, QLatin1Char('x')));
  window.console->cmdSend->click();
  ASSERT_TRUE(QTest::qWaitFor(
      [&] { return window.console->txtChatBox->document()->lastBlock().text().endsWith(QString(longest, 'x')); },
      kWaitMs))
      << "the longest message goes, and the session with it";

  window.console->txtMessage->setText(QStringLiteral("hello 1<2"));
  window.console->cmdSend->click();
  ASSERT_TRUE(QTest::qWaitFor(
      [&] {
        return window.console->txtChatBox->document()->lastBlock().text().endsWith(QStringLiteral(": hello 1<2"));
      },
      kWaitMs))
      << window.console->txtChatBox->toPlainText().toStdString();
  EXPECT_TRUE(LastLineHasRedName(*window.console->txtChatBox));

  // People come and go in bulk while an alert box is open: once it is
  // dismissed the people list holds exactly those present, and the alert
  // said after the churn is shown.
  std::vector<std::unique_ptr<OtherClient>> staying;
  alerts.whileShowing = [&](std::size_t count) {
    if (count != 2) return;
    for (int round = 0; round < 3; ++round) {
      std::vector<std::unique_ptr<OtherClient>> churn(20);
      int next = round * 20;
      for (auto& client : churn)
        client = std::make_unique<OtherClient>(server.Port(), "churn " + std::to_string(next++));
      for (auto& client : churn) ASSERT_TRUE(client->Join("testroom"));
      if (round == 2) std::move(churn.begin(), churn.begin() + 5, std::back_inserter(staying));
    }
    // Every departure has reached the watch's control.
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return window.toc->UsersHere.Item(std::to_string(window.toc->LastChatID))->Count() == 7; }, kWaitMs));
    other.Say("a cat after the churn");
  };
  other.Say("the cat before it");
  ASSERT_TRUE(QTest::qWaitFor([&] { return alerts.shown.size() == 3; }, kWaitMs));
  EXPECT_EQ(alerts.shown[2], "otherone: a cat after the churn");
  QStringList people;
  const QAbstractItemModel& list = *window.console->lstUsers->model();
  for (int i = 0; i < list.rowCount(); ++i) people << list.index(i, 0).data().toString();
  people.sort();
  EXPECT_EQ(people, (QStringList{"churn40", "churn41", "churn42", "churn43", "churn44", "myname", "otherone"}));
  EXPECT_EQ(window.console->lblPpl->text(), QStringLiteral("7"));

  window.cmdLeave->click();
  ASSERT_TRUE(
      QTest::qWaitFor([&] { return window.lblStat->text() == QStringLiteral("Logged in, left chat"); }, kWaitMs));
  EXPECT_FALSE(window.InChat);
  EXPECT_EQ(window.console->txtChatBox->toPlainText(), QString());

  window.cmdSignoff->click();
  EXPECT_EQ(window.lblStat->text(), QStringLiteral("Logged off"));
}

// Help and the version are there from a terminal with no display; a window
// run without one still fails as Qt makes it.
TEST(EndToEnd, HelpAndTheVersionNeedNoDisplay) {
  const auto run = [](const QStringList& arguments) {
    QProcess klaxo;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"}) environment.remove(QString::fromLatin1(name));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    klaxo.setProcessEnvironment(environment);
    klaxo.start(QStringLiteral(KLAXO_PROGRAM), arguments);
    klaxo.waitForFinished(kWaitMs);
    return std::pair{klaxo.exitStatus() == QProcess::NormalExit ? klaxo.exitCode() : -1,
                     QString::fromUtf8(klaxo.readAllStandardOutput())};
  };
  const auto [helpStatus, help] = run({"--help"});
  EXPECT_EQ(helpStatus, 0);
  EXPECT_TRUE(help.contains(QStringLiteral("--notify"))) << help.toStdString();
  EXPECT_EQ(run({"--version"}), std::pair(0, QStringLiteral("klaxo %1\n").arg(QStringLiteral(KLAXO_VERSION))));
  EXPECT_NE(run({"--sign-on", "--help"}).first, 0) << "a screen name, not a request for help";
}

// Without a module to use the socket fails as a refused connection does:
// from the event loop, and not after a Close; and the failure is lasting.
TEST(EndToEnd, TheSocketWithoutItsModuleFailsFromTheEventLoop) {
  struct : TocSocketListener {
    void Sock_Connect() override {}
    void Sock_DataArrival(std::size_t) override {}
    void Sock_Close() override {}
    void Sock_Error(const std::string& description) override { errors.push_back(description); }
    std::vector<std::string> errors;
  } listener;
  LoadedSocket socket(QStringList{QStringLiteral("/nonexistent")});
  socket.SetListener(&listener);
  socket.Connect("127.0.0.1", 5190);
  socket.Close();
  QTest::qWait(10);
  EXPECT_TRUE(listener.errors.empty());
  socket.Connect("127.0.0.1", 5190);
  EXPECT_TRUE(listener.errors.empty());
  EXPECT_EQ(socket.State(), SocketState::Closed);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !listener.errors.empty(); }, kWaitMs));
  EXPECT_EQ(listener.errors[0],
            "Klaxo is not installed correctly: its network module klaxo-network.so is in none of /nonexistent");
  EXPECT_TRUE(socket.Unusable());
}

// A module of another build is refused before anything in it is called, and
// the window does not try it again.
TEST(EndToEnd, AModuleOfAnotherBuildIsRefusedAndNotTriedAgain) {
  auto socket = std::make_unique<LoadedSocket>(QStringList{QStringLiteral(OTHER_BUILD_MODULE_DIR)});
  KlaxoOptions options;
  options.reconnect = true;
  options.socketUnusable = [loaded = socket.get()] { return loaded->Unusable(); };
  Klaxo window(std::move(socket), std::make_unique<RecordingAlerts>(), ServerAddress{}, std::move(options));
  window.cmdSignon->click();
  const QString refused =
      QStringLiteral(
          "Disconnected: Klaxo is not installed correctly: the network module "
          "%1/klaxo-network.so is from another build of Klaxo (0.9.0+other, not %2)")
          .arg(QStringLiteral(OTHER_BUILD_MODULE_DIR), QString::fromLatin1(LoadedSocket::kInterface));
  ASSERT_TRUE(QTest::qWaitFor([&] { return window.lblStat->text() == refused; }, kWaitMs))
      << window.lblStat->text().toStdString();
}

TEST(EndToEnd, ReconnectBringsTheWatchBackToTheRoomAfterTheServerRestarts) {
  auto server = std::make_unique<BundledServer>(ServerArguments());
  const int port = server->Port();
  ASSERT_NE(port, 0) << "klaxo-tocd did not start";

  auto recorder = std::make_unique<RecordingAlerts>();
  RecordingAlerts& alerts = *recorder;
  auto manual = std::make_unique<ManualClock>();
  ManualClock& clock = *manual;
  KlaxoOptions options;
  options.reconnect = true;
  options.clock = std::move(manual);
  options.random = [] { return 0.0; };
  Klaxo window(std::make_unique<QtTocSocket>(), std::move(recorder), ServerAddress{"127.0.0.1", port},
               std::move(options));
  window.show();
  window.txtSn->setText(QStringLiteral("watcher"));
  window.cmdSignon->click();
  window.txtCr->setText(QStringLiteral("Test Room"));
  ASSERT_TRUE(QTest::qWaitFor([&] { return window.lblStat->text().startsWith(QStringLiteral("Logged on")); }, kWaitMs));
  window.cmdJoin->click();
  ASSERT_TRUE(QTest::qWaitFor([&] { return window.InChat; }, kWaitMs));
  window.lstNotify->addItem(QStringLiteral("cat"));
  window.chkConsole->setChecked(true);

  server.reset();
  const QString dropped = QStringLiteral("Disconnected: Connection closed by the server. Signing on again in 2 s");
  ASSERT_TRUE(QTest::qWaitFor([&] { return window.lblStat->text() == dropped; }, kWaitMs))
      << window.lblStat->text().toStdString();
  EXPECT_FALSE(window.InChat);

  server = std::make_unique<BundledServer>(ServerArguments(port));
  ASSERT_EQ(server->Port(), port) << "klaxo-tocd did not start again on its port";
  window.txtCr->setText(QStringLiteral("elsewhere"));
  clock.Advance(std::chrono::seconds(2));
  ASSERT_TRUE(QTest::qWaitFor([&] { return window.InChat; }, kWaitMs)) << window.lblStat->text().toStdString();
  EXPECT_EQ(window.lblStat->text(), QStringLiteral("Logged on, joined chat 'testroom'"));

  OtherClient other(port);
  ASSERT_TRUE(other.Join("testroom"));
  other.Say("the cat is back");
  ASSERT_TRUE(QTest::qWaitFor([&] { return !alerts.shown.empty(); }, kWaitMs));
  EXPECT_EQ(alerts.shown, std::vector<std::string>{"otherone: the cat is back"});
  EXPECT_TRUE(window.console->txtChatBox->toPlainText().startsWith(QStringLiteral("watcher is in Chat 'testroom'")));
  const QAbstractItemModel& list = *window.console->lstUsers->model();
  EXPECT_FALSE(
      list.match(list.index(0, 0), Qt::DisplayRole, QStringLiteral("otherone"), 1, Qt::MatchExactly).isEmpty());

  // Keep-alives keep the connection; a server gone quiet without closing loses it, as does one that stops reading.
  const auto backInTheRoom = [&](std::chrono::seconds retry) {
    server->Pause(false);
    clock.Advance(retry);
    return QTest::qWaitFor([&] { return window.InChat; }, kWaitMs);
  };
  for (int step = 0; step < 2; ++step, clock.Advance(std::chrono::minutes(2))) QTest::qWait(1100);
  EXPECT_TRUE(window.InChat);
  server->Pause(true);
  for (int second = 0; second < 600 && window.InChat; ++second) clock.Advance(std::chrono::seconds(1));
  EXPECT_EQ(window.lblStat->text(),
            QStringLiteral("Disconnected: No answer from the server within 60 s of asking, after 120 s "
                           "without a byte. Signing on again in 2 s"));
  ASSERT_TRUE(backInTheRoom(std::chrono::seconds(2)));
  server->Pause(true);
  for (int line = 0; line < 20000 && window.InChat; ++line, QCoreApplication::processEvents()) {
    window.console->txtMessage->setText(QString(1900, QLatin1Char('x')));
    window.console->cmdSend->click();
  }
  EXPECT_TRUE(
      window.lblStat->text().startsWith(QStringLiteral("Disconnected: The server stopped reading: over 1 MiB")));
  ASSERT_TRUE(backInTheRoom(std::chrono::seconds(4)));
}

TEST(KeyringEndToEnd, APasswordRememberedOnceSignsOnAndJoinsAtTheNextStartWithNoInput) {
  if (qEnvironmentVariableIsEmpty("KLAXO_KEYRING_HOME")) GTEST_SKIP() << "runs in tests/app/with-keyring.sh only";
  QTemporaryFile accounts;
  ASSERT_TRUE(accounts.open() && accounts.write("watcher:s3cret\nOther One:pw\n") > 0 && accounts.flush());
  BundledServer server(ServerArguments(0, {"--accounts", accounts.fileName()}));
  ASSERT_NE(server.Port(), 0) << "klaxo-tocd did not start";
  const ServerAddress address{"127.0.0.1", server.Port()};
  const QString account = SecretStore::Account(QStringLiteral("watcher"), address);
  KeychainSecretStore keyring;
  const auto stored = [&keyring, &account] {
    std::optional<SecretStore::Result> answer;
    keyring.Read(account, [&answer](const SecretStore::Result& result) { answer = result; });
    return QTest::qWaitFor([&answer] { return answer.has_value(); }, kWaitMs) ? answer->password : QString();
  };
  {
    KlaxoOptions options;
    options.rememberPassword = true;
    Klaxo first(std::make_unique<QtTocSocket>(), std::make_unique<RecordingAlerts>(), address, std::move(options));
    first.StartWatch();
    first.txtSn->setText(QStringLiteral("watcher"));
    first.txtPw->setText(QStringLiteral("s3cret"));
    first.cmdSignon->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return stored() == QStringLiteral("s3cret"); }, kWaitMs));
  }

  auto recorder = std::make_unique<RecordingAlerts>();
  RecordingAlerts& alerts = *recorder;
  KlaxoOptions options;
  options.signOnName = QStringLiteral("watcher");
  options.room = RoomOption{QStringLiteral("Test Room"), 4};
  Klaxo window(std::make_unique<QtTocSocket>(), std::move(recorder), address, std::move(options));
  window.lstNotify->addItem(QStringLiteral("cat"));
  window.StartWatch();
  ASSERT_TRUE(QTest::qWaitFor([&] { return window.InChat; }, kWaitMs)) << window.lblStat->text().toStdString();
  EXPECT_EQ(window.lblStat->text(), QStringLiteral("Logged on, joined chat 'testroom'"));
  OtherClient other(server.Port());
  ASSERT_TRUE(other.Join("testroom"));
  other.Say("a cat");
  ASSERT_TRUE(QTest::qWaitFor([&] { return !alerts.shown.empty(); }, kWaitMs));
  EXPECT_EQ(alerts.shown, std::vector<std::string>{"Other One: a cat"});

  QProcess forget;
  forget.start(QStringLiteral(KLAXO_PROGRAM),
               {"-platform", "offscreen", "--server", QStringLiteral("127.0.0.1:%1").arg(server.Port()),
                "--forget-password", "Watcher"});
  ASSERT_TRUE(forget.waitForFinished(kWaitMs));
  EXPECT_EQ(forget.exitCode(), 0) << forget.readAllStandardError().toStdString();
  EXPECT_EQ(stored(), QString());
}

// The program as installed (tests/app/installed.sh names it in
// KLAXO_INSTALLED) finds its network module and signs on and joins by itself.
TEST(KeyringEndToEnd, TheInstalledProgramSignsOnAndJoins) {
  const QString program = qEnvironmentVariable("KLAXO_INSTALLED");
  if (program.isEmpty()) GTEST_SKIP() << "runs in tests/app/installed.sh only";
  BundledServer server(ServerArguments());
  ASSERT_TRUE(server.Port() != 0 && KeepPassword(server.Port()));
  QProcess klaxo;
  klaxo.start(program, {"-platform", "offscreen", "--server", QStringLiteral("127.0.0.1:%1").arg(server.Port()),
                        "--sign-on", "watcher", "--join", "Test Room"});
  OtherClient other(server.Port());
  ASSERT_TRUE(other.Join("testroom"));
  EXPECT_TRUE(QTest::qWaitFor([&] { return other.SeesInside("watcher"); }, kWaitMs))
      << klaxo.readAllStandardError().toStdString();
  klaxo.kill();
  klaxo.waitForFinished();
}

// An unattended watch as an autostart entry runs it, under Xvfb with dunst
// (with-notifications.sh, the keyring in the same session).
TEST(KeyringEndToEnd, AnUnattendedWatchNotifiesRunsItsCommandAndKeepsTheHistoryAcrossARestart) {
  if (qEnvironmentVariableIsEmpty("KLAXO_NOTIFY_HOME")) GTEST_SKIP() << "runs under with-notifications.sh only";
  BundledServer server(ServerArguments());
  ASSERT_TRUE(server.Port() != 0 && KeepPassword(server.Port()));
  QTemporaryDir dir;
  const QString ran = dir.filePath(QStringLiteral("ran.txt"));
  QFile script(dir.filePath(QStringLiteral("forward.sh")));
  ASSERT_TRUE(
      script.open(QIODevice::WriteOnly) &&
      script.write(QStringLiteral("#!/bin/sh\necho \"$KLAXO_SENDER|$KLAXO_TEXT|$KLAXO_WORD|$KLAXO_ROOM\" >>'%1'\n")
                       .arg(ran)
                       .toUtf8()) > 0 &&
      script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
  script.close();
  QString error;
  const WordsFile words(dir.filePath(QStringLiteral("words.txt")));
  ASSERT_TRUE(words.SaveRules({WordRule{QStringLiteral("cat"), true, true}}, error));
  QProcess monitor;
  monitor.start(QStringLiteral("dbus-monitor"), {"--session", "interface='org.freedesktop.Notifications'"});
  QByteArray notified;
  // Each alert is heard through the command and the notification before the
  // program is killed: both are under way while it runs.
  const auto watchAndHear = [&](const std::string& said, const QString& ranWith) {
    QProcess klaxo;
    klaxo.start(QStringLiteral(KLAXO_PROGRAM),
                {"--server", QStringLiteral("127.0.0.1:%1").arg(server.Port()), "--sign-on", "watcher", "--join",
                 "Test Room", "--words", words.Path(), "--notify", "--no-box", "--run", script.fileName()});
    OtherClient other(server.Port());
    ASSERT_TRUE(other.Join("testroom") && QTest::qWaitFor([&] { return other.SeesInside("watcher"); }, kWaitMs));
    other.Say(said);
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
          QFile out(ran);
          return out.open(QIODevice::ReadOnly) && out.readAll().endsWith(ranWith.toUtf8());
        },
        kWaitMs))
        << klaxo.readAllStandardError().toStdString();
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
          notified += monitor.readAllStandardOutput();
          return notified.contains("\"Alert in testroom\"") && notified.contains("otherone: " + said);
        },
        kWaitMs))
        << notified.toStdString();
    klaxo.kill();
    klaxo.waitForFinished();
  };
  watchAndHear("a CAT, not a cats", QStringLiteral("otherone|a CAT, not a cats|cat|testroom\n"));
  watchAndHear("the cat again", QStringLiteral("otherone|the cat again|cat|testroom\n"));
  // The program's own history, in the data folder with-notifications.sh gave it.
  const auto history = AlertHistory::Open(qEnvironmentVariable("XDG_DATA_HOME") + "/klaxo/history.sqlite", error);
  ASSERT_TRUE(history) << error.toStdString();
  QStringList kept;
  for (const StoredAlert& alert : history->Newest(10)) kept.append(alert.sender + ": " + alert.text);
  EXPECT_EQ(kept, (QStringList{"otherone: the cat again", "otherone: a CAT, not a cats"}));
}
