// The server's protocol core driven without sockets: bytes in, frames and
// closings out.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cctype>
#include <map>
#include <set>
#include <sstream>

#include "DemoScript.h"
#include "Frames.h"
#include "ServerCore.h"
#include "ServerLimits.h"
#include "WireText.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

// Drives a core and sorts what it sends by connection: data payloads as
// they are, other frames as <type N>.
struct Harness {
  explicit Harness(AccountStore accounts = {}, bool verbose = false)
      : core(std::move(accounts), ServerSettings{verbose, [this] { return now; }}) {}

  void Pump() {
    for (auto& out : core.TakeOutput()) {
      if (out.kind == ServerOutput::Kind::Close) closed.insert(out.connection);
      if (out.kind == ServerOutput::Kind::Log) log.push_back(out.bytes);
      if (out.kind != ServerOutput::Kind::Send) continue;
      const char type = out.bytes[1];
      received[out.connection].push_back(type == flap::kData ? std::string(flap::Payload(out.bytes))
                                                             : "<type " + std::to_string(type) + ">");
    }
  }
  void Feed(ConnectionId id, std::string_view bytes) {
    core.Receive(id, bytes);
    Pump();
  }
  void Command(ConnectionId id, const std::string& line) { Feed(id, ClientCommand(line, 2)); }
  void SignOn(ConnectionId id, const std::string& name, const std::string& password = "pw") {
    core.Open(id);
    Feed(id, "FLAPON\n\n" + SignOnFrameFor(name) + ClientCommand(LoginLine(name, password), 1));
  }
  std::vector<std::string> Take(ConnectionId id) { return std::exchange(received[id], {}); }

  std::int64_t now = 1000;
  ServerCore core;
  std::map<ConnectionId, std::vector<std::string>> received;
  std::set<ConnectionId> closed;
  std::vector<std::string> log;
};

AccountStore Accounts(const std::string& text) {
  AccountStore store;
  std::istringstream in(text);
  std::string error;
  EXPECT_TRUE(store.Load(in, error)) << error;
  return store;
}

}  // namespace

TEST(CommandArguments, QuotedArgumentsLoseTheirEscapesAndOnlyThose) {
  struct Case {
    std::string line;
    std::optional<std::vector<std::string>> args;
  };
  const std::vector<Case> cases{
      {R"(toc_chat_send "12" "a \$b \(c\) \\d \"e\" \[\]\{\}")", {{"12", R"(a $b (c) \d "e" []{})"}}},
      {R"(toc_send_im "bob" "hi there" auto)", {{"bob", "hi there", "auto"}}},
      {R"(toc_set_away "")", {{""}}},
      {R"(toc_chat_join "4" "C:\room")", {{"4", R"(C:\room)"}}},
      {"toc2_set_pdmode 3", {{"3"}}},
      {"toc_init_done", {{}}},
      {R"(toc_send_im "bob" "unclosed)", std::nullopt},
      {R"(toc_format_nickname "Ab"C")", std::nullopt},
      {R"(toc_send_im "bob" "ends in a lone backslash\")", std::nullopt},
  };
  for (const auto& c : cases) {
    const auto parsed = ParseClientCommand(c.line);
    ASSERT_EQ(parsed.has_value(), c.args.has_value()) << c.line;
    if (parsed) {
      EXPECT_EQ(parsed->args, *c.args) << c.line;
    }
  }
}

