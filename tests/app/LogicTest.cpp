// The application's pure rules: the exchange reader, word matching, the
// console's texts, the text edge, the --server option and the
// one-at-a-time event queue. The word box's key rule is tested through the
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
#include "TextEdge.h"
#include "WordList.h"

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
