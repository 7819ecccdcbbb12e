// The application's pure rules: the exchange reader, word matching, the
// console's texts, the text edge, the --server option, the one-at-a-time
// event queue and the word list file's format. The word box's key rule is
// tested through the window.
#include <gtest/gtest.h>

#include <QString>
#include <algorithm>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "ConsoleText.h"
#include "EventQueue.h"
#include "ExchangeReader.h"
#include "Functions.h"
#include "PeopleIndex.h"
#include "RoomOption.h"
#include "SecretStore.h"
#include "ServerAddress.h"
#include "ShownLine.h"
#include "TextEdge.h"
#include "TranscriptBudget.h"
#include "WordList.h"
#include "WordsFile.h"

namespace {

std::string Print(const QString& text) { return text.toStdString(); }

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
  EXPECT_EQ(AlertText(QString::fromUtf16(u"bob\u202E"), QStringLiteral("hi\nalice: x")),
            QString::fromUtf16(u"bob: hi\u23CEalice: x"))
      << "the box shows one line per message";
}

TEST(ShownLine, LineBreaksShowAsAMarkAndDirectionControlsGo) {
  const struct {
    const char16_t* text;
    const char16_t* shown;
  } cases[] = {
      {u"hello, how are you?\nalice: please send me your password",
       u"hello, how are you?\u23CEalice: please send me your password"},
      {u"a\r\nb\rc\n\nd", u"a\u23CEb\u23CEc\u23CE\u23CEd"},
      {u"v\vf\fn\u0085l\u2028p\u2029", u"v\u23CEf\u23CEn\u23CEl\u23CEp\u23CE"},
      {u"the attachment is abc\u202Egnp.exe", u"the attachment is abcgnp.exe"},
      {u"\u202A\u202B\u202C\u202D x \u2066\u2067\u2068\u2069", u" x "},
      {u"\u200F\u05E9\u05DC\u05D5\u05DD \u2065\u206A\u2029", u"\u200F\u05E9\u05DC\u05D5\u05DD \u2065\u206A\u23CE"},
      {u"tab\tstays\n", u"tab\tstays\u23CE"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ShownLine(QString::fromUtf16(c.text)), QString::fromUtf16(c.shown)) << Print(QString::fromUtf16(c.text));
  }
}

TEST(PeopleIndex, ADepartureFindsTheFirstEntryOfThatNameAndItsRow) {
  PeopleIndex index;
  for (const char* name : {"carol", "bob", "carol", "dave"}) index.Append(name, QString::fromUtf8(name).toUpper());
  EXPECT_EQ(index.FirstRow("carol"), 0u);
  EXPECT_EQ(index.RemoveFirst("carol"), 0u);
  EXPECT_EQ(index.At(1), QStringLiteral("CAROL"));
  EXPECT_EQ(index.RemoveFirst("dave"), 2u);
  EXPECT_EQ(index.RemoveFirst("carol"), 1u);
  EXPECT_EQ(index.RemoveFirst("carol"), std::nullopt);
  EXPECT_EQ(index.Size(), 1u);
  index.Clear();
  EXPECT_EQ(index.RemoveFirst("bob"), std::nullopt);
}

TEST(PeopleIndex, AgreesWithAListThroughLongChurn) {
  PeopleIndex index;
  std::vector<std::string> list;
  std::uint32_t seed = 7;
  for (int step = 0; step < 20000; ++step) {
    seed = seed * 1103515245u + 12345u;
    const std::string name = "n" + std::to_string((seed >> 16) % 50);
    if ((seed >> 8) % 5 < 2) {
      index.Append(name, QString::fromStdString(name));
      list.push_back(name);
      continue;
    }
    const auto first = std::find(list.begin(), list.end(), name);
    const auto row = index.RemoveFirst(name);
    if (first == list.end()) {
      ASSERT_EQ(row, std::nullopt) << step;
    } else {
      ASSERT_EQ(row, static_cast<std::size_t>(first - list.begin())) << step;
      list.erase(first);
    }
    ASSERT_EQ(index.Size(), list.size());
    for (std::size_t row = 0; step % 1000 == 0 && row < list.size(); ++row) ASSERT_EQ(Print(index.At(row)), list[row]);
  }
}

