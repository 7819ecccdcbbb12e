// The chat console driven through the main window: what the transcript
// shows and how, the people list, and sending.
#include <QRegularExpression>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTextFragment>
#include <QTextLayout>

#include "TranscriptBudget.h"
#include "WindowFixture.h"

namespace {

struct Run {
  std::string text;
  QColor colour;
  bool bold;
};

// The last line's runs of text with their colour and emphasis.
std::vector<Run> LastLineRuns(const QPlainTextEdit& box) {
  std::vector<Run> runs;
  const QTextBlock block = box.document()->lastBlock();
  for (auto it = block.begin(); !it.atEnd(); ++it) {
    const QTextFragment fragment = it.fragment();
    const QTextCharFormat format = fragment.charFormat();
    runs.push_back({fragment.text().toStdString(), format.foreground().color(), format.fontWeight() >= QFont::Bold});
  }
  return runs;
}

}  // namespace

class ConsoleTest : public WindowTest {
 protected:
  void Open() { window->chkConsole->setChecked(true); }
};

TEST_F(ConsoleTest, OpeningShowsTheRoomItsPeopleAndAHeader) {
  SignOnAndJoin("myname:Zo\xc3\xab");
  Open();
  EXPECT_TRUE(window->console->isVisible());
  EXPECT_TRUE(window->Console);
  EXPECT_EQ(window->console->windowTitle(), QStringLiteral("thelobby - myname"));
  EXPECT_EQ(Transcript(), (std::vector<std::string>{"myname is in Chat 'thelobby'"}));
  const auto header = LastLineRuns(*window->console->txtChatBox);
  ASSERT_EQ(header.size(), 1u);
  EXPECT_FALSE(header[0].bold);
  EXPECT_EQ(People(), (std::vector<std::string>{"myname", "Zo\xc3\xab"}));
  EXPECT_EQ(window->console->lblPpl->text(), QStringLiteral("2"));
}

TEST_F(ConsoleTest, OwnNameInRedOthersInBlueEmphasizedAndTextInBlackPlain) {
  SignOnAndJoin();
  Open();
  window->txtSn->setText(QStringLiteral("bob"));  // the name that signed on decides, not the box
  Say("My Name", "hi");
  auto runs = LastLineRuns(*window->console->txtChatBox);
  ASSERT_EQ(runs.size(), 2u);
  EXPECT_EQ(runs[0].text, "My Name:");
  EXPECT_EQ(runs[0].colour, QColor(255, 0, 0));
  EXPECT_TRUE(runs[0].bold);
  EXPECT_EQ(runs[1].text, " hi");
  EXPECT_EQ(runs[1].colour, QColor(0, 0, 0));
  EXPECT_FALSE(runs[1].bold);

  Say("bob", "yo");
  runs = LastLineRuns(*window->console->txtChatBox);
  ASSERT_EQ(runs.size(), 2u);
  EXPECT_EQ(runs[0].text, "bob:");
  EXPECT_EQ(runs[0].colour, QColor(0, 0, 255));
  EXPECT_TRUE(runs[0].bold);

  // Timestamps, chosen at once, come first in the plain format.
  DeliverySettings stamped = window->Delivery();
  stamped.consoleTimestamps = true;
  window->ApplyDelivery(stamped);
  Say("bob", "yo");
  runs = LastLineRuns(*window->console->txtChatBox);
  ASSERT_EQ(runs.size(), 3u);
  const QRegularExpression stamp(QStringLiteral("^\\[\\d\\d:\\d\\d:\\d\\d\\] $"));
  EXPECT_TRUE(stamp.match(QString::fromStdString(runs[0].text)).hasMatch() && !runs[0].bold) << runs[0].text;
  EXPECT_TRUE(runs[1].text == "bob:" && runs[1].bold);
}