TEST(Configuration, IsCutAtLineEndsAndOnlyTheLastPieceHoldsDone) {
  Account account;
  for (int i = 0; i < 40; ++i) account.AddGroup("Group number " + std::to_string(i));
  for (int i = 0; i < 40; ++i) account.AddBuddy("Group number 7", "buddy" + std::to_string(i), "Alias");
  const std::string text = account.ConfigurationText();
  const auto pieces = SplitConfiguration(text, limits::kConfigChunk);
  ASSERT_GT(pieces.size(), 1u);
  std::string joined;
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    EXPECT_LE(pieces[i].size(), limits::kConfigChunk);
    EXPECT_EQ(pieces[i].back(), '\n');
    EXPECT_EQ(pieces[i].find("done:\n") != std::string::npos, i + 1 == pieces.size());
    joined += pieces[i];
  }
  EXPECT_EQ(joined, text);

  Account exact;  // eight lines of 128 bytes
  for (int i = 0; i < 8; ++i) exact.AddGroup(std::string(124, 'g') + std::to_string(i));
  EXPECT_EQ(SplitConfiguration(exact.ConfigurationText(), limits::kConfigChunk)[0].size(), limits::kConfigChunk)
      << "a piece may fill its chunk exactly";
}

TEST(Accounts, FileFaultsNameTheLineAndDuplicatesAreRefused) {
  const std::vector<std::pair<std::string, std::string>> cases{
      {"# comment\n\nPat Smith:pw\nno colon here\n", "line 4: expected \"screen name:password\""},
      {"pat:a\nPA T:b\n", "line 2: the screen name PA T is listed twice"},
      {"   :pw\n", "line 1: the screen name must have 1 to 32 characters and no control characters"},
  };
  for (const auto& [text, expected] : cases) {
    AccountStore store;
    std::istringstream in(text);
    std::string error;
    EXPECT_FALSE(store.Load(in, error));
    EXPECT_EQ(error, expected);
    EXPECT_FALSE(store.Closed());
  }

  AccountStore store;
  std::istringstream in(" Pat Smith :Pw\r\n");
  std::string error;
  ASSERT_TRUE(store.Load(in, error)) << error;
  const Account* pat = store.Find("patsmith");
  ASSERT_NE(pat, nullptr);
  EXPECT_EQ(pat->displayName, "Pat Smith");
  std::string roasted = RoastPassword("Pw");
  EXPECT_TRUE(pat->AcceptsRoasted(roasted));
  for (char& c : roasted) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  EXPECT_TRUE(pat->AcceptsRoasted(roasted)) << "the roasted password in capitals";
  EXPECT_FALSE(pat->AcceptsRoasted(RoastPassword("pw")));
}

TEST(Accounts, TheStoreForgetsSomeoneNotSignedOnWhenFull) {
  AccountStore store;
  for (std::size_t i = 0; i < limits::kMaxStoredAccounts + 50; ++i) {
    store.Open("user" + std::to_string(i), "user", [](const std::string& key) { return key == "user0"; });
  }
  EXPECT_EQ(store.Count(), limits::kMaxStoredAccounts);
  EXPECT_NE(store.Find("user0"), nullptr);
}

TEST(ServerCore, GreetingInBothFormsWhateverTheChunking) {
  for (const std::string greeting : {"FLAPON\n\n", "FLAPON\r\n\r\n"}) {
    for (std::size_t chunk : {1u, 3u, 100u}) {
      Harness h;
      h.core.Open(1);
      const std::string all = greeting + SignOnFrameFor("abc") + ClientCommand(LoginLine("abc", "pw"), 1);
      for (std::size_t i = 0; i < all.size(); i += chunk) h.Feed(1, all.substr(i, chunk));
      EXPECT_THAT(h.Take(1), ElementsAre("<type 1>", "SIGN_ON:TOC2.0", "NICK:abc", "CONFIG2:m:1\ndone:\n"))
          << greeting.size() << " " << chunk;
    }
  }
}

