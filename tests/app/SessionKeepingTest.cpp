// The window keeping its session and its word list: the sign-on time limit,
// signing on again after a lost connection (--reconnect), the word list kept
// in a file (--words), and the watch started from the command line with the
// password in a fake keyring (--sign-on, --join, --remember-password,
// --tray). Time is moved by hand.
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QHelpEvent>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocument>
#include <QToolTip>
#include <map>

#include "ManualClock.h"
#include "WindowFixture.h"

namespace {

using std::chrono::milliseconds;
using std::chrono::minutes;
using std::chrono::seconds;

const QString kAccount = QStringLiteral("myname@toc.test:5191");

// A keyring that answers at once from its entries, never answers (keeping
// the answers for the test to give late), or fails as a desktop with no
// Secret Service does.
struct FakeSecrets : SecretStore {
  enum class Mode { Answers, Silent, Fails } mode = Mode::Answers;
  void Read(const QString& account, Answer answer) override {
    Reply(std::move(answer), entries.contains(account) ? Result{Result::Status::Done, entries[account], {}}
                                                       : Result{Result::Status::NotStored, {}, {}});
  }
  void Write(const QString& account, const QString& password, Answer answer) override {
    entries[account] = password;
    Reply(std::move(answer), {});
  }
  void Remove(const QString& account, Answer answer) override {
    entries.erase(account);
    Reply(std::move(answer), {});
  }
  void Reply(Answer answer, Result result) {
    if (mode == Mode::Fails) result = {Result::Status::Failed, {}, QStringLiteral("no Secret Service")};
    if (mode != Mode::Silent) return answer(result);
    held.emplace_back([answer = std::move(answer), result] { answer(result); });
  }
  std::map<QString, QString> entries;
  std::vector<std::function<void()>> held;
};

const QString kTimedOut = QStringLiteral("Disconnected: The server did not complete the sign-on within 60 seconds");

}  // namespace

class SessionKeepingTest : public WindowTest {
 protected:
  SessionKeepingTest() { Restart({}); }

  // A new window, with the given options and a clock moved by hand.
  void Restart(KlaxoOptions options) {
    window.reset();
    auto socket = std::make_unique<FakeSocket>();
    sock = socket.get();
    auto recorder = std::make_unique<RecordingAlerts>();
    alerts = recorder.get();
    auto manual = std::make_unique<ManualClock>();
    clock = manual.get();
    options.clock = std::move(manual);
    options.random = [] { return 0.0; };
    window = std::make_unique<Klaxo>(std::move(socket), std::move(recorder), ServerAddress{"toc.test", 5191},
                                     std::move(options));
    window->show();
  }
  void RestartReconnecting() {
    KlaxoOptions options;
    options.reconnect = true;
    Restart(std::move(options));
  }
  void RestartWithWords(const QString& path) {
    KlaxoOptions options;
    options.wordsFile = path;
    Restart(std::move(options));
  }

  // The server's side of a sign-on on the connection the window opened last.
  void CompleteSignOn() {
    sock->Open();
    sock->Deliver(SignOnFrame() + ServerMessage("SIGN_ON:TOC2.0") + ServerMessage("CONFIG2:done:\n"));
  }

  QString Status() const { return window->lblStat->text(); }

  // A new window started with --sign-on "My Name" --join "The Lobby:5" and
  // the given options, on a fake keyring that may hold a password.
  void StartWatching(KlaxoOptions options, FakeSecrets::Mode mode, const char* stored = "") {
    auto store = std::make_unique<FakeSecrets>();
    secrets = store.get();
    secrets->mode = mode;
    if (*stored != '\0') secrets->entries[kAccount] = QString::fromUtf8(stored);
    options.secrets = std::move(store);
    options.signOnName = QStringLiteral("My Name");
    options.room = RoomOption{QStringLiteral("The Lobby"), 5};
    Restart(std::move(options));
    window->hide();
    window->StartWatch();
  }

  ManualClock* clock = nullptr;
  FakeSecrets* secrets = nullptr;
};

