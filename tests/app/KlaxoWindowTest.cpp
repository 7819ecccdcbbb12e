// The main window driven through its widgets: sign-on, joining, the status
// line, the word box, alerts and the one-box-at-a-time rule.
#include <QCheckBox>
#include <QDialog>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>
#include <QScrollBar>
#include <QSystemTrayIcon>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <set>

#include "MessageBoxAlerts.h"
#include "WindowFixture.h"
#include "WireText.h"
#include "mdlTray.h"

TEST_F(WindowTest, StartsWithEmptyBoxesAndTheExchangeFour) {
  EXPECT_EQ(window->windowTitle(), QStringLiteral("Klaxo © - By the Klaxo developers"));
  EXPECT_EQ(window->txtEx->text(), QStringLiteral("4"));
  EXPECT_EQ(window->lblStat->text(), QStringLiteral("Status - "));
  EXPECT_EQ(window->txtPw->echoMode(), QLineEdit::Password);
  EXPECT_FALSE(window->InChat);
  EXPECT_FALSE(window->Console);
  EXPECT_EQ(window->console, nullptr) << "the console is built when it is first needed";
  for (QWidget* input : std::initializer_list<QWidget*>{window->txtSn, window->txtPw, window->txtCr, window->txtEx,
                                                        window->lstNotify, window->txtNotify, window->chkConsole}) {
    EXPECT_FALSE(input->accessibleName().isEmpty()) << input->objectName().toStdString();
  }
  EXPECT_EQ(window->ConsoleWindow().windowTitle(), QStringLiteral("Chat Console"));
  EXPECT_FALSE(window->console->isVisible());

  const QString longText(40000, QLatin1Char('x'));
  QList<QLineEdit*> boxes = window->findChildren<QLineEdit*>() + window->ConsoleWindow().findChildren<QLineEdit*>();
  ASSERT_EQ(boxes.size(), 6);
  for (QLineEdit* box : boxes) {
    box->setText(longText);
    EXPECT_EQ(box->text().size(), longText.size()) << box->objectName().toStdString() << " limits its length";
  }
}

TEST_F(WindowTest, SignOnNormalizesTheBoxAndPassesThePasswordAsTyped) {
  window->txtSn->setText(QStringLiteral("My Name"));
  window->txtPw->setText(QStringLiteral(" Pass Word "));
  window->cmdSignon->click();
  EXPECT_EQ(window->txtSn->text(), QStringLiteral("myname"));
  EXPECT_EQ(window->toc->strUserName, "myname");
  EXPECT_EQ(window->toc->strPassword, RoastPassword(" Pass Word "));
  ASSERT_EQ(sock->connects.size(), 1u);
  EXPECT_EQ(sock->connects[0], (std::pair<std::string, std::int32_t>{"toc.test", 5191}));

  window->txtSn->clear();
  window->txtPw->clear();
  window->cmdSignon->click();
  EXPECT_EQ(sock->connects.size(), 2u) << "empty boxes sign on all the same";
  EXPECT_EQ(window->toc->strUserName, "");
  EXPECT_EQ(window->toc->strPassword, "0x");
}

TEST_F(WindowTest, JoinReadsTheExchangeAndRefusesNumbersBeyondSixteenBits) {
  SignOn();
  const struct {
    const char* exchange;
    const char* line;
  } cases[] = {
      {"", R"(toc_chat_join "0" "thelobby")"},      {"4", R"(toc_chat_join "4" "thelobby")"},
      {"4x", R"(toc_chat_join "4" "thelobby")"},    {" 1 2 ", R"(toc_chat_join "12" "thelobby")"},
      {"&H10", R"(toc_chat_join "16" "thelobby")"}, {"2.5", R"(toc_chat_join "2" "thelobby")"},
      {"3.5", R"(toc_chat_join "4" "thelobby")"},   {"99999", nullptr},
  };
  for (const auto& c : cases) {
    window->txtCr->setText(QStringLiteral("The Lobby"));
    window->txtEx->setText(QString::fromUtf8(c.exchange));
    window->cmdJoin->click();
    EXPECT_EQ(window->txtCr->text(), QStringLiteral("thelobby"));
    if (c.line != nullptr) {
      EXPECT_TRUE(Sent(c.line)) << c.exchange << " sent " << sock->sent;
    } else {
      EXPECT_EQ(sock->sent, "") << c.exchange;
      EXPECT_EQ(window->lblStat->text(),
                QStringLiteral("Not joined: the exchange must be a number from -32768 to 32767"));
    }
    sock->TakeSent();
  }
}