TEST(ServerCore, ProtocolFaultsCloseOnlyTheFaultyConnection) {
  const std::string header = "FLAPON\n\n" + SignOnFrameFor("abc") + ClientCommand(LoginLine("abc", "pw"), 1);
  const std::vector<std::pair<std::string, std::string>> faults{
      {"bad greeting", "FLAPOFF\n\n"},
      {"bad marker", header + std::string("#\x02\0\0\0\0", 6)},
      {"frame over the limit, told by its header alone", header + std::string("*\x02\0\x02\x08\x03", 6)},
      {"command over 2048 bytes", header + ClientCommand("toc_set_info \"" + std::string(2034, 'x') + "\"", 2)},
      {"command before sign-on", "FLAPON\n\n" + ClientCommand("toc_chat_join \"4\" \"x\"", 0)},
      {"data before toc2_login", "FLAPON\n\n" + SignOnFrameFor("abc") + ClientCommand("toc_init_done", 1)},
      {"sign-on frame with a wrong name length", "FLAPON\n\n" + flap::BuildFrame(flap::kSignOn, 0,
                                                                                 std::string("\0\0\0\x01\0\x01\0\x09"
                                                                                             "abc",
                                                                                             11))},
      {"frame of unknown type", header + flap::BuildFrame(9, 2, "")},
      {"sign-on frame with another tag", "FLAPON\n\n" + flap::BuildFrame(flap::kSignOn, 0,
                                                                         std::string("\0\0\0\x01\0\x02\0\x03"
                                                                                     "abc",
                                                                                     11))},
      {"a login command of another name",
       "FLAPON\n\n" + SignOnFrameFor("abc") + ClientCommand("toc_login" + LoginLine("abc", "pw").substr(10), 1)},
      {"login as another name than the sign-on frame's",
       "FLAPON\n\n" + SignOnFrameFor("abc") + ClientCommand(LoginLine("bob", "pw"), 1)},
  };
  for (const auto& [what, bytes] : faults) {
    Harness h;
    h.SignOn(1, "bystander");
    h.Command(1, R"(toc_chat_join "4" "Lobby")");
    h.core.Open(2);
    h.Feed(2, bytes);
    EXPECT_EQ(h.closed, std::set<ConnectionId>{2}) << what;
    EXPECT_EQ(h.core.ConnectionCount(), 1u) << what;
    h.Take(1);
    h.Command(1, R"(toc_chat_send "1" "still here")");
    EXPECT_THAT(h.Take(1), ElementsAre("CHAT_IN_ENC:1:bystander:F:A:en:still here")) << what;
  }
  Harness full;
  for (ConnectionId id = 1; id <= limits::kMaxConnections + 1; ++id) full.core.Open(id);
  full.Pump();
  EXPECT_EQ(full.closed, std::set<ConnectionId>{limits::kMaxConnections + 1}) << "one connection too many";
}

TEST(ServerCore, CommandOfExactly2048BytesIsServed) {
  Harness h;
  h.SignOn(1, "abc");
  h.Take(1);
  h.Command(1, "toc_set_info \"" + std::string(2048 - 15, 'x') + "\"");
  h.Feed(1, flap::BuildFrame(flap::kKeepAlive, 3, ""));
  h.Command(1, R"(toc_get_info "abc")");
  EXPECT_TRUE(h.closed.empty());
  EXPECT_EQ(h.Take(1).size(), 1u);
}

TEST(ServerCore, HeldInputStaysBoundedWhileAFrameNeverCompletes) {
  Harness h;
  h.core.Open(1);
  h.Feed(1, "FLAPON\n\n" + SignOnFrameFor("abc") + ClientCommand(LoginLine("abc", "pw"), 1));
  h.Feed(1, std::string("*\x02\0\x03\x08\x01", 6));
  for (int i = 0; i < 100; ++i) h.Feed(1, std::string(100, 'y'));
  EXPECT_TRUE(h.closed.count(1));
  EXPECT_LE(h.core.PendingInputBytes(), flap::kHeaderSize + limits::kMaxClientPayload);
}

TEST(ServerCore, UnknownCommandsAndBadArgumentsGetAnErrorAndTheSessionGoesOn) {
  Harness h;
  h.SignOn(1, "abc");
  h.Take(1);
  for (const std::string line :
       {"toc_bogus", "TOC_SEND_IM \"x\" \"y\"", "toc_send_im \"only one\"", "toc_chat_send \"77\" \"not in that room\"",
        "toc_chat_join \"x\" \"room\"", "toc_set_idle \"-5\"", "toc2_set_pdmode 9", "toc_evil \"abc\" \"loud\"",
        "toc_format_nickname \"Someone Else\"", "toc2_new_group \"a:b\"", "toc_chat_join \"4\" \"a\x7f\""}) {
    h.Command(1, line);
    EXPECT_THAT(h.Take(1), ElementsAre("ERROR:911")) << line;
  }
  EXPECT_TRUE(h.closed.empty());
}