TEST_F(SessionKeepingTest, ASignOnTheServerDoesNotCompleteIsGivenUpAfterSixtySeconds) {
  window->txtSn->setText(QStringLiteral("me"));
  window->cmdSignon->click();
  sock->Open();
  clock->Advance(seconds(60) - milliseconds(1));
  EXPECT_EQ(Status(), QStringLiteral("Status - "));
  EXPECT_EQ(sock->State(), SocketState::Connected);
  clock->Advance(milliseconds(1));
  EXPECT_EQ(Status(), kTimedOut);
  EXPECT_EQ(sock->State(), SocketState::Closed);
  clock->Advance(minutes(10));
  EXPECT_EQ(sock->connects.size(), 1u) << "without --reconnect there is no second try";

  SignOn();
  clock->Advance(minutes(2));
  EXPECT_EQ(Status(), QStringLiteral("Logged on 'myname'")) << "a completed sign-on has no time limit";

  Deliver("ERROR:980");
  sock->PeerClose();
  EXPECT_EQ(Status(), QStringLiteral("Invalid account or password")) << "the server's reason, not its closing";
  clock->Advance(minutes(10));
  EXPECT_EQ(sock->connects.size(), 2u);
}

TEST_F(SessionKeepingTest, ReconnectSignsOnAgainLaterEachTryAndRejoinsTheRoomLastJoined) {
  RestartReconnecting();
  SignOnAndJoin();
  window->chkConsole->setChecked(true);
  AddWord(QStringLiteral("cat"));
  for (QLineEdit* box : {window->txtSn, window->txtPw, window->txtCr, window->txtEx}) box->setText("edited");

  sock->Fail("Network down");
  EXPECT_EQ(Status(), QStringLiteral("Disconnected: Network down. Signing on again in 2 s"));
  EXPECT_FALSE(window->InChat);
  clock->Advance(seconds(2) - milliseconds(1));
  EXPECT_EQ(sock->connects.size(), 1u);
  clock->Advance(milliseconds(1));
  ASSERT_EQ(sock->connects.size(), 2u);
  EXPECT_EQ(sock->connects[1], (std::pair<std::string, std::int32_t>{"toc.test", 5191}));
  EXPECT_EQ(Status(), QStringLiteral("Signing on again as 'myname'"));

  sock->Fail("Connection refused");
  EXPECT_EQ(Status(), QStringLiteral("Disconnected: Connection refused. Signing on again in 4 s"));
  clock->Advance(seconds(4));
  ASSERT_EQ(sock->connects.size(), 3u);
  sock->Open();
  clock->Advance(seconds(60));
  EXPECT_EQ(Status(), kTimedOut + QStringLiteral(". Signing on again in 8 s")) << "a silent try is a failed one";
  clock->Advance(seconds(8));
  ASSERT_EQ(sock->connects.size(), 4u);

  CompleteSignOn();
  EXPECT_EQ(window->toc->strUserName, "myname") << "the name and password of Sign On, not the boxes'";
  EXPECT_EQ(window->toc->strPassword, RoastPassword("pw"));
  EXPECT_EQ(Status(), QStringLiteral("Logged on 'myname'"));
  EXPECT_EQ(sock->TakeSent().find("toc_chat_join"), std::string::npos) << "not before the sign-on's own steps";
  QCoreApplication::processEvents();
  EXPECT_TRUE(Sent(R"(toc_chat_join "4" "thelobby")")) << "the room and exchange last joined: " << sock->sent;

  Deliver("CHAT_JOIN:43:thelobby");
  Deliver("CHAT_UPDATE_BUDDY:43:T:myname:carol");
  EXPECT_TRUE(window->InChat);
  EXPECT_EQ(Status(), QStringLiteral("Logged on, joined chat 'thelobby'"));
  EXPECT_EQ(Transcript(), (std::vector<std::string>{"myname is in Chat 'thelobby'", "myname has entered the room.",
                                                    "carol has entered the room."}));
  EXPECT_EQ(People(), (std::vector<std::string>{"myname", "carol"}));
  EXPECT_EQ(window->console->lblPpl->text(), QStringLiteral("2"));
  Say("carol", "a cat");
  EXPECT_EQ(alerts->shown, std::vector<std::string>{"carol: a cat"});

  sock->PeerClose();
  EXPECT_EQ(Status(), QStringLiteral("Disconnected: Connection closed by the server. Signing on again in 16 s"))
      << "the delays go on doubling while sessions stay short";

  // A rejoin the server leaves unanswered is not taken for the user's next room.
  clock->Advance(seconds(16));
  CompleteSignOn();
  QCoreApplication::processEvents();
  window->txtCr->setText(QStringLiteral("other"));
  window->cmdJoin->click();
  Deliver("CHAT_JOIN:9:other");
  Say("carol", "still here");
  EXPECT_EQ(Status(), QStringLiteral("Logged on, joined chat 'other'"));
  EXPECT_EQ(Transcript().front(), "myname is in Chat 'thelobby'") << "the console is not started again";
  EXPECT_EQ(Transcript().back(), "carol: still here");
}