TEST_F(WindowTest, StatusLineFollowsTheSession) {
  SignOn(QStringLiteral("abc"));
  EXPECT_EQ(window->lblStat->text(), QStringLiteral("Logged on 'abc'"));
  EXPECT_EQ(window->lblStat->text().size(), 15);

  window->txtCr->setText(QStringLiteral("lobby"));
  window->cmdJoin->click();
  window->txtCr->setText(QStringLiteral("edited"));
  Deliver("CHAT_JOIN:7:lobby");
  EXPECT_EQ(window->lblStat->text(), QStringLiteral("Logged on, joined chat 'edited'"));
  EXPECT_TRUE(window->InChat);
  sock->TakeSent();
  Deliver("CONFIG2:done:\n");
  QCoreApplication::processEvents();
  EXPECT_EQ(sock->sent.find("toc_chat_join"), std::string::npos) << "a configuration sent again joins nothing";

  window->txtCr->setText(QStringLiteral("lobby"));
  window->cmdLeave->click();
  EXPECT_TRUE(Sent(R"(toc_chat_leave "7")"));
  Deliver("CHAT_LEFT:7");
  EXPECT_EQ(window->lblStat->text(), QStringLiteral("Logged in, left chat"));
  EXPECT_FALSE(window->InChat);

  window->cmdSignoff->click();
  EXPECT_EQ(window->lblStat->text(), QStringLiteral("Logged off"));

  // Signed on again, no room joined since: Leave finds the room by the name as typed.
  SignOn(QStringLiteral("abc"));
  Deliver("CHAT_JOIN:8:The Room");
  window->cmdSignoff->click();
  EXPECT_TRUE(window->InChat) << "only LeftChat ends InChat";
  SignOn(QStringLiteral("abc"));
  window->txtCr->setText(QStringLiteral("The Room"));
  window->cmdLeave->click();
  EXPECT_TRUE(Sent(R"(toc_chat_leave "8")")) << sock->sent;
}

TEST_F(WindowTest, ALostConnectionIsReportedAndEndsTheChat) {
  SignOnAndJoin();
  ASSERT_TRUE(window->InChat);
  sock->Fail("Network unreachable");
  EXPECT_EQ(window->lblStat->text(), QStringLiteral("Disconnected: Network unreachable"));
  EXPECT_FALSE(window->InChat);

  window->txtSn->clear();
  window->cmdSignon->click();
  sock->Open();
  sock->PeerClose();
  EXPECT_EQ(window->lblStat->text(), QStringLiteral("Disconnected: Connection closed by the server"))
      << "a close before the server named the user";

  SignOnAndJoin();
  sock->PeerClose();
  EXPECT_TRUE(window->lblStat->text().startsWith(QStringLiteral("Disconnected: ")))
      << window->lblStat->text().toStdString();
  EXPECT_FALSE(window->InChat);
}

TEST_F(WindowTest, StatusLineShowsNetworkTextAsPlainText) {
  SignOn();
  sock->Fail("<b>bold</b>");
  EXPECT_EQ(window->lblStat->textFormat(), Qt::PlainText);
  EXPECT_EQ(window->lblStat->text(), QStringLiteral("Disconnected: <b>bold</b>"));
}

