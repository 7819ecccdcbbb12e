// The application's pure rules: the exchange reader, word matching, the
// console's texts, the text edge, the --server option, the one-at-a-time
// event queue, the session's timing and the word list file's format. The word box's key rule is tested through the
// window.
#include <gtest/gtest.h>

#include <QString>
#include <optional>
#include <string>
#include <vector>

#include "ConsoleText.h"
#include "EventQueue.h"
#include "ExchangeReader.h"
#include "ServerAddress.h"
#include "SessionKeeper.h"
#include "TextEdge.h"
#include "WordList.h"
#include "WordsFile.h"

namespace {

std::string Print(const QString& text) { return text.toStdString(); }

using std::chrono::milliseconds;
using std::chrono::minutes;
using std::chrono::seconds;

}  // namespace

TEST(ExchangeReader, ReadsTheBoxLikeTheClassicValFunction) {
  const struct {
    const char16_t* text;
    std::optional<std::int16_t> exchange;
  } cases[] = {
      {u"", 0},
      {u"4", 4},
      {u"4x", 4},
      {u" 1 2 ", 12},
      {u"&H10", 16},
      {u"&h1f", 31},
      {u"&O17", 15},
      {u"&O18", 1},
      {u"&H", 0},
      {u"2.5", 2},
      {u"3.5", 4},
      {u"-2.5", -2},
      {u"2.51", 3},
      {u"99999", std::nullopt},
      {u"32767", 32767},
      {u"32767.5", std::nullopt},
      {u"-32768", -32768},
      {u"-32768.5", -32768},
      {u"-32769", std::nullopt},
      {u"x4", 0},
      {u"+7", 7},
      {u"--7", 0},
      {u"1e2", 100},
      {u"1D2", 100},
      {u"1e", 1},
      {u"1e+", 1},
      {u"1.5e1", 15},
      {u"1e9", std::nullopt},
      {u".5", 0},
      {u"1.2.3", 1},
      {u"\t4\n2", 42},
      {u"&HFFFFF", std::nullopt},
      {u"1e999", std::nullopt},
      {u"&", 0},
  };
  for (const auto& c : cases) {
    const std::u16string text(c.text);
    EXPECT_EQ(ReadExchange(text), c.exchange) << Print(QString::fromStdU16String(text));
  }
}

TEST(WordMatching, OneEntryPerMatchInListOrderAndNothingInEmptyText) {
  EXPECT_EQ(MatchingWords({"dog", "cat", "dog"}, QStringLiteral("cat and dog")), (QStringList{"dog", "cat", "dog"}));
  EXPECT_EQ(MatchingWords({"cat", "dog"}, QStringLiteral("dog")), QStringList{"dog"});
  EXPECT_EQ(MatchingWords({""}, QStringLiteral("x")), QStringList{""});
  EXPECT_EQ(MatchingWords({""}, QString()), QStringList{});
}

TEST(ConsoleText, TagsGoBeforeEntitiesAndAmpersandIsDecodedLast) {
  const struct {
    const char* message;
    const char* shown;
  } cases[] = {
      {"<b>hi</b>&lt;b&gt;hi&lt;/b&gt;", "hi<b>hi</b>"},
      {"&amp;lt;", "&lt;"},
      {"a &gt; b &amp; c", "a > b & c"},
      {"x>y<z", "x>y<z"},
      {"<font color=red>caf\xc3\xa9</font>", "caf\xc3\xa9"},
  };
  for (const auto& c : cases) EXPECT_EQ(Print(DisplayText(QString::fromUtf8(c.message))), c.shown) << c.message;
}

TEST(ConsoleText, OutgoingMessageEscapesOnlyLessThanBehindThePrefix) {
  const QString prefix = QStringLiteral("<body bgcolor=\"#FFFFFF\"><font face=\"Times New Roman\" color=\"#000000\">");
  ASSERT_EQ(prefix.size(), 69);
  EXPECT_EQ(OutgoingMessage(QStringLiteral("1<2")), prefix + QStringLiteral("1&lt;2"));
  EXPECT_EQ(OutgoingMessage(QStringLiteral("a>b & \"c\"")), prefix + QStringLiteral("a>b & \"c\""));
}