TEST_F(SessionKeepingTest, SignOffAndSignOnCancelAPendingTryAndLeavingForgetsTheRoom) {
  RestartReconnecting();
  SignOnAndJoin();
  sock->Fail("Network down");
  window->cmdSignoff->click();
  EXPECT_EQ(Status(), QStringLiteral("Logged off"));
  clock->Advance(minutes(10));
  EXPECT_EQ(sock->connects.size(), 1u);

  SignOnAndJoin();
  sock->Fail("Network down");
  SignOn();
  EXPECT_EQ(sock->connects.size(), 3u);
  clock->Advance(seconds(2));
  EXPECT_EQ(sock->connects.size(), 3u) << "Sign On replaced the pending try";
  QCoreApplication::processEvents();
  EXPECT_EQ(sock->TakeSent(), "") << "a session the user signed on to joins nothing by itself";

  window->txtCr->setText(QStringLiteral("lobby"));
  window->cmdJoin->click();
  Deliver("CHAT_JOIN:7:lobby");
  window->cmdLeave->click();
  Deliver("CHAT_LEFT:7");
  sock->Fail("Network down");
  clock->Advance(seconds(2));
  CompleteSignOn();
  sock->TakeSent();
  QCoreApplication::processEvents();
  EXPECT_EQ(sock->TakeSent(), "") << "a room left is not joined again";
}

TEST_F(SessionKeepingTest, ARefusedSignOnStopsTheRetriesAndSaysWhy) {
  RestartReconnecting();
  SignOn();
  sock->Fail("Network down");
  clock->Advance(seconds(2));
  sock->Open();
  sock->Deliver(SignOnFrame() + ServerMessage("ERROR:980"));
  EXPECT_EQ(Status(), QStringLiteral("Invalid account or password"));
  EXPECT_EQ(sock->State(), SocketState::Closed);
  clock->Advance(minutes(10));
  EXPECT_EQ(sock->connects.size(), 2u);
}

// A room where nobody speaks on a server without keep-alives is kept: the
// server is asked about the name signed on, and only a question left
// unanswered for 60 s ends the session, with a line on standard error.
TEST_F(SessionKeepingTest, AQuietRoomIsKeptWhileTheServerAnswersWhenAsked) {
  SignOn();
  clock->Advance(minutes(3));
  EXPECT_EQ(sock->TakeSent(), ClientCommand(R"(toc_get_status "myname")", 3));
  Deliver("ERROR:901:myname");
  clock->Advance(minutes(3));
  EXPECT_EQ(Status(), QStringLiteral("Logged on 'myname'")) << "the answer is not news for the status line";
  EXPECT_EQ(sock->State(), SocketState::Connected);
  testing::internal::CaptureStderr();
  clock->Advance(minutes(1));
  const std::string reason = "No answer from the server within 60 s of asking, after 120 s without a byte";
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "klaxo: Disconnected: " + reason + "\n");
  EXPECT_EQ(Status(), QStringLiteral("Disconnected: ") + QString::fromStdString(reason));
  EXPECT_EQ(sock->State(), SocketState::Closed);
}