TEST(ServerCore, SecondSignOnOfANameEndsTheFirstAndItsRoomsAreTold) {
  Harness h;
  h.SignOn(1, "abc");
  h.SignOn(2, "other");
  h.Command(1, R"(toc_chat_join "4" "Lobby")");
  h.Command(2, R"(toc_chat_join "4" "Lobby")");
  h.Take(2);
  h.SignOn(3, "abc");
  EXPECT_EQ(h.closed, std::set<ConnectionId>{1});
  EXPECT_THAT(h.Take(2), ElementsAre("CHAT_UPDATE_BUDDY:1:F:abc"));
  h.Command(2, R"(toc_send_im "abc" "hi")");
  EXPECT_THAT(h.Take(3).back(), "IM_IN_ENC2:other:F:F:T: O:F:L:en:hi");
}

TEST(ServerCore, ListChangesAreConfirmedAndComeBackAtTheNextSignOn) {
  Harness h;
  h.SignOn(1, "abc");
  h.Take(1);
  h.Command(1, "toc2_new_buddies \"b:solo\ng:Friends\nb:Pat Smith\nb:lee:Lee L\nb:friends\n\"");
  h.Command(1, "toc2_new_buddies \"g:FRIENDS\nb:patsmith\n\"");
  h.Command(1, R"(toc2_new_group "Work")");
  h.Command(1, R"(toc2_add_deny "eve")");
  h.Command(1, R"(toc2_add_permit "carol")");
  h.Command(1, R"(toc2_add_permit "dave")");
  h.Command(1, R"(toc2_remove_permit "dave")");
  h.Command(1, R"(toc2_remove_buddy "lee" "friends")");
  h.Command(1, "toc2_set_pdmode 3");
  EXPECT_THAT(h.Take(1),
              ElementsAre("INSERTED2:g:Buddies", "INSERTED2:b::solo:Buddies", "INSERTED2:g:Friends",
                          "INSERTED2:b::Pat Smith:Friends", "INSERTED2:b:Lee L:lee:Friends",
                          "INSERTED2:b::friends:Friends", "INSERTED2:g:Work", "INSERTED2:d:eve", "INSERTED2:p:carol",
                          "INSERTED2:p:dave", "DELETED2:p:dave", "DELETED2:b:lee:Friends"));
  h.core.Gone(1);
  h.SignOn(2, "abc");
  EXPECT_THAT(h.Take(2).back(),
              "CONFIG2:g:Buddies\nb:solo\ng:Friends\nb:Pat Smith\nb:friends\ng:Work\np:carol\nd:eve\nm:3\ndone:\n");
}

TEST(ServerCore, ChatRoomsAreFoundByNormalizedNameAndTheirIdsAreNeverReused) {
  Harness h(Accounts("abc:pw\nBo B:pw\n"));
  h.SignOn(1, "abc");
  h.SignOn(2, "bob");
  h.Take(1);
  h.Take(2);
  h.Command(1, R"(toc_chat_join "4" "Tea Room")");
  h.Command(2, R"(toc_chat_join "4" "tearoom")");
  h.Command(2, R"(toc_chat_join "4" "tearoom")");
  EXPECT_THAT(h.Take(1),
              ElementsAre("CHAT_JOIN:1:Tea Room", "CHAT_UPDATE_BUDDY:1:T:abc", "CHAT_UPDATE_BUDDY:1:T:Bo B"));
  EXPECT_THAT(h.Take(2), ElementsAre("CHAT_JOIN:1:Tea Room", "CHAT_UPDATE_BUDDY:1:T:abc:Bo B", "CHAT_JOIN:1:Tea Room",
                                     "CHAT_UPDATE_BUDDY:1:T:abc:Bo B"));
  h.Command(1, R"(toc_chat_leave "1")");
  EXPECT_THAT(h.Take(1), ElementsAre("CHAT_LEFT:1")) << "the leaver is not told of its own departure";
  EXPECT_THAT(h.Take(2), ElementsAre("CHAT_UPDATE_BUDDY:1:F:abc"));
  h.Command(2, R"(toc_chat_leave "1")");
  EXPECT_EQ(h.core.RoomCount(), 0u);
  h.Command(1, R"(toc_chat_join "5" "Tea Room")");
  EXPECT_THAT(h.Take(1).back(), "CHAT_UPDATE_BUDDY:2:T:abc");
}