TEST_F(WindowTest, WordBoxKeySequences) {
  QLineEdit* box = window->txtNotify;
  const auto type = [&](const char* keys) { QTest::keyClicks(box, QString::fromUtf8(keys)); };
  const auto enter = [&] { QTest::keyClick(box, Qt::Key_Return); };

  type("cat");
  enter();
  EXPECT_EQ(Words(), QStringList{"cat"});
  EXPECT_EQ(box->text(), QString());

  type("cat");
  enter();
  EXPECT_EQ(Words(), QStringList{"cat"}) << "a listed word typed again is not added";
  EXPECT_EQ(box->text(), QString());

  type("ca t");
  enter();
  EXPECT_EQ(Words(), (QStringList{"cat", "cat"})) << "equal only without its space, so added";

  type("Cat");
  enter();
  EXPECT_EQ(Words(), (QStringList{"cat", "cat", "Cat"})) << "compared case-sensitively";

  type("cats");
  EXPECT_EQ(box->text(), QStringLiteral("s"));
  box->clear();

  type("cat");
  QTest::sendKeyEvent(QTest::Click, box, Qt::Key_Delete, QString(QChar(0x7F)), Qt::NoModifier);
  EXPECT_EQ(box->text(), QStringLiteral("cat")) << "Delete produces no character";
  QTest::keyClick(box, Qt::Key_Backspace);
  EXPECT_EQ(box->text(), QString());

  type("   ");
  enter();
  EXPECT_EQ(Words(), (QStringList{"cat", "cat", "Cat", ""}));

  enter();
  EXPECT_EQ(Words().size(), 4) << "Enter on an empty box adds nothing";

  box->setText(QString::fromUtf16(u"d o\ng\r\n\u2028s\u2029"));
  enter();
  EXPECT_EQ(Words().back(), QStringLiteral("dogs")) << "a pasted line break goes as spaces do";
}

TEST_F(WindowTest, DoubleClickRemovesExactlyThatEntry) {
  for (const char* word : {"a", "b", "c"}) AddWord(QString::fromUtf8(word));
  QListWidget* list = window->lstNotify;
  QListWidgetItem* middle = list->item(1);
  const QPoint at = list->visualItemRect(middle).center();
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
  QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
  EXPECT_EQ(Words(), (QStringList{"a", "c"}));
}

TEST_F(WindowTest, AlertsOncePerListedWordFoundInTheCleanedText) {
  SignOnAndJoin();
  const struct {
    QStringList words;
    std::string message;
    std::vector<std::string> alerts;
  } cases[] = {
      {{"cat"}, "concatenate", {"bob: concatenate"}},
      {{"cat"}, "Cat", {}},
      {{"cat", "dog"}, "a dog and a cat", {"bob: a dog and a cat", "bob: a dog and a cat"}},
      {{"cat"}, "cat and cat", {"bob: cat and cat"}},
      {{"cat"}, "<b>cat</b>", {"bob: cat"}},
      {{"amp"}, "a &amp; b", {"bob: a &amp; b"}},
      {{"café"}, "un caf\xe9 noir", {"bob: un café noir"}},
      {{"café"}, "un caf\xc3\xa9 noir", {"bob: un café noir"}},
      {{""}, "<i></i>", {}},
      {{"cat"}, " <i>cat</i> ", {"bob:  cat "}},
  };
  for (const auto& c : cases) {
    window->lstNotify->clear();
    for (const QString& word : c.words) AddWord(word);
    alerts->shown.clear();
    Say("bob", c.message);
    EXPECT_EQ(alerts->shown, c.alerts) << c.message;
  }
}

TEST_F(WindowTest, OneAlertAtATimeWithLaterEventsHandledAfterInOrder) {
  SignOnAndJoin();
  window->chkConsole->setChecked(true);
  AddWord(QStringLiteral("cat"));
  const QString joined = window->lblStat->text();

  alerts->whileShowing = [&](std::size_t count) {
    if (count != 1) return;
    Deliver("CHAT_UPDATE_BUDDY:42:T:carol");
    EXPECT_NE(window->toc->UsersHere.Item("42")->Item("carol"), nullptr) << "occupants are still tracked";
    Say("carol", "cat 2");
    Say("dave", "a cat 3");
    sock->Deliver(flap::BuildFrame(flap::kKeepAlive, 9, ""));
    EXPECT_NE(sock->TakeSent(), "") << "keep-alives are still answered";
    sock->Fail("Network down");
    EXPECT_EQ(alerts->shown.size(), 1u) << "no second box while one is open";
    EXPECT_EQ(Transcript().back(), "myname is in Chat 'thelobby'") << "console lines wait";
    EXPECT_EQ(window->lblStat->text(), joined) << "the status line waits";
  };
  Say("bob", "cat 1");

  EXPECT_EQ(alerts->shown, (std::vector<std::string>{"bob: cat 1", "carol: cat 2", "dave: a cat 3"}));
  const std::vector<std::string> lines = Transcript();
  ASSERT_GE(lines.size(), 4u);
  EXPECT_EQ(std::vector<std::string>(lines.end() - 4, lines.end()),
            (std::vector<std::string>{"bob: cat 1", "carol has entered the room.", "carol: cat 2", "dave: a cat 3"}));
  EXPECT_EQ(window->lblStat->text(), QStringLiteral("Disconnected: Network down"));
}

