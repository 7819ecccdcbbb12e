// The room feed as a table: the control's events in, the values each sink
// gets out, in order.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "RoomFeed.h"

namespace {

// Writes each value it gets to a shared log behind its own prefix; whileAlert
// runs while its first alert is "open", as a box's event loop would.
struct LogSink : FeedSink {
  LogSink(std::vector<std::string>& log, std::string prefix) : log(log), prefix(std::move(prefix)) {}
  void Add(const QString& text) { log.push_back(prefix + text.toStdString()); }
  bool Alert(const AlertValue& alert) override {
    Add("alert " + alert.sender + ": " + alert.text + " [" + alert.word + " in " + alert.room + "]");
    if (whileAlert) std::exchange(whileAlert, nullptr)();
    return false;
  }
  void Line(const RoomLine& line) override {
    static const char* const kinds[] = {"says", "arrives", "leaves", "note"};
    Add(QString::fromUtf8(kinds[static_cast<int>(line.kind)]) + QStringLiteral(" ") + line.name +
        (line.own ? QStringLiteral(" (own)") : QString()) + QStringLiteral(":") + line.text);
  }
  void People(const PeopleChange& change) override {
    static const char* const kinds[] = {"+", "-", "cleared"};
    Add(QStringLiteral("people ") + QString::fromUtf8(kinds[static_cast<int>(change.kind)]) + change.name);
  }
  void Status(const QString& line) override { Add("status " + line); }
  std::vector<std::string>& log;
  std::string prefix;
  std::function<void()> whileAlert;
};

using Step = std::function<void(RoomFeed&)>;
Step SignOn(const std::string& name) {
  return [=, none = Collection<std::string>()](RoomFeed& feed) mutable {
    feed.LoggedIn(name, none, none, none, none, "", 0);
  };
}
// The control's events take references; each step keeps its own arguments.
Step Join(std::int32_t id) {
  return [name = "room" + std::to_string(id), id](RoomFeed& feed) mutable { feed.JoinedChat(name, id); };
}
Step Leave(std::int32_t id) {
  return [id](RoomFeed& feed) mutable { feed.LeftChat(id); };
}
Step Person(std::int32_t id, const std::string& name, bool inside) {
  return [=](RoomFeed& feed) { feed.ChatUserUpdate(name, inside, id); };
}
Step Matching(const QStringList& lines, SenderFilter filter) {
  QList<WordRule> rules;
  QString error;
  for (const QString& line : lines) rules.append(*ParseRuleLine(line, error));
  return [matcher = WordMatcher(rules, std::move(filter))](RoomFeed& feed) { feed.SetWords(matcher); };
}
Step Say(std::string from, std::string text) {
  return [from = std::move(from), text = std::move(text), room = 42](RoomFeed& feed) mutable {
    feed.ChatMessage(room, from, text);
  };
}

}  // namespace

TEST(RoomFeed, EventsInValuesOut) {
  const struct {
    const char* what;
    std::vector<Step> steps;
    std::vector<std::string> out;
  } rows[] = {
      {"own lines by the name signed on, tags gone, an alert per word",
       {SignOn("My Name"), Say("my name", "<b>a cat</b>"), Say("bob", "dog")},
       {"alert my name: a cat [cat in ]", "alert my name: a cat [a in ]", "says my name (own):a cat", "says bob:dog"}},
      {"word options, senders who never alert, own lines ignored; the room named",
       {SignOn("Me"), Join(42), Matching({"(nocase whole) cat", "(sender) bot"}, {{"Eve"}, true}), Say("bob", "a CAT"),
        Say("bob", "cats"), Say("robot", "x"), Say("E ve", "cat"), Say("me", "cat")},
       {"alert bob: a CAT [cat in room42]", "says bob:a CAT", "says bob:cats", "alert robot: x [bot in room42]",
        "says robot:x", "says E ve:cat", "says me (own):cat"}},
      {"each person once, by normalized name, in the room watched only",
       {SignOn("me"), Join(42), Person(42, "Carol D", true), Person(42, "carold", true), Person(7, "x", true),
        Person(42, "CAROLD", false), Person(42, "nobody", false)},
       {"people +Carol D", "arrives Carol D:", "arrives carold:", "arrives x:", "people -CAROLD",
        "leaves CAROLD:", "leaves nobody:"}},
      {"the list empties when the room is left, another joined, or the session ends",
       {SignOn("me"), Join(42), Person(42, "a", true), Join(42), Leave(7), Join(43), Person(43, "b", true), Leave(43),
        Person(43, "c", true), Join(44), Person(44, "d", true), SignOn("me")},
       {"people +a", "arrives a:", "people cleared", "people +b", "arrives b:", "people cleared",
        "arrives c:", "people +d", "arrives d:", "people cleared"}},
  };
  for (const auto& row : rows) {
    std::vector<std::string> log;
    RoomFeed feed([](const Session::Event&) {});
    LogSink sink(log, "");
    feed.AddSink(sink);
    feed.SetWords(WordMatcher({WordRule{QStringLiteral("cat")}, WordRule{QStringLiteral("a")}}));
    for (const Step& step : row.steps) step(feed);
    EXPECT_EQ(log, row.out) << row.what;
  }
}

// Behind an open alert box a Shown sink's lines and status wait, the latest
// status only, while the people list and an AtOnce sink get everything at once.
TEST(RoomFeed, ShownSinksWaitBehindTheBoxAtOnceSinksDoNot) {
  std::vector<std::string> log;
  std::vector<std::string> session;
  RoomFeed feed([&](const Session::Event& event) { session.push_back(std::to_string(event.index())); });
  LogSink shown(log, "shown ");
  LogSink now(log, "now ");
  feed.AddSink(shown);
  feed.AddSink(now, RoomFeed::Delivery::AtOnce);
  feed.SetWords(WordMatcher({WordRule{QStringLiteral("cat")}}));
  SignOn("me")(feed);
  Join(42)(feed);
  shown.whileAlert = [&] {
    Person(42, "bob", true)(feed);
    feed.ShowStatus(QStringLiteral("one"));
    feed.ShowStatus(QStringLiteral("two"));
  };
  Say("bob", "cat")(feed);
  EXPECT_EQ(log, (std::vector<std::string>{"now alert bob: cat [cat in room42]", "now says bob:cat",
                                           "shown alert bob: cat [cat in room42]", "now people +bob",
                                           "shown people +bob", "now arrives bob:", "now status one", "now status two",
                                           "shown says bob:cat", "shown arrives bob:", "shown status two"}));
  EXPECT_EQ(feed.People().Size(), 1u);
  EXPECT_EQ(session, (std::vector<std::string>{"7", "10"})) << "LoggedIn and JoinedChat reach the session";
}