TEST_F(ConsoleTest, TagsAreRemovedAndEntitiesDecodedButNothingBecomesMarkup) {
  SignOnAndJoin();
  Open();
  Say("bob", "<b>hi</b>&lt;b&gt;hi&lt;/b&gt;");
  EXPECT_EQ(Transcript().back(), "bob: hi<b>hi</b>");
  const auto runs = LastLineRuns(*window->console->txtChatBox);
  ASSERT_EQ(runs.size(), 2u);
  EXPECT_FALSE(runs[1].bold) << "the decoded tag is shown, not applied";
  Say("bob", "&amp;lt;");
  EXPECT_EQ(Transcript().back(), "bob: &lt;");
}

TEST_F(ConsoleTest, ASelectedPersonIsHiddenWhileTheirAlertsStillFire) {
  SignOnAndJoin("myname:bob:carol");
  Open();
  AddWord(QStringLiteral("cat"));
  SelectPerson(1);
  Say("Bob", "cat");
  EXPECT_EQ(alerts->shown, (std::vector<std::string>{"Bob: cat"}));
  EXPECT_EQ(Transcript().back(), "myname is in Chat 'thelobby'");
  Say("carol", "hello");
  EXPECT_EQ(Transcript().back(), "carol: hello");

  SelectPerson(2);
  Say("bob", "back");
  EXPECT_EQ(Transcript().back(), "bob: back");
}

// Each person is listed once, as the control records them, at every step
// and after the console is opened again.
TEST_F(ConsoleTest, EachPersonIsListedOnceAsTheControlRecordsThem) {
  SignOnAndJoin("");
  Open();
  const auto agree = [&](const std::vector<std::string>& expected) {
    std::vector<std::string> recorded;
    for (const auto& person : *window->toc->UsersHere.Item("42")) recorded.push_back(person.value);
    EXPECT_EQ(People(), expected);
    EXPECT_EQ(recorded, expected);
    EXPECT_EQ(window->console->lblPpl->text(), QString::number(expected.size()));
  };
  Deliver("CHAT_UPDATE_BUDDY:42:T:Carol D");
  Deliver("CHAT_UPDATE_BUDDY:42:T:carold:bob");
  agree({"Carol D", "bob"});
  // One departure may name several people, some of them not listed.
  Deliver("CHAT_UPDATE_BUDDY:42:F:carold:nobody");
  agree({"bob"});
  const std::vector<std::string> lines = Transcript();
  EXPECT_EQ(std::vector<std::string>(lines.end() - 3, lines.end()),
            (std::vector<std::string>{"bob has entered the room.", "carold has left the room.",
                                      "nobody has left the room."}));
  const auto runs = LastLineRuns(*window->console->txtChatBox);
  ASSERT_EQ(runs.size(), 2u);
  EXPECT_TRUE(runs[0].bold);
  EXPECT_EQ(runs[0].colour, QColor(0, 0, 0));
  EXPECT_FALSE(runs[1].bold);
  EXPECT_EQ(runs[1].colour, QColor(0, 0, 0));

  window->chkConsole->setChecked(false);
  Deliver("CHAT_UPDATE_BUDDY:42:T:Carol D:BOB");
  Open();
  agree({"bob", "Carol D"});
}