TEST(ServerCore, RoomsPerUserAreBoundedAndAcceptNeedsAnInvitation) {
  Harness h;
  h.SignOn(1, "abc");
  h.SignOn(2, "bob");
  for (std::size_t i = 0; i <= limits::kMaxRoomsPerUser; ++i)
    h.Command(1, "toc_chat_join \"4\" \"r" + std::to_string(i) + "\"");
  EXPECT_EQ(h.Take(1).back(), "ERROR:951:r10:24");
  EXPECT_EQ(h.core.RoomCount(), limits::kMaxRoomsPerUser);
  h.Take(2);
  h.Command(2, R"(toc_chat_accept "1")");
  EXPECT_THAT(h.Take(2), ElementsAre("ERROR:911"));
  h.Command(1, R"x(toc_chat_invite "1" "come (in)" "Bob" "nobody")x");
  h.Command(2, R"(toc_chat_accept "1")");
  EXPECT_THAT(h.Take(2),
              ElementsAre("CHAT_INVITE:r0:1:abc:come (in)", "CHAT_JOIN:1:r0", "CHAT_UPDATE_BUDDY:1:T:abc:bob"));
  h.Command(2, R"(toc_chat_accept "1")");
  EXPECT_THAT(h.Take(2), ElementsAre("ERROR:911")) << "an invitation is accepted once";
  h.Take(1);
  h.Command(1, R"(toc_chat_invite "1" "come")");
  EXPECT_THAT(h.Take(1), ElementsAre("ERROR:911")) << "an invitation names someone";
}

TEST(ServerCore, MessagesStatusWarningsAndAccountChanges) {
  Harness h(Accounts("abc:pw\nBob:pw\n"));
  h.SignOn(1, "abc");
  h.SignOn(2, "bob");
  h.Take(1);
  h.Take(2);
  h.Command(2, R"(toc_set_away "out to lunch")");
  h.Command(2, R"(toc_set_caps "cap-1")");
  h.Command(2, R"(toc_set_idle "120")");
  h.now += 60;
  h.Command(1, R"(toc_send_im "B O B" "hi: there")");
  h.Command(1, R"(toc_send_im "bob" "brb" auto)");
  h.Command(1, R"(toc_send_im "carl" "hello")");
  h.Command(1, R"(toc_get_status "bob")");
  h.Command(1, R"(toc_evil "bob" "anon")");
  h.Command(1, R"(toc_evil "bob" "norm")");
  h.Command(1, R"(toc_evil "carl" "norm")");
  h.Command(1, R"(toc_change_passwd "wrong" "new")");
  h.Command(1, R"(toc_change_passwd "pw" "")");
  h.Command(1, R"(toc_change_passwd "pw" "n\$w")");
  h.Command(1, R"(toc_format_nickname "A Bc")");
  EXPECT_THAT(h.Take(1), ElementsAre("IM_IN_ENC2:Bob:T:F:T: OU:F:L:en:out to lunch", "ERROR:901:carl",
                                     "UPDATE_BUDDY2:Bob:T:0:1000:3: OU:0", "BUDDY_CAPS2:Bob:cap-1", "ERROR:902:carl",
                                     "ERROR:911", "ERROR:911", "ADMIN_PASSWD_STATUS:0", "ADMIN_NICK_STATUS:0"));
  EXPECT_THAT(h.Take(2), ElementsAre("IM_IN_ENC2:abc:F:F:T: O:F:L:en:hi: there", "IM_IN_ENC2:abc:T:F:T: O:F:L:en:brb",
                                     "EVILED:3:", "EVILED:13:abc"));
  for (int i = 0; i < 9; ++i) h.Command(1, R"(toc_evil "bob" "norm")");
  EXPECT_EQ(h.Take(2).back(), "EVILED:100:A Bc") << "the level stops at 100";
  h.Command(2, "toc_set_away");
  h.Command(2, "toc_set_caps");
  h.Command(1, R"(toc_get_status "bob")");
  EXPECT_THAT(h.Take(2), IsEmpty()) << "back, with no capabilities";
  EXPECT_THAT(h.Take(1), ElementsAre("UPDATE_BUDDY2:Bob:T:100:1000:3: O:0"));
  h.core.Gone(1);
  h.SignOn(3, "abc", "n$w");
  EXPECT_THAT(h.Take(3)[2], "NICK:A Bc");
}