// A room floods while one box stays open, past the bound of what may wait;
// the room is left, people come and go, then the connection drops. The
// session ends as it would have with no box open, every alert is shown or
// counted, every line is written or counted in the newest line, and what
// waited stayed bounded.
TEST_F(WindowTest, AFloodBehindAnAlertLosesNoStateAndCountsWhatGivesWay) {
  SignOnAndJoin();
  window->chkConsole->setChecked(true);
  AddWord(QStringLiteral("cat"));
  const std::string text(60000, 'x');
  constexpr std::size_t kAlerting = 600;
  alerts->whileShowing = [&](std::size_t count) {
    if (count != 1) return;
    for (int i = 0; i < 300; ++i) Say("bob", text);
    Deliver("CHAT_UPDATE_BUDDY:42:T:carol:dave");
    for (std::size_t i = 0; i < kAlerting; ++i) Say("bob", "cat " + text);
    Deliver("CHAT_UPDATE_BUDDY:42:F:Bob");
    Deliver("CHAT_LEFT:42");
    Say("bob", text);
    Deliver("CHAT_UPDATE_BUDDY:42:T:erin:frank");
    Deliver("CHAT_UPDATE_BUDDY:42:F:Erin");
    Deliver("CHAT_JOIN:43:other");
    sock->Fail("Network down");
  };
  Say("bob", "cat 1");

  EXPECT_EQ(window->lblStat->text(), QStringLiteral("Disconnected: Network down"));
  EXPECT_FALSE(window->InChat);
  EXPECT_EQ(People(), std::vector<std::string>{}) << "a lost connection ends the room";
  EXPECT_EQ(window->console->lblPpl->text(), QStringLiteral("0"));

  ASSERT_GE(alerts->shown.size(), 2u);
  const std::string& last = alerts->shown.back();
  const std::size_t dropped = std::stoul(last);
  EXPECT_EQ(last, std::to_string(dropped) + " more alerts were dropped: too many were waiting to be shown.");
  EXPECT_EQ(alerts->shown.size() - 2 + dropped, kAlerting) << "every alert is shown or counted";
  EXPECT_LE(window->Waiting().PeakWaitingBytes(), EventQueue::kMaxWaitingBytes);
  EXPECT_GT(window->Waiting().PeakWaitingBytes(), EventQueue::kMaxWaitingBytes - (1u << 20));
  EXPECT_EQ(Transcript(), (std::vector<std::string>{"", "erin has entered the room.", "frank has entered the room.",
                                                    "Erin has left the room.",
                                                    "(904 lines were not shown: too many waited behind an alert.)"}));
}

// The server repeats session frames behind a box: only what the window will
// show waits, and it ends as it would have with no box open.
TEST_F(WindowTest, RepeatedSessionFramesBehindAnAlertWaitAsTheLatestStateOnly) {
  SignOnAndJoin();
  window->chkConsole->setChecked(true);
  AddWord(QStringLiteral("cat"));
  alerts->whileShowing = [&](std::size_t count) {
    for (int i = 0; count == 1 && i < 3000; ++i) {
      Deliver("CONFIG2:m:1\ndone:\n");
      Deliver("CHAT_JOIN:" + std::to_string(i) + ":Room " + std::to_string(i));
      Deliver("CHAT_LEFT:" + std::to_string(i));
    }
  };
  Say("bob", "cat");
  EXPECT_EQ(window->lblStat->text(), QStringLiteral("Logged in, left chat"));
  EXPECT_EQ(window->console->windowTitle(), QStringLiteral("---"));
  EXPECT_LT(window->Waiting().PeakWaitingBytes(), 3 * EventQueue::kEntryBytes);
}