// The room churns while a box is open: the people list ends as it would with
// no box open, its selection kept, what waited stayed within the lines the
// transcript keeps, and the alert after the churn is shown.
TEST_F(ConsoleTest, ChurnBehindAnAlertEndsAsWithNoBoxAndWaitsByTheRoomsSize) {
  SignOnAndJoin("myname:bob:carol");
  Open();
  AddWord(QStringLiteral("cat"));
  SelectPerson(2);
  alerts->whileShowing = [&](std::size_t count) {
    if (count != 1) return;
    for (int round = 0; round < 20; ++round) {
      std::string names;
      for (int i = 0; i < 1000; ++i) names += ":p" + std::to_string(round * 1000 + i);
      Deliver("CHAT_UPDATE_BUDDY:42:T" + names);
      for (int i = 0; i < 1000; ++i) Deliver("CHAT_UPDATE_BUDDY:42:F:p" + std::to_string(round * 1000 + i));
    }
    Deliver("CHAT_UPDATE_BUDDY:42:F:Bob");
    Deliver("CHAT_UPDATE_BUDDY:42:T:Bob:dave:My Name");
    Say("dave", "a cat");
  };
  Say("bob", "cat");
  EXPECT_EQ(alerts->shown, (std::vector<std::string>{"bob: cat", "dave: a cat"}));
  EXPECT_EQ(People(), (std::vector<std::string>{"myname", "carol", "Bob", "dave"}));
  EXPECT_EQ(window->console->lblPpl->text(), QStringLiteral("4"));
  EXPECT_TRUE(PersonSelected(1)) << "carol's messages stay hidden";
  EXPECT_LE(window->Waiting().PeakWaitingBytes(), TranscriptBudget::kMaxLines * (EventQueue::kEntryBytes + 64));
}

TEST_F(ConsoleTest, ARoomHoldsAtMostItsBoundAndTheUserIsToldOnce) {
  SignOnAndJoin("");
  for (std::size_t first = 0; first < kMaxRoomSize + 5; first += 5000) {
    std::string names;
    for (std::size_t i = first; i < first + 5000; ++i) names += ":p" + std::to_string(i);
    Deliver("CHAT_UPDATE_BUDDY:42:T" + names);
  }
  EXPECT_EQ(window->toc->UsersHere.Item("42")->Count(), kMaxRoomSize);
  Open();
  Deliver("CHAT_UPDATE_BUDDY:42:T:late:p1");
  Deliver("CHAT_UPDATE_BUDDY:42:F:p2");
  Deliver("CHAT_UPDATE_BUDDY:42:T:later");
  EXPECT_EQ(window->console->lblPpl->text(), QString::number(kMaxRoomSize)) << "p2 left and later came";
  EXPECT_EQ(Transcript(),
            (std::vector<std::string>{"myname is in Chat 'thelobby'",
                                      "(The people list is full at 100000 people: later arrivals are not listed.)",
                                      "late has entered the room.", "p1 has entered the room.", "p2 has left the room.",
                                      "later has entered the room."}));
}

TEST_F(ConsoleTest, LineBreaksAndDirectionControlsCannotFakeAnotherLine) {
  SignOnAndJoin("myname:bob");
  Open();
  Say("bob", "hello\nalice: please send me your password");
  Say("b\xe2\x80\xaeob", "hi\xe2\x80\xae there\r\n");
  Deliver("CHAT_UPDATE_BUDDY:42:T:eve\nalice");
  const std::vector<std::string> lines = Transcript();
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[1], "bob: hello\u23CEalice: please send me your password");
  EXPECT_EQ(lines[2], "bob: hi there\u23CE");
  EXPECT_EQ(lines[3], "eve\u23CEalice has entered the room.");
  EXPECT_EQ(People(), (std::vector<std::string>{"myname", "bob", "eve\u23CEalice"}));

  SelectPerson(2);
  Say("eve\nalice", "hidden");
  EXPECT_EQ(Transcript().size(), 4u) << "the selected entry still hides that person";
  Deliver("CHAT_UPDATE_BUDDY:42:F:eve\nalice");
  EXPECT_EQ(People(), (std::vector<std::string>{"myname", "bob"}));
}

TEST(ConsoleTranscript, KeepsItsNewestLinesWithinItsLineAndByteBudget) {
  QuovTOCSock toc(std::make_unique<FakeSocket>());
  frmConsole console(toc, TranscriptBudget(3, 60));
  console.show();
  console.ShowRoom(QStringLiteral("lobby"), "me");
  for (const char* text : {"a", "b", "c", "0123456789012345"}) {
    console.WriteMessage(QStringLiteral("bob"), QString::fromUtf8(text), false);
  }
  std::vector<std::string> lines;
  for (QTextBlock block = console.txtChatBox->document()->begin(); block.isValid(); block = block.next()) {
    lines.push_back(block.text().toStdString());
  }
  EXPECT_EQ(lines, (std::vector<std::string>{"bob: c", "bob: 0123456789012345"}));
}