TEST(TextEdge, DecodesUtf8WhereValidAndLatin1Otherwise) {
  EXPECT_EQ(FromWire("caf\xc3\xa9"), QStringLiteral("café"));
  EXPECT_EQ(FromWire("caf\xe9"), QStringLiteral("café"));
  EXPECT_EQ(FromWire("\xc3"), QString(QChar(0xc3)));
  EXPECT_EQ(FromWire(std::string("a\0b", 3)), QString::fromLatin1("a\0b", 3));
  EXPECT_EQ(ToWire(QStringLiteral("café")), "caf\xc3\xa9");
  EXPECT_TRUE(SamePerson(QStringLiteral("My Name"), QStringLiteral("myname")));
  EXPECT_FALSE(SamePerson(QStringLiteral("My Name"), QStringLiteral("myname2")));
  EXPECT_EQ(NormalizeText(QStringLiteral("The Lobby É")), QStringLiteral("thelobbyÉ"));
}

TEST(ServerOption, ReadsHostAndOptionalPort) {
  const struct {
    const char* text;
    bool ok;
    const char* host;
    int port;
  } cases[] = {
      {"example.org", true, "example.org", 5190},
      {"example.org:6000", true, "example.org", 6000},
      {"127.0.0.1:1", true, "127.0.0.1", 1},
      {"[::1]:5191", true, "::1", 5191},
      {"::1", true, "::1", 5190},
      {"[::1]", true, "::1", 5190},
      {"host:", false, "", 0},
      {"host:0", false, "", 0},
      {"host:65536", false, "", 0},
      {"host:x", false, "", 0},
      {":5190", false, "", 0},
      {"", false, "", 0},
      {"[::1", false, "", 0},
      {"[::1]x", false, "", 0},
  };
  for (const auto& c : cases) {
    const auto address = ParseServerAddress(QString::fromUtf8(c.text));
    ASSERT_EQ(address.has_value(), c.ok) << c.text;
    if (!address) continue;
    EXPECT_EQ(Print(address->host), c.host) << c.text;
    EXPECT_EQ(address->port, c.port) << c.text;
  }
}

TEST(EventQueue, WorkArrivingWhileWorkRunsWaitsAndRunsInOrder) {
  EventQueue queue;
  std::vector<std::string> done;
  queue.Run([&] {
    done.emplace_back("first begins");
    queue.Run([&] {
      done.emplace_back("second");
      queue.Run([&] { done.emplace_back("fourth"); });
    });
    queue.Run([&] { done.emplace_back("third"); });
    EXPECT_TRUE(queue.Busy());
    done.emplace_back("first ends");
  });
  EXPECT_FALSE(queue.Busy());
  EXPECT_EQ(done, (std::vector<std::string>{"first begins", "first ends", "second", "third", "fourth"}));
}

TEST(EventQueue, WaitingWorkIsBounded) {
  EventQueue queue;
  std::size_t ran = 0;
  queue.Run([&] {
    for (std::size_t i = 0; i < EventQueue::kMaxWaiting + 5; ++i) queue.Run([&] { ++ran; });
  });
  EXPECT_EQ(ran, EventQueue::kMaxWaiting);
  queue.Run([&] { ++ran; });
  EXPECT_EQ(ran, EventQueue::kMaxWaiting + 1) << "work runs again once the queue has drained";
}

TEST(SessionKeeper, RetryDelaysDoubleUpToFiveMinutesShortenedByUpToAFifth) {
  double random = 0;
  SessionKeeper keeper(true, [&] { return random; });
  milliseconds now(1000);
  keeper.SignOnPressed(now);
  std::vector<std::int64_t> delays;
  for (int i = 0; i < 10; ++i) {
    const auto delay = keeper.Dropped(now);
    ASSERT_TRUE(delay);
    delays.push_back(delay->count());
    ASSERT_EQ(keeper.NextWake(), now + *delay);
    EXPECT_EQ(keeper.Wake(now + *delay - milliseconds(1)), SessionKeeper::Due::Nothing);
    now += *delay;
    ASSERT_EQ(keeper.Wake(now), SessionKeeper::Due::SignOnAgain);
  }
  EXPECT_EQ(delays, (std::vector<std::int64_t>{2000, 4000, 8000, 16000, 32000, 64000, 128000, 256000, 300000, 300000}));

  random = 0.75;
  EXPECT_EQ(keeper.Dropped(now), milliseconds(255000)) << "shortened by a fifth of the random number";
  keeper.SignOnPressed(now);
  EXPECT_EQ(keeper.Dropped(now), milliseconds(1700)) << "Sign On starts again from 2 s";
  random = 0.5;
  keeper.Wake(*keeper.NextWake());
  EXPECT_EQ(keeper.Dropped(now), milliseconds(3600));
}