// Alerts wait up to their count and the rest are counted in one more;
// closing a box with its close box dismisses those waiting behind it.
TEST_F(WindowTest, WaitingAlertsAreBoundedByCountAndGoAllAtOnceWithTheCloseBox) {
  SignOnAndJoin();
  AddWord(QStringLiteral("cat"));
  alerts->whileShowing = [&](std::size_t count) {
    for (std::size_t i = 0; count == 1 && i < EventQueue::kMaxWaitingAlerts + 500; ++i) Say("bob", "cat");
  };
  Say("bob", "cat");
  ASSERT_EQ(alerts->shown.size(), EventQueue::kMaxWaitingAlerts + 2);
  EXPECT_EQ(alerts->shown.back(), "500 more alerts were dropped: too many were waiting to be shown.");
  alerts->shown.clear();
  alerts->closeAt = 2;
  Say("bob", "cat");
  EXPECT_EQ(alerts->shown, std::vector<std::string>(2, "bob: cat"));
}

// The history, not kept, says so; Preferences are saved and taken at once.
TEST_F(WindowTest, PreferencesFromTheFileMenuAreSavedAndTakeEffectAtOnce) {
  window->mnuHistory->trigger();
  EXPECT_EQ(window->lblStat->text(), QStringLiteral("No alert history is kept: keep one in Preferences"));
  QTimer::singleShot(0, [] {
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    for (auto* box : dialog->findChildren<QCheckBox*>()) {
      if (box->accessibleName() == QStringLiteral("Show an alert box")) box->setChecked(false);
    }
    dialog->findChild<QPlainTextEdit*>()->setPlainText(QStringLiteral("Eve"));
    dialog->accept();
  });
  window->mnuPreferences->trigger();
  const DeliverySettings saved = ReadDeliverySettings(*KlaxoSettings());
  EXPECT_FALSE(saved.alertBox);
  EXPECT_EQ(saved.senders.neverAlert, QStringList{"Eve"});
  EXPECT_EQ(window->Delivery(), saved);

  SignOnAndJoin();
  AddWord(QStringLiteral("cat"));
  Say("bob", "cat");
  EXPECT_TRUE(alerts->shown.empty()) << "no box once turned off";
}

TEST_F(WindowTest, SendToTrayKeepsTheWindowShownWithoutASystemTray) {
  ASSERT_FALSE(QSystemTrayIcon::isSystemTrayAvailable()) << "the window tests run offscreen, with no tray";
  window->mnuTray->trigger();
  EXPECT_TRUE(window->isVisible());
  EXPECT_FALSE(window->isMinimized());
  EXPECT_FALSE(mdlTray::TrayIconShown());
  EXPECT_EQ(window->lblStat->text(), QStringLiteral("No system tray on this desktop: the window stays open"));
}

TEST_F(WindowTest, ExitAndTheCloseBoxEndTheProgramWithoutSigningOff) {
  SignOn();
  const int closes = sock->closeCount;
  const std::function<void()> exits[] = {[&] { window->mnuExit->trigger(); }, [&] { window->close(); }};
  for (const auto& exit : exits) {
    window->show();
    QTimer::singleShot(0, exit);
    QTimer guard;
    QObject::connect(&guard, &QTimer::timeout, [] { QApplication::exit(1); });
    guard.start(10000);
    EXPECT_EQ(QApplication::exec(), 0) << "the program did not end";
  }
  EXPECT_EQ(sock->closeCount, closes) << "no sign-off";
  EXPECT_EQ(window->lblStat->text(), QStringLiteral("Logged on 'myname'"));
}

TEST_F(WindowTest, TrayMenuOffersExactlyShowAndExit) {
  QStringList shown;
  for (QAction* item : window->mnuForm->actions()) {
    if (item->isVisible()) shown.append(item->text());
  }
  EXPECT_EQ(shown, (QStringList{"Show", "Exit"}));
  QStringList bar;
  for (QAction* item : window->menuBar()->actions()) bar.append(item->text());
  EXPECT_EQ(bar, (QStringList{"File", "About", "Send to Tray"}));

  window->mnuAbout->trigger();
  ASSERT_EQ(alerts->about.size(), 1u);
  EXPECT_EQ(alerts->about[0], Klaxo::Caption().toStdString()) << "a one-line credit";
  EXPECT_TRUE(alerts->shown.empty());
}