TEST(TranscriptBudget, DropsTheOldestLinesPastEitherBoundButNeverTheNewest) {
  TranscriptBudget budget(3, 10);
  budget.Restart(4);
  EXPECT_EQ(budget.Add(2), 0u);
  EXPECT_EQ(budget.Add(2), 0u);
  EXPECT_EQ(budget.Add(1), 1u) << "a fourth line";
  EXPECT_EQ(budget.Add(8), 2u) << "2 + 2 + 1 + 8 bytes";
  EXPECT_EQ(budget.Add(20), 2u);
  EXPECT_EQ(budget.Lines(), 1u);
  EXPECT_EQ(budget.Bytes(), 20u);
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
      {"<b>hi</b>\n<b>bob:</b> x&#10;",
       "hi\xe2\x8f\x8e"
       "bob: x&#10;"},
  };
  for (const auto& c : cases) EXPECT_EQ(Print(DisplayText(FromWire(StripHtml(c.message)))), c.shown) << c.message;
}

// A receiver that strips the markup and decodes entities, as Klaxo does, shows what was typed.
TEST(ConsoleText, OutgoingMessageShowsWhatWasTypedOnceCleaned) {
  for (const QString& typed : {QStringLiteral("1<2"), QStringLiteral("a <b>bold</b> > b & \"c\""), QString()}) {
    EXPECT_EQ(DisplayText(FromWire(StripHtml(ToWire(OutgoingMessage(typed))))), typed) << Print(typed);
  }
}