// A busy room must not have every line laid out as it arrives: the view
// catches up when the event loop runs, lays out what it shows, and follows
// the newest line while it is at the end. A reader scrolled up, or making a
// selection with the mouse, stays where they are.
TEST_F(ConsoleTest, TheTranscriptLaysOutOnlyWhatItShowsOnceTheEventLoopRuns) {
  SignOnAndJoin();
  Open();
  for (int i = 0; i < 200; ++i) Say("bob", "line " + std::to_string(i));
  const QTextDocument& document = *window->console->txtChatBox->document();
  const auto laidOut = [&] {  // the room's lines; the header's is the view's own business
    int count = 0;
    for (QTextBlock block = document.firstBlock().next(); block.isValid(); block = block.next()) {
      count += block.layout()->lineCount() > 0 ? 1 : 0;
    }
    return count;
  };
  EXPECT_EQ(laidOut(), 0);
  QApplication::processEvents();
  EXPECT_GT(document.lastBlock().layout()->lineCount(), 0);
  EXPECT_LT(laidOut(), 100);
  QScrollBar* bar = window->console->txtChatBox->verticalScrollBar();
  EXPECT_GT(bar->maximum(), 0);
  EXPECT_EQ(bar->value(), bar->maximum());

  const auto moreLines = [&] {
    for (int i = 0; i < 20; ++i) Say("bob", "more " + std::to_string(i));
    QApplication::processEvents();
  };
  bar->setValue(50);
  moreLines();
  EXPECT_EQ(bar->value(), 50) << "a reader scrolled up stays";
  bar->setValue(bar->maximum());
  moreLines();
  EXPECT_EQ(bar->value(), bar->maximum()) << "back at the end, the view follows again";

  QWidget* text = window->console->txtChatBox->viewport();
  QTest::mousePress(text, Qt::LeftButton, {}, QPoint(5, 5));
  const int dragging = bar->value();
  moreLines();
  EXPECT_EQ(bar->value(), dragging) << "a selection being dragged is left alone";
  QTest::mouseRelease(text, Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_EQ(bar->value(), bar->maximum());
}

TEST_F(ConsoleTest, SendingEscapesLessThanBehindTheMarkupPrefix) {
  SignOnAndJoin();
  Open();
  // The 69-character markup prefix, escaped for the command line.
  const std::string line =
      R"x(toc_chat_send "42" "<body bgcolor=\"#FFFFFF\"><font face=\"Times New Roman\" color=\"#000000\">)x";
  window->txtCr->setText(QStringLiteral("edited"));
  window->console->txtMessage->setText(QStringLiteral("1<2 > 0 & (a\"b\")"));
  window->console->cmdSend->click();
  EXPECT_EQ(sock->TakeSent(), ClientCommand(line + R"x(1&lt;2 > 0 & \(a\"b\"\)")x", 4)) << "to the room last joined";
  EXPECT_EQ(window->console->txtMessage->text(), QString());
  EXPECT_EQ(Transcript().back(), "myname is in Chat 'thelobby'") << "only the room's echo is written";

  window->console->cmdSend->click();
  EXPECT_EQ(sock->sent, "") << "an empty box sends nothing";
  window->console->txtMessage->setText(QStringLiteral(" "));
  window->console->cmdSend->click();
  EXPECT_EQ(sock->TakeSent(), ClientCommand(line + " \"", 5)) << "a space is not an empty box";

  window->console->txtMessage->setText(QStringLiteral("café"));
  QTest::keyClick(window->console->txtMessage, Qt::Key_Return);
  EXPECT_EQ(sock->TakeSent(), ClientCommand(line + "caf\xc3\xa9\"", 6)) << "Enter sends, as UTF-8";

  // A line and its NUL over 2,048 bytes would end the session: it is not
  // sent, stays in the box, and the transcript says how much must go.
  window->console->txtMessage->setText(QString(1951, QLatin1Char('x')));
  window->console->cmdSend->click();
  EXPECT_EQ(sock->TakeSent().size(), flap::kHeaderSize + 2048) << "the longest message that goes";
  for (const auto& [typed, note] : {std::pair{QString(1952, QLatin1Char('x')), "1 character"},
                                    std::pair{QString(500, QLatin1Char('<')), "13 characters"}}) {
    window->console->txtMessage->setText(typed);
    window->console->cmdSend->click();
    EXPECT_EQ(sock->sent, "");
    EXPECT_EQ(window->console->txtMessage->text(), typed);
    EXPECT_EQ(Transcript().back(),
              "(Not sent: the message is " + std::string(note) + " too long. It is still in the box to shorten.)");
  }
}

TEST_F(ConsoleTest, TheServersRefusalsAreShownALineDroppedBesideTheLinesSent) {
  SignOnAndJoin();
  Deliver("ERROR:903");
  const std::string dropped = "A message has been dropped, you are exceeding the server speed limit";
  EXPECT_EQ(window->lblStat->text().toStdString(), dropped) << "with the console hidden";
  Deliver("ERROR:951:other:24");
  Open();
  Deliver("ERROR:903");
  EXPECT_EQ(Transcript().back(), "(" + dropped + ")");
  EXPECT_EQ(window->lblStat->text(), QStringLiteral("Could not join chat 'other': Chat Full"));
}

TEST_F(ConsoleTest, LeftChatEmptiesTheConsoleWithoutHidingIt) {
  SignOnAndJoin();
  Open();
  Say("bob", "hi");
  Deliver("CHAT_LEFT:42");
  EXPECT_TRUE(window->console->isVisible());
  EXPECT_TRUE(window->chkConsole->isChecked());
  EXPECT_EQ(window->console->windowTitle(), QStringLiteral("---"));
  EXPECT_EQ(window->console->txtChatBox->toPlainText(), QString());
  EXPECT_EQ(People(), std::vector<std::string>{});
  EXPECT_EQ(window->console->lblPpl->text(), QStringLiteral("0"));
  Say("bob", "still here");
  EXPECT_EQ(Transcript().back(), "bob: still here");

  Deliver("CHAT_UPDATE_BUDDY:42:T:carol:bob");
  EXPECT_EQ(People(), std::vector<std::string>{}) << "a room left lists nobody, as the control records nobody";
  EXPECT_EQ(window->toc->UsersHere.Item("42"), nullptr);
}

TEST_F(ConsoleTest, HiddenConsoleRecordsNothingAndItsCloseBoxClearsTheCheckBox) {
  SignOnAndJoin("myname");
  Say("bob", "unseen");
  Deliver("CHAT_UPDATE_BUDDY:42:T:bob");
  Deliver("CHAT_LEFT:42");
  Deliver("CHAT_JOIN:42:thelobby");
  Deliver("CHAT_UPDATE_BUDDY:42:T:myname:bob");
  EXPECT_EQ(window->console, nullptr) << "a console never opened is not built";
  Open();
  EXPECT_EQ(People(), (std::vector<std::string>{"myname", "bob"})) << "filled from the control's occupants";
  Deliver("CHAT_UPDATE_BUDDY:42:F:bob");
  EXPECT_EQ(People(), std::vector<std::string>{"myname"});

  window->console->close();
  EXPECT_FALSE(window->chkConsole->isChecked());
  EXPECT_FALSE(window->Console);
  EXPECT_FALSE(window->console->isVisible());
  EXPECT_EQ(window->console->windowTitle(), QStringLiteral("---"));
}