TEST_F(WindowTest, ShowRestoresAHiddenMinimizedWindowToItsNormalSize) {
  window->showMaximized();
  window->showMinimized();
  window->hide();
  window->mnuShow->trigger();
  EXPECT_TRUE(window->isVisible());
  EXPECT_FALSE(window->isMinimized());
  EXPECT_FALSE(window->isMaximized());
}

TEST(MessageBoxAlerts, APlainTextBoxTitledAlertWithOneOkButtonOnTopThatFitsTheScreen) {
  const struct {
    const char* name;
    QString text;
    bool closeBox;  // closed with the close box, which dismisses the waiting alerts too
  } cases[] = {
      {"markup stays text", QStringLiteral("bob: <b>a &amp; b</b>"), false},
      {"60 KB of words", QStringLiteral("bob: ") + QStringLiteral("a cat sat. ").repeated(6000), false},
      {"one 60 KB word", QStringLiteral("bob: ") + QString(60000, QLatin1Char('w')), true},
  };
  // As on desktops whose buttons show icons, which offscreen ones do not.
  qApp->setStyleSheet(QStringLiteral("QDialogButtonBox { dialogbuttonbox-buttons-have-icons: 1 }"));
  const auto plain = qScopeGuard([] { qApp->setStyleSheet(QString()); });
  MessageBoxAlerts boxes;
  std::set<qint64> okIcons;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    bool inspected = false;
    QTimer::singleShot(0, [&] {
      auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget());
      ASSERT_NE(box, nullptr);
      // Closed whatever the checks find, so that a failure cannot hang the run.
      const auto close = qScopeGuard([box] { box->done(QDialog::Accepted); });
      inspected = true;
      EXPECT_EQ(box->windowTitle(), QStringLiteral("Alert"));
      EXPECT_EQ(box->windowModality(), Qt::ApplicationModal);
      EXPECT_TRUE(box->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
      const auto buttons = box->findChildren<QAbstractButton*>();
      ASSERT_EQ(buttons.size(), 1);
      EXPECT_EQ(buttons[0]->text().remove(QLatin1Char('&')), QStringLiteral("OK"));
      EXPECT_FALSE(buttons[0]->icon().isNull());
      okIcons.insert(buttons[0]->icon().cacheKey());
      const auto* view = box->findChild<QPlainTextEdit*>();
      ASSERT_NE(view, nullptr);
      EXPECT_TRUE(view->isReadOnly());
      EXPECT_EQ(view->toPlainText(), c.text);
      const QRect area = box->screen()->availableGeometry();
      EXPECT_TRUE(area.contains(box->frameGeometry()))
          << "box " << box->frameGeometry().width() << "x" << box->frameGeometry().height() << " in " << area.width()
          << "x" << area.height();
      EXPECT_TRUE(area.contains(buttons[0]->mapToGlobal(buttons[0]->rect().bottomRight())));
      EXPECT_EQ(view->horizontalScrollBar()->maximum(), 0) << "long words break instead of widening the box";
      c.closeBox ? void(box->close()) : buttons[0]->click();
    });
    EXPECT_EQ(boxes.ShowAlert(c.text), c.closeBox ? AlertPresenter::Closed::AllWaiting : AlertPresenter::Closed::One);
    EXPECT_TRUE(inspected);
  }
  // A new icon per box would add to the pixmap cache with every alert.
  EXPECT_EQ(okIcons.size(), 1u) << "every box draws the one OK icon";

  QString about;
  QTimer::singleShot(0, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    about = box->windowTitle() + QStringLiteral("|") + box->text();
    EXPECT_EQ(box->icon(), QMessageBox::NoIcon);
    EXPECT_EQ(box->standardButtons(), QMessageBox::Ok);
    EXPECT_EQ(box->textFormat(), Qt::PlainText);
    box->button(QMessageBox::Ok)->click();
  });
  MessageBoxAlerts().ShowAbout(QStringLiteral("<b>credit</b>"));
  EXPECT_EQ(about, QStringLiteral("About|<b>credit</b>"));
}