TEST(TextEdge, DecodesUtf8WhereValidAndLatin1Otherwise) {
  EXPECT_EQ(FromWire("caf\xc3\xa9"), QStringLiteral("café"));
  EXPECT_EQ(FromWire("caf\xe9"), QStringLiteral("café"));
  EXPECT_EQ(FromWire("\xc3"), QString(QChar(0xc3)));
  EXPECT_EQ(FromWire("\xEF\xBB\xBFx"), QChar(0xFEFF) + QStringLiteral("x"));
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

TEST(StartOptions, ReadRoomAndExchangeAndNameTheKeyringEntry) {
  EXPECT_EQ(std::get<RoomOption>(ParseRoomOption(QStringLiteral("demo"))).exchange, 4);
  const auto room = std::get<RoomOption>(ParseRoomOption(QStringLiteral("a:b:-32768")));
  EXPECT_EQ(Print(room.name), "a:b");
  EXPECT_EQ(room.exchange, -32768);
  // Each refusal names what is wrong: the room or the exchange.
  for (const char* text : {"", " ", ":4", "demo:", "demo: ", "demo:32768", "demo:five", "demo:4x", "demo: 4"}) {
    const auto parsed = ParseRoomOption(QString::fromUtf8(text));
    ASSERT_TRUE(std::holds_alternative<QString>(parsed)) << text;
    EXPECT_TRUE(std::get<QString>(parsed).contains(text[0] == 'd' ? "exchange" : "room")) << text;
  }
  EXPECT_EQ(SecretStore::Account(QStringLiteral("My Name"), ServerAddress{"::1", 5191}),
            QStringLiteral("myname@[::1]:5191"));
}

// Records what the queue shows, in order: "alert:TEXT", "not shown:N",
// "dropped:N", and whatever the queued work adds. whileA0 runs while the
// alert a0 is shown, whileDropped while the notice of dropped alerts is; the
// alert closeAt ("dropped" for that notice) is closed with its close box.
struct QueueLog {
  std::vector<std::string> done;
  std::function<void()> whileA0 = [] {};
  std::function<void()> whileDropped = [] {};
  std::string closeAt;
  EventQueue::Presenter Presenter() {
    return {[this](const AlertValue& alert) {
              done.push_back("alert:" + alert.text.toStdString());
              if (alert.text == QStringLiteral("a0")) whileA0();
              return alert.text.toStdString() == closeAt;
            },
            [this](std::size_t lines) { done.push_back("not shown:" + std::to_string(lines)); },
            [this](std::size_t alerts) {
              done.push_back("dropped:" + std::to_string(alerts));
              whileDropped();
              return closeAt == "dropped";
            }};
  }
  std::function<void()> Note(std::string text) {
    return [this, text = std::move(text)] { done.push_back(text); };
  }
  EventQueue::Alert Message(const std::string& name, std::size_t alerts, std::size_t lineBytes) {
    return {AlertValue{{}, QString::fromStdString(name), {}, {}, {}, {}}, alerts, Note("line:" + name), lineBytes, {}};
  }
  EventQueue::State Status(const std::string& text, std::size_t bytes = 0) {
    return {EventQueue::Shown::StatusLine, Note("status:" + text), bytes};
  }
  [[nodiscard]] std::vector<std::string> Starting(const std::string& prefix) const {
    std::vector<std::string> found;
    for (const std::string& entry : done) {
      if (entry.rfind(prefix, 0) == 0) found.push_back(entry);
    }
    return found;
  }
  [[nodiscard]] std::size_t Sum(const std::string& prefix) const {
    std::size_t sum = 0;
    for (const std::string& entry : Starting(prefix)) sum += std::stoul(entry.substr(prefix.size()));
    return sum;
  }
};

// Work arriving while work runs waits and runs in order; of each thing shown
// only the latest state waits, after what came before it.
TEST(EventQueue, WorkWaitsInOrderAndOnlyTheLatestStateOfEachThingWaits) {
  QueueLog log;
  EventQueue queue(log.Presenter());
  queue.Run(EventQueue::Line{[&] {
    log.done.emplace_back("first begins");
    queue.Run(log.Status("s1"));
    queue.Run(EventQueue::Line{[&] {
      log.done.emplace_back("second");
      queue.Run(EventQueue::Line{[&] {
        log.done.emplace_back("fourth");
        queue.Run(log.Status("s4"));  // after s3 has run
      }});
    }});
    queue.Run(log.Status("s2"));
    queue.Run(EventQueue::State{EventQueue::Shown::TranscriptStart, log.Note("t1")});
    queue.Run(EventQueue::Line{log.Note("third")});
    queue.Run(log.Status("s3"));
    log.done.emplace_back("first ends");
  }});
  EXPECT_EQ(log.done, (std::vector<std::string>{"first begins", "first ends", "second", "t1", "third", "status:s3",
                                                "fourth", "status:s4"}));
  EXPECT_EQ(queue.WaitingBytes(), 0u);
}

// Past the bound of bytes or of lines, plain lines give way before the lines
// of alerting messages; past the bound of alerts, alerts are counted; and
// closing a box, the notice of dropped alerts too, drops the waiting alerts,
// those counted too, but no line.
TEST(EventQueue, LinesGiveWayPlainOnesFirstAndAlertsByCountOrAllAtOnce) {
  constexpr std::size_t kEntry = EventQueue::kEntryBytes;
  for (const auto& [bytes, lines] :
       {std::pair{6 * kEntry, std::size_t{100}}, std::pair{100 * kEntry, std::size_t{2}}}) {
    QueueLog log;
    EventQueue queue(log.Presenter(), bytes, lines);
    log.whileA0 = [&] {
      queue.Run(log.Message("a1", 1, kEntry));
      for (const char* name : {"p1", "p2", "p3", "p4"}) queue.Run(log.Message(name, 0, kEntry));
    };
    queue.Run(log.Message("a0", 1, kEntry));
    EXPECT_EQ(log.done,
              (std::vector<std::string>{"alert:a0", "line:a0", "alert:a1", "line:a1", "line:p4", "not shown:3"}))
        << lines;
  }
  for (const std::string closeAt : {"", "a1", "dropped"}) {
    QueueLog log;
    EventQueue queue(log.Presenter(), EventQueue::kMaxWaitingBytes, 100, 3);
    log.whileA0 = [&] {
      for (const char* name : {"a1", "a2", "a3"}) queue.Run(log.Message(name, 1, 0));
      queue.Run(log.Message("a4", 2, 0));
    };
    log.whileDropped = [&] { queue.Run(log.Message("a5", 1, 0)); };
    log.closeAt = closeAt;
    queue.Run(log.Message("a0", 1, 0));
    std::vector<std::string> shown{"alert:a0", "line:a0", "alert:a1", "line:a1"};
    if (closeAt == "a1") {
      shown.insert(shown.end(), {"line:a2", "line:a3", "line:a4"});
    } else {
      shown.insert(shown.end(), {"alert:a2", "line:a2", "alert:a3", "line:a3", "line:a4", "dropped:2"});
      if (closeAt.empty()) shown.emplace_back("alert:a5");
      shown.emplace_back("line:a5");
    }
    EXPECT_EQ(log.done, shown) << closeAt;
  }
}

// A server floods the room while one box is open, far past the bound: the
// latest status runs, lines give way first, and every alert is shown or
// counted in one more alert at the end.
TEST(EventQueue, AFloodBehindABoxKeepsTheLatestStatusAndCountsWhatGivesWay) {
  constexpr std::size_t kBound = 32 * EventQueue::kEntryBytes;
  constexpr std::size_t kLineBytes = 2 * EventQueue::kEntryBytes;
  QueueLog log;
  EventQueue queue(log.Presenter(), kBound);
  std::size_t plainLines = 0;
  std::size_t alertMessages = 1;
  const auto plain = [&] { queue.Run(log.Message("p" + std::to_string(plainLines++), 0, kLineBytes)); };
  const auto alerting = [&] { queue.Run(log.Message("a" + std::to_string(alertMessages++), 1, kLineBytes)); };
  std::size_t maxWaiting = 0;
  log.whileA0 = [&] {
    queue.Run(log.Status("joined"));
    for (int i = 0; i < 40; ++i) plain();
    for (int i = 0; i < 60; ++i) {
      alerting();
      if (i % 10 == 0) plain();
    }
    for (int i = 0; i < 20; ++i) plain();
    // States past the bound replace each other.
    for (int i = 0; i < 40; ++i) queue.Run(log.Status("left", kLineBytes));
    queue.Run(log.Status("disconnected"));
    maxWaiting = queue.PeakWaitingBytes();
  };
  queue.Run(log.Message("a0", 1, kLineBytes));

  EXPECT_EQ(log.Starting("status:"), std::vector<std::string>{"status:disconnected"});
  EXPECT_LE(maxWaiting, kBound + 2 * EventQueue::kEntryBytes + kLineBytes) << "only the latest state waits past it";
  EXPECT_EQ(queue.WaitingBytes(), 0u);

  const std::vector<std::string> alerts = log.Starting("alert:");
  const std::size_t dropped = log.Sum("dropped:");
  EXPECT_GT(dropped, 0u);
  EXPECT_EQ(alerts.size() + dropped, alertMessages) << "every alert is shown or counted";
  for (std::size_t i = 0; i < alerts.size(); ++i) EXPECT_EQ(alerts[i], "alert:a" + std::to_string(i));
  EXPECT_EQ(log.done.back(), "dropped:" + std::to_string(dropped)) << "one more alert, after the last";

  EXPECT_EQ(log.Starting("line:").size() + log.Sum("not shown:"), plainLines + alertMessages)
      << "every line is written or counted";
  ASSERT_EQ(log.Starting("not shown:").size(), 1u);
  EXPECT_EQ(*(log.done.end() - 2), log.Starting("not shown:")[0]) << "the notice comes once everything has run";
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
      {"spaces and line breaks removed as the word box does", " ca t \n\rd\ro\xE2\x80\xA8g\n", {"cat", "dog"}},
      {"UTF-8 and a Latin-1 line", "caf\xC3\xA9\ncaf\xE9\n", {"café", "café"}},
      {"the empty word", "cat\n(empty word)\r\n", {"cat", ""}},
      {"duplicates kept in order", "b\na\nb\n", {"b", "a", "b"}},
      {"empty file", "", {}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ParseWords(c.file), c.words) << c.name;
    QList<WordsFileProblem> problems;
    QList<WordRule> plain;
    for (const QString& word : c.words) plain.append(WordRule{word});
    EXPECT_EQ(ParseWordRules(c.file, problems), plain) << c.name << ": the same words, without options";
    EXPECT_TRUE(problems.isEmpty()) << c.name;
  }
}

TEST(WordsFile, WritesOneUtf8WordPerLineAndReadsItBack) {
  const QStringList words{"cat", "", "café", "(empty", "word)", "x\ty", "cat"};
  const QByteArray file = SerializeWords(words);
  EXPECT_EQ(file, QByteArray("cat\n(empty word)\ncaf\xC3\xA9\n(empty\nword)\nx\ty\ncat\n"));
  EXPECT_EQ(ParseWords(file), words);
  const QStringList marked{QChar(0xFEFF) + QStringLiteral("cat")};
  EXPECT_EQ(ParseWords(SerializeWords(marked)), marked) << "a word that starts as a byte-order mark does";
}