TEST(ServerCore, StalledSignOnsAreDroppedAndSignedOnClientsGetKeepAlives) {
  Harness h;
  h.SignOn(1, "abc");
  h.core.Open(2);
  h.Feed(2, "FLAPON\n\n");
  h.Take(1);
  h.core.SendKeepAlives();
  h.core.DropStalledSignOns();
  h.Pump();
  EXPECT_THAT(h.Take(1), ElementsAre("<type 5>"));
  EXPECT_TRUE(h.closed.empty());
  h.core.DropStalledSignOns();
  h.Pump();
  EXPECT_EQ(h.closed, std::set<ConnectionId>{2});
  h.Feed(1, flap::BuildFrame(flap::kKeepAlive, 2, ""));
  EXPECT_THAT(h.Take(1), IsEmpty());
}

TEST(DemoScript, PeopleArriveTalkAndAllLeaveByTheEnd) {
  Harness h;
  const std::int32_t room = h.core.OpenKeptRoom(kDemoExchange, kDemoRoom);
  h.SignOn(1, "watcher");
  h.Command(1, R"(toc_chat_join "4" "demo")");
  h.Take(1);
  for (const auto& step : DemoScript()) PlayDemoStep(h.core, room, step);
  h.Pump();
  const auto seen = h.Take(1);
  int arrivals = 0, messages = 0, departures = 0;
  for (const auto& message : seen) {
    arrivals += message.starts_with("CHAT_UPDATE_BUDDY:1:T:");
    messages += message.starts_with("CHAT_IN_ENC:1:");
    departures += message.starts_with("CHAT_UPDATE_BUDDY:1:F:");
  }
  EXPECT_GE(arrivals, 3);
  EXPECT_EQ(arrivals, departures);
  EXPECT_GE(messages, 10);
  h.core.ScriptedMessage(room, "watcher", "not said by watcher");
  h.Pump();
  EXPECT_THAT(h.Take(1), IsEmpty()) << "the server speaks only for the people it plays";
  h.Command(1, R"(toc_chat_leave "1")");
  EXPECT_EQ(h.core.RoomCount(), 1u) << "the demo room stays open when empty";
}

TEST(ServerCore, VerboseLogHasALinePerEventNeverAPasswordAndNoControlCharacters) {
  Harness h(Accounts("abc:Sesame1\n"), true);
  h.SignOn(1, "abc", "Sesame1");
  h.Command(1, R"(toc_change_passwd "Sesame1" "Open2")");
  h.Command(1, "toc_bogus\x1b[2J");
  h.core.Gone(1);
  h.Pump();
  EXPECT_THAT(h.log, ElementsAre("signed on as abc", "abc: toc_change_passwd", "abc: toc_bogus?[2J", "disconnected"));
}