TEST(SessionKeeper, DelaysStartAgainOnlyAfterASessionOfFiveMinutes) {
  SessionKeeper keeper(true, [] { return 0.0; });
  milliseconds now(0);
  keeper.SignOnPressed(now);
  std::vector<std::int64_t> delays;
  for (const milliseconds lasted :
       std::initializer_list<milliseconds>{seconds(0), minutes(4), minutes(5), seconds(1)}) {
    keeper.LoggedIn(now);
    now += lasted;
    const auto delay = keeper.Dropped(now);
    ASSERT_TRUE(delay);
    delays.push_back(std::chrono::duration_cast<seconds>(*delay).count());
    now += *delay;
    ASSERT_EQ(keeper.Wake(now), SessionKeeper::Due::SignOnAgain);
  }
  EXPECT_EQ(delays, (std::vector<std::int64_t>{2, 4, 2, 4}));
}

TEST(SessionKeeper, SignOnLimitAndWhatStopsTheRetries) {
  SessionKeeper keeper(true, [] { return 0.0; });
  keeper.SignOnPressed(seconds(10));
  EXPECT_EQ(keeper.NextWake(), seconds(70));
  EXPECT_EQ(keeper.Wake(seconds(70)), SessionKeeper::Due::SignOnTimedOut);
  EXPECT_EQ(keeper.Dropped(seconds(70)), seconds(2)) << "a sign-on out of time is a failed try";
  EXPECT_EQ(keeper.Wake(seconds(72)), SessionKeeper::Due::SignOnAgain);
  EXPECT_EQ(keeper.NextWake(), seconds(132)) << "every try has its own time limit";
  keeper.LoggedIn(seconds(80));
  EXPECT_EQ(keeper.NextWake(), std::nullopt);

  keeper.Dropped(seconds(90));
  keeper.SignOffPressed();
  EXPECT_EQ(keeper.NextWake(), std::nullopt);
  EXPECT_EQ(keeper.Dropped(seconds(95)), std::nullopt) << "no session wanted after Sign Off";

  keeper.SignOnPressed(seconds(100));
  keeper.Refused();
  EXPECT_EQ(keeper.NextWake(), std::nullopt);
  EXPECT_EQ(keeper.Dropped(seconds(101)), std::nullopt) << "a refused sign-on is not tried again";

  SessionKeeper plain(false, [] { return 0.0; });
  plain.SignOnPressed(seconds(0));
  EXPECT_EQ(plain.Wake(seconds(60)), SessionKeeper::Due::SignOnTimedOut) << "the time limit needs no option";
  EXPECT_EQ(plain.Dropped(seconds(60)), std::nullopt);
  EXPECT_EQ(plain.NextWake(), std::nullopt);
}

TEST(WordsFile, ReadsOddFilesAsAPersonWouldMeanThem) {
  const struct {
    const char* name;
    QByteArray file;
    QStringList words;
  } cases[] = {
      {"plain", "cat\ndog\n", {"cat", "dog"}},
      {"no final line feed", "cat\ndog", {"cat", "dog"}},
      {"byte-order mark",
       "\xEF\xBB\xBF"
       "cat\n",
       {"cat"}},
      {"CRLF", "cat\r\ndog\r\n", {"cat", "dog"}},
      {"blank and space-only lines", "\n\ncat\n  \r\n\ndog\n\n", {"cat", "dog"}},
      {"spaces removed as the word box does", " ca t \n", {"cat"}},
      {"UTF-8 and a Latin-1 line", "caf\xC3\xA9\ncaf\xE9\n", {"café", "café"}},
      {"the empty word", "cat\n(empty word)\r\n", {"cat", ""}},
      {"duplicates kept in order", "b\na\nb\n", {"b", "a", "b"}},
      {"empty file", "", {}},
  };
  for (const auto& c : cases) EXPECT_EQ(ParseWords(c.file), c.words) << c.name;
}

TEST(WordsFile, WritesOneUtf8WordPerLineAndReadsItBack) {
  const QStringList words{"cat", "", "café", "(empty", "word)", "x\ty", "cat"};
  const QByteArray file = SerializeWords(words);
  EXPECT_EQ(file, QByteArray("cat\n(empty word)\ncaf\xC3\xA9\n(empty\nword)\nx\ty\ncat\n"));
  EXPECT_EQ(ParseWords(file), words);
}