// A server that repeats its session frames behind an open alert box gets no
// answer to them: the session stays, the next keep-alive is answered, and
// the alert said after the repeats is shown.
TEST_F(SessionKeepingTest, RepeatedSessionFramesBehindAnAlertAreNotAnswered) {
  SignOnAndJoin();
  AddWord(QStringLiteral("cat"));
  alerts->whileShowing = [&](std::size_t count) {
    if (count != 1) return;
    for (int i = 0; i < 300; ++i) {
      sock->Deliver(SignOnFrame());
      Deliver("CONFIG2:m:1\ndone:\n");
      Deliver("CHAT_JOIN:42:thelobby");
      Deliver("CHAT_LEFT:42");
    }
    Deliver("CHAT_JOIN:42:thelobby");
    EXPECT_EQ(sock->TakeSent(), "") << "no repeat is answered";
    sock->Deliver(flap::BuildFrame(flap::kKeepAlive, 0, ""));
    EXPECT_EQ(sock->TakeSent(), flap::BuildFrame(flap::kKeepAlive, 4, ""));
    Say("carol", "another cat");
  };
  Say("bob", "a cat");
  EXPECT_EQ(alerts->shown, (std::vector<std::string>{"bob: a cat", "carol: another cat"}));
  EXPECT_EQ(sock->State(), SocketState::Connected);
  EXPECT_EQ(Status(), QStringLiteral("Logged on, joined chat 'thelobby'"));
}

TEST_F(SessionKeepingTest, WordsFileKeepsTheListAcrossRuns) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("new/folders/words.txt"));
  RestartWithWords(path);
  EXPECT_TRUE(Words().isEmpty());
  EXPECT_FALSE(QFile::exists(path)) << "created at the first change, not before";

  for (const char* typed : {"cat", "dog", "   ", "café", "(nocase  whole) C at", "(regex) a("}) {
    window->txtNotify->setText(QString::fromUtf8(typed));
    QTest::keyClick(window->txtNotify, Qt::Key_Return);
  }
  EXPECT_EQ(window->txtNotify->text(), QStringLiteral("(regex) a(")) << "a bad pattern stays in the box";
  EXPECT_TRUE(window->lblStat->text().startsWith(
      QStringLiteral("Cannot add the word: the regular expression is not valid: missing closing parenthesis")))
      << window->lblStat->text().toStdString();
  QListWidget* list = window->lstNotify;
  const QPoint dog = list->visualItemRect(list->item(1)).center();
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, dog);
  QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, dog);
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(file.readAll(), QByteArray("cat\n(empty word)\ncaf\xC3\xA9\n(nocase whole) Cat\n"));
  file.close();

  RestartWithWords(path);
  EXPECT_EQ(Words(), (QStringList{"cat", "", "café", "(nocase whole) Cat"}));

  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("cat\n(loud) dog\nbird\n");
  file.close();
  RestartWithWords(path);
  EXPECT_EQ(Words(), (QStringList{"cat", "bird"}));
  EXPECT_TRUE(window->lblStat->text().contains(QStringLiteral("line 2: unknown option \"loud\"")))
      << window->lblStat->text().toStdString();
}

TEST_F(SessionKeepingTest, AWordsFileThatCannotBeReadIsLeftUntouched) {
  QTemporaryDir dir;
  const QString large = dir.filePath(QStringLiteral("large"));
  {
    QFile file(large);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_TRUE(file.write("cat\n") == 4 && file.resize(WordsFile::kMaxBytes + 1));
  }
  const struct {
    QString path;
    const char* why;
  } cases[] = {{large, "too large for a word list"}, {dir.path(), "it is a folder"}};
  for (const auto& c : cases) {
    RestartWithWords(c.path);
    EXPECT_TRUE(Status().startsWith(QStringLiteral("Cannot read the word list "))) << Status().toStdString();
    EXPECT_TRUE(Status().contains(QString::fromUtf8(c.why))) << Status().toStdString();
    EXPECT_TRUE(Words().isEmpty());
    AddWord(QStringLiteral("dog"));
    QTest::keyClicks(window->txtNotify, QStringLiteral("cat"));
    QTest::keyClick(window->txtNotify, Qt::Key_Return);
    EXPECT_EQ(Words(), (QStringList{"dog", "cat"})) << "the list still works";
  }
  QFile file(large);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(file.size(), WordsFile::kMaxBytes + 1);
  EXPECT_EQ(file.read(4), QByteArray("cat\n"));
  EXPECT_TRUE(QFileInfo(dir.path()).isDir());

  // No folder can be made where a file is; the message is longer than the
  // status line, and its tip shows it whole, markup and all, as text.
  RestartWithWords(large + QStringLiteral("/<b>words.txt"));
  QTest::keyClicks(window->txtNotify, QStringLiteral("cat"));
  QTest::keyClick(window->txtNotify, Qt::Key_Return);
  EXPECT_TRUE(Status().startsWith(QStringLiteral("Cannot save the word list to "))) << Status().toStdString();
  EXPECT_EQ(Words(), QStringList{"cat"});
  QHelpEvent hover(QEvent::ToolTip, QPoint(1, 1), window->lblStat->mapToGlobal(QPoint(1, 1)));
  QCoreApplication::sendEvent(window->lblStat, &hover);
  QTextDocument tip;
  tip.setHtml(QToolTip::text());
  EXPECT_EQ(tip.toPlainText(), Status());
}