namespace {
// The names of the widgets that Tab visits from first, in the order visited.
QStringList TabOrderFrom(QWidget* first, qsizetype count) {
  QStringList visited;
  for (QWidget* widget = first; visited.size() < count; widget = widget->nextInFocusChain()) {
    if ((widget->focusPolicy() & Qt::TabFocus) != 0) visited.append(widget->objectName());
  }
  return visited;
}
}  // namespace

TEST_F(WindowTest, TabMovesThroughTheControlsInTheirOrder) {
  EXPECT_EQ(TabOrderFrom(window->chkConsole, 11),
            (QStringList{"chkConsole", "txtNotify", "cmdLeave", "cmdJoin", "cmdSignoff", "cmdSignon", "lstNotify",
                         "txtEx", "txtCr", "txtPw", "txtSn"}));
  EXPECT_EQ(TabOrderFrom(window->ConsoleWindow().txtChatBox, 4),
            (QStringList{"txtChatBox", "txtMessage", "lstUsers", "cmdSend"}));
}

TEST_F(WindowTest, ControlsHaveTheirCaptionsAndPlacesInTwips) {
  const frmConsole& c = window->ConsoleWindow();
  const struct {
    const QWidget* widget;
    const char* caption;
    int left, top, width, height;
  } controls[] = {
      {window->txtSn, "", 360, 120, 1695, 285},
      {window->txtPw, "", 360, 480, 1695, 285},
      {window->txtCr, "", 360, 1200, 1455, 285},
      {window->txtEx, "4", 1800, 1200, 255, 285},
      {window->lstNotify, "", 2160, 360, 1335, 1620},
      {window->cmdSignon, "Sign On", 360, 840, 855, 255},
      {window->cmdSignoff, "Sign Off", 1320, 840, 735, 255},
      {window->cmdJoin, "Join", 360, 1560, 735, 255},
      {window->cmdLeave, "Leave", 1200, 1560, 855, 255},
      {window->txtNotify, "", 2160, 2040, 1335, 285},
      {window->chkConsole, "Open Chatroom Console", 360, 2280, 3135, 255},
      {window->Label2, "SN", 0, 120, 255, 255},
      {window->Label3, "PW", 0, 480, 375, 255},
      {window->Label4, "CR", 0, 1200, 255, 255},
      {window->lblStat, "Status - ", 360, 1920, 1695, 375},
      {window->Label5, "Word List", 2160, 120, 1095, 255},
      {c.cmdSend, "Send", 4440, 3240, 1575, 255},
      {c.lstUsers, "", 4440, 360, 1575, 2790},
      {c.txtMessage, "", 120, 3240, 4215, 285},
      {c.txtChatBox, "", 120, 120, 4215, 3015},
      {c.lblPpl, "0", 5520, 120, 375, 255},
      {c.Label1, "People Here", 4440, 120, 975, 255},
  };
  // 15 twips make one pixel.
  for (const auto& control : controls) {
    const std::string name = control.widget->objectName().toStdString();
    EXPECT_EQ(control.widget->property("text").toString(), QString::fromUtf8(control.caption)) << name;
    EXPECT_EQ(control.widget->geometry(),
              QRect(control.left / 15, control.top / 15, control.width / 15, control.height / 15))
        << name;
  }
  EXPECT_EQ(window->centralWidget()->size(), QSize(3585 / 15, 2565 / 15));
  EXPECT_EQ(c.size(), QSize(6090 / 15, 3615 / 15));

  // The console grows: the transcript and the people list take the room,
  // the boxes below and beside them follow.
  frmConsole& console = window->ConsoleWindow();
  console.show();
  console.resize(c.size() + QSize(100, 50));
  QApplication::processEvents();
  EXPECT_EQ(console.txtChatBox->geometry(), QRect(8, 8, 281 + 100, 201 + 50));
  EXPECT_EQ(console.lstUsers->geometry(), QRect(296 + 100, 24, 105, 186 + 50));
  EXPECT_EQ(console.txtMessage->geometry(), QRect(8, 216 + 50, 281 + 100, 19));
  EXPECT_EQ(console.cmdSend->geometry().topLeft(), QPoint(296 + 100, 216 + 50));
  EXPECT_EQ(console.lblPpl->geometry().topLeft(), QPoint(368 + 100, 8));
}