TEST_F(SessionKeepingTest, SignOnAtStartWithTheKeyringsPasswordJoinTheRoomAndKeepTheRefusedPassword) {
  KlaxoOptions options;
  options.reconnect = true;
  StartWatching(std::move(options), FakeSecrets::Mode::Answers, "s3cret");
  EXPECT_EQ(Status(), QStringLiteral("Signing on as 'myname'"));
  for (const auto wait : {seconds(0), seconds(2)}) {
    clock->Advance(wait);
    CompleteSignOn();
    EXPECT_EQ(window->toc->strPassword, RoastPassword("s3cret"));
    QCoreApplication::processEvents();
    const std::string sent = sock->TakeSent();
    const auto join = sent.find(R"(toc_chat_join "5" "thelobby")");
    EXPECT_TRUE(join != std::string::npos && join == sent.rfind("toc_chat_join") && join > sent.find("toc_init_done"))
        << "joined once after the sign-on's own steps, also after a drop: " << sent;
    Deliver("CHAT_JOIN:42:thelobby");
    sock->Fail("Network down");
  }
  clock->Advance(seconds(4));
  sock->Open();
  sock->Deliver(SignOnFrame() + ServerMessage("ERROR:980"));
  EXPECT_EQ(Status(),
            QStringLiteral("Invalid account or password (the password stored in the keyring for 'myname'; it stays "
                           "stored)"));
  EXPECT_EQ(secrets->entries[kAccount], QStringLiteral("s3cret"));
}

TEST_F(SessionKeepingTest, WithNoPasswordFromTheKeyringTheWindowWaitsForSignOnAndSaysWhy) {
  const struct {
    FakeSecrets::Mode mode;
    const char* stored;
    bool remember;
    const char* status;
  } cases[] = {
      {FakeSecrets::Mode::Answers, "", false,
       "No password stored for 'myname': type it and press Sign On (start with --remember-password to keep it)"},
      {FakeSecrets::Mode::Answers, "", true,
       "No password stored for 'myname': type it and press Sign On to sign on and keep it"},
      {FakeSecrets::Mode::Fails, "", false,
       "The keyring gave no password for 'myname' (no Secret Service): type it and press Sign On"},
      {FakeSecrets::Mode::Silent, "stored", false, "Asking the keyring for the password of 'myname'"},
  };
  for (const auto& c : cases) {
    KlaxoOptions options;
    options.rememberPassword = c.remember;
    options.startInTray = true;  // offscreen there is no tray: the window stays shown
    StartWatching(std::move(options), c.mode, c.stored);
    EXPECT_TRUE(window->isVisible()) << c.status;
    EXPECT_EQ(Status(), QString::fromUtf8(c.status));
    EXPECT_TRUE(sock->connects.empty()) << c.status;

    window->txtPw->setText(QStringLiteral("typed"));
    window->cmdSignon->click();
    for (const auto& late : secrets->held) late();
    EXPECT_EQ(sock->connects.size(), 1u) << "a late answer does not sign on again: " << c.status;
    CompleteSignOn();
    QCoreApplication::processEvents();
    EXPECT_TRUE(Sent(R"(toc_chat_join "5" "thelobby")")) << c.status;
    EXPECT_EQ(secrets->entries[kAccount], QString::fromUtf8(c.remember ? "typed" : c.stored)) << c.status;
  }
}
