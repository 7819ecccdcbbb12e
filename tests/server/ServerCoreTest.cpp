// The server's protocol core driven without sockets: bytes in, frames and
// closings out, and what the sockets wrote reported back.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include <unistd.h>

#include "DemoScript.h"
#include "Frames.h"
#include "LogText.h"
#include "PasswordHash.h"
#include "ServerCore.h"
#include "ServerLimits.h"
#include "WireText.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

// Drives a core on a clock of its own and sorts what it sends by
// connection: data payloads as they are, other frames as <type N>. Every
// connection's socket writes all it is given at once, except those in
// notReading.
struct Harness {
  explicit Harness(AccountStore accounts = {}, bool verbose = false, FlowBounds flow = {})
      : core(std::move(accounts),
             ServerSettings{verbose, [this] { return now; }, limits::kMaxConnectionsPerAddress, flow}) {}

  void Pump() {
    for (auto output = core.TakeOutput(); !output.empty(); output = core.TakeOutput()) {
      std::map<ConnectionId, std::size_t> written;
      for (auto& out : output) {
        const ConnectionId id = out.connection;
        switch (out.kind) {
          case ServerOutput::Kind::Close:
          case ServerOutput::Kind::CutOff:
            closed.insert(id);
            break;
          case ServerOutput::Kind::Log:
            log.push_back(out.bytes);
            break;
          case ServerOutput::Kind::StopReading:
            held.insert(id);
            break;
          case ServerOutput::Kind::ResumeReading:
            held.erase(id);
            break;
          case ServerOutput::Kind::Send: {
            const char type = out.bytes[1];
            received[id].push_back(type == flap::kData ? std::string(flap::Payload(out.bytes))
                                                       : "<type " + std::to_string(type) + ">");
            if (!notReading.contains(id)) written[id] += out.bytes.size();
            break;
          }
        }
      }
      for (const auto& [id, count] : written) core.Written(id, count);
    }
  }
  void Open(ConnectionId id, const std::string& address = {}) {
    core.Open(id, address.empty() ? "10.0.0." + std::to_string(id) : address);
    Pump();
  }
  void Feed(ConnectionId id, std::string_view bytes) {
    core.Receive(id, bytes);
    Pump();
  }
  void Command(ConnectionId id, const std::string& line) { Feed(id, ClientCommand(line, 2)); }
  void SignOn(ConnectionId id, const std::string& name, const std::string& password = "pw",
              const std::string& address = {}) {
    Open(id, address);
    Feed(id, "FLAPON\n\n" + SignOnFrameFor(name) + ClientCommand(LoginLine(name, password), 1));
  }
  std::vector<std::string> Take(ConnectionId id) { return std::exchange(received[id], {}); }

  // Seconds since the epoch, as the core sees them.
  std::int64_t now = 1000;
  ServerCore core;
  std::map<ConnectionId, std::vector<std::string>> received;
  std::set<ConnectionId> closed;
  std::set<ConnectionId> held;
  std::set<ConnectionId> notReading;
  std::vector<std::string> log;
};

std::size_t CountOf(const std::vector<std::string>& messages, std::string_view prefix) {
  return static_cast<std::size_t>(
      std::count_if(messages.begin(), messages.end(), [&](const std::string& m) { return m.starts_with(prefix); }));
}

AccountStore Accounts(const std::string& text) {
  AccountStore store;
  std::istringstream in(text);
  std::string error;
  EXPECT_TRUE(store.Load(in, error)) << error;
  return store;
}

}  // namespace

TEST(CommandArguments, EveryBackslashEscapeIsUndoneAndBracesHoldSpaces) {
  struct Case {
    std::string line;
    std::optional<std::vector<std::string>> args;
  };
  const std::vector<Case> cases{
      {R"(toc_chat_send "12" "a \$b \(c\) \\d \"e\" \[\]\{\}")", {{"12", R"(a $b (c) \d "e" []{})"}}},
      {R"(toc_send_im "bob" "hi there" auto)", {{"bob", "hi there", "auto"}}},
      {R"(toc_set_away "")", {{""}}},
      {R"(toc_chat_join "4" "C:\room")", {{"4", "C:room"}}},
      {R"(toc_chat_send "1" "it\'s \`x\`" it\'s)", {{"1", "it's `x`", "it's"}}},
      {"toc2_new_buddies {g:My Friends\nb:bob:Bob \\{B\\}\n}", {{"g:My Friends\nb:bob:Bob {B}\n"}}},
      {"toc_format_nickname {Bob B}", {{"Bob B"}}},
      {"toc_format_nickname {Bob B", std::nullopt},
      {"toc_format_nickname {Bob}B", std::nullopt},
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
  const auto pieces = SplitConfiguration(text, 1024);
  ASSERT_GT(pieces.size(), 1u);
  std::string joined;
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    EXPECT_LE(pieces[i].size(), 1024u);
    EXPECT_EQ(pieces[i].back(), '\n');
    EXPECT_EQ(pieces[i].find("done:\n") != std::string::npos, i + 1 == pieces.size());
    joined += pieces[i];
  }
  EXPECT_EQ(joined, text);

  Account exact;  // eight lines of 128 bytes
  for (int i = 0; i < 8; ++i) exact.AddGroup(std::string(124, 'g') + std::to_string(i));
  EXPECT_EQ(SplitConfiguration(exact.ConfigurationText(), 1024)[0].size(), 1024u)
      << "a piece may fill its chunk exactly";
}

TEST(Accounts, FileFaultsNameTheLineAndDuplicatesAreRefused) {
  const std::vector<std::pair<std::string, std::string>> cases{
      {"# comment\n\nPat Smith:pw\nno colon here\n", "line 4: expected \"screen name:password\""},
      {"pat:a\nPA T:b\n", "line 2: the screen name PA T is listed twice"},
      {"   :pw\n", "line 1: the screen name must have 1 to 32 bytes and no control characters"},
      {"pat:pw\nalice:\n", "line 2: the password is empty"},
      {"alice: #secret\n", "line 1: the password is empty"},
      {"alice:\t\n", "line 1: the password is empty"},
      {"alice:$y$j9T$not a hash\n", "line 1: the password starts with \"$\" but is not a hash this system can check"},
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
  EXPECT_EQ(pat->DisplayName(), "Pat Smith");
  std::string roasted = RoastPassword("Pw");
  EXPECT_TRUE(pat->AcceptsRoasted(roasted));
  for (char& c : roasted) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  EXPECT_TRUE(pat->AcceptsRoasted(roasted)) << "the roasted password in capitals";
  EXPECT_FALSE(pat->AcceptsRoasted(RoastPassword("pw")));
}

TEST(Accounts, AByteOrderMarkAndSpacesAroundNameAndPasswordAreNotPartOfThem) {
  Harness h(
      Accounts("\xEF\xBB\xBF"
               "dave: lead # the lead\n  Pat Smith  :  two words  \r\n   \n\t\n  # a note\nlee:le#ad\t# and a tab\n"
               "\tTab Bee\t:\ttabbed\t\n"));
  h.SignOn(5, "tabbee", "tabbed");
  EXPECT_THAT(h.Take(5), testing::Contains("NICK:Tab Bee")) << "tabs around name and password are not part of them";
  h.SignOn(1, "dave", "lead");
  h.SignOn(2, "patsmith", "two words");
  h.SignOn(4, "lee", "le#ad");
  EXPECT_THAT(h.Take(1), testing::Contains("NICK:dave"));
  EXPECT_THAT(h.Take(2), testing::Contains("NICK:Pat Smith"));
  EXPECT_THAT(h.Take(4), testing::Contains("NICK:lee")) << "a # within a word is part of it";
  h.SignOn(3, "dave", " lead");
  EXPECT_THAT(h.Take(3), ElementsAre("<type 1>", "ERROR:980"));
}

TEST(Accounts, APathThatIsNotAReadableRegularFileIsAnError) {
  const auto directory = std::filesystem::temp_directory_path() / ("klaxo-accounts-" + std::to_string(getpid()));
  std::filesystem::create_directories(directory);
  const auto file = directory / "accounts";
  std::ofstream(file) << "pat:pw\n";
  const std::vector<std::pair<std::filesystem::path, std::string>> cases{
      {directory, "not a regular file"},
      {directory / "missing", "no such file"},
      {file, ""},
  };
  for (const auto& [path, expected] : cases) {
    AccountStore store;
    std::string error;
    std::vector<std::string> warnings;
    EXPECT_EQ(store.LoadFile(path.string(), error, warnings), expected.empty()) << path;
    EXPECT_EQ(error, expected) << path;
    EXPECT_EQ(store.Closed(), expected.empty()) << path;
  }
  // As ssh does for keys: a file others may read is taken with a warning, one they may write is refused.
  using std::filesystem::perms;
  std::filesystem::permissions(file, perms::owner_read | perms::owner_write | perms::others_read);
  AccountStore readable;
  std::string error;
  std::vector<std::string> warnings;
  EXPECT_TRUE(readable.LoadFile(file.string(), error, warnings));
  EXPECT_THAT(warnings, ElementsAre("others may read it: make it readable by its owner alone (chmod go-rw)",
                                    "1 of its passwords is not hashed: replace each with what klaxo-tocd "
                                    "--hash-password prints"));
  std::filesystem::permissions(file, perms::others_write, std::filesystem::perm_options::add);
  EXPECT_FALSE(AccountStore().LoadFile(file.string(), error, warnings));
  EXPECT_EQ(error, "others may write it: make it writable by its owner alone (chmod go-w)");
  std::filesystem::remove_all(directory);
}

TEST(Accounts, AHashedPasswordIsCheckedAgainstTheUnroastedOneAndReplacedByAHash) {
  const auto hash = HashPassword("Open: sesame");
  ASSERT_TRUE(hash);
  Harness h(Accounts("pat:" + *hash + "\n"));
  h.SignOn(1, "pat", "open: sesame");
  EXPECT_THAT(h.Take(1), ElementsAre("<type 1>", "ERROR:980"));
  h.SignOn(2, "pat", "Open: sesame");
  h.Command(2, R"(toc_change_passwd "Open: sesame" "Shut")");
  EXPECT_THAT(h.Take(2), testing::Contains("ADMIN_PASSWD_STATUS:0"));
  h.core.Gone(2);
  h.SignOn(3, "pat", "Shut");
  EXPECT_THAT(h.Take(3), testing::Contains("NICK:pat"));
  std::string upper = RoastPassword("a:b");
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  EXPECT_EQ(UnroastPassword(upper), "a:b");
  EXPECT_EQ(UnroastPassword("0x4"), std::nullopt);
  EXPECT_EQ(UnroastPassword("4142"), std::nullopt);
}

TEST(Accounts, WrongPasswordsAreDelayedPerNameAndAddressAndUnknownNamesAreAnsweredAlike) {
  Harness h(Accounts("pat:secret\nlee:pw\n"));
  ConnectionId next = 1;
  const auto answer = [&](const std::string& name, const std::string& password, const std::string& address) {
    const ConnectionId id = next++;
    h.SignOn(id, name, password, address);
    return h.Take(id)[1];
  };
  const std::string guesser = "10.6.6.6";
  // Free tries, then a delay that doubles: 1, 2, 4 seconds.
  for (const std::string name : {"pat", "ghost"}) {
    std::vector<std::string> answers;
    for (int i = 0; i <= limits::kFreeWrongPasswords; ++i) answers.push_back(answer(name, "guess", guesser));
    for (const std::int64_t delay : {1, 2, 4}) {
      h.now += delay - 1;
      answers.push_back(answer(name, "guess", guesser));
      h.now += 1;
      answers.push_back(answer(name, "guess", guesser));
    }
    EXPECT_THAT(answers, ElementsAre("ERROR:980", "ERROR:980", "ERROR:980", "ERROR:980", "ERROR:983", "ERROR:980",
                                     "ERROR:983", "ERROR:980", "ERROR:983", "ERROR:980"))
        << name;
  }
  EXPECT_EQ(answer("pat", "secret", "10.1.1.1"), "SIGN_ON:TOC2.0") << "the owner is never refused from elsewhere";
  EXPECT_EQ(answer("pat", "secret", guesser), "ERROR:983");
  // Sign-ons from one address: as many at once as it may hold connections, then one a second.
  for (std::size_t i = 0; i < limits::kMaxConnectionsPerAddress; ++i) {
    EXPECT_EQ(answer("lee", "pw", "10.7.7.7"), "SIGN_ON:TOC2.0");
  }
  EXPECT_EQ(answer("lee", "pw", "10.7.7.7"), "ERROR:983");
  h.now += 1;
  EXPECT_EQ(answer("lee", "pw", "10.7.7.7"), "SIGN_ON:TOC2.0");
}

TEST(Accounts, AFullStoreKeepsEveryAccountAndANewNameSignsOnWithoutKeptLists) {
  AccountStore store;
  for (std::size_t i = 0; i < limits::kMaxStoredAccounts; ++i) store.Open("user" + std::to_string(i), "user");
  store.Change("user0", [](Account& account) { return account.AddGroup("Kept"); });
  Harness h(std::move(store));
  h.SignOn(1, "newcomer");
  h.Command(1, R"(toc2_new_group "Lost")");
  EXPECT_EQ(h.Take(1).back(), "INSERTED2:g:Lost");
  h.core.Gone(1);
  h.SignOn(2, "newcomer");
  h.SignOn(3, "user0");
  EXPECT_EQ(h.Take(2).back(), "CONFIG2:m:1\ndone:\n");
  EXPECT_EQ(h.Take(3).back(), "CONFIG2:g:Kept\nm:1\ndone:\n");
  EXPECT_THAT(h.log, ElementsAre(testing::HasSubstr("the lists of newcomer are kept only until"),
                                 testing::HasSubstr("the lists of newcomer are kept only until")));
}

TEST(ServerCore, GreetingInBothFormsWhateverTheChunking) {
  for (const std::string greeting : {"FLAPON\n\n", "FLAPON\r\n\r\n"}) {
    for (std::size_t chunk : {1u, 3u, 100u}) {
      Harness h;
      h.Open(1);
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
    h.Open(2);
    h.Feed(2, bytes);
    EXPECT_EQ(h.closed, std::set<ConnectionId>{2}) << what;
    EXPECT_EQ(h.core.ConnectionCount(), 1u) << what;
    h.Take(1);
    h.Command(1, R"(toc_chat_send "1" "still here")");
    EXPECT_THAT(h.Take(1), ElementsAre("CHAT_IN_ENC:1:bystander:F:A:en:still here")) << what;
  }
  Harness full;
  for (ConnectionId id = 1; id <= limits::kMaxConnections + 1; ++id) full.Open(id);
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
  h.Open(1);
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
        "toc_format_nickname \"Someone Else\"", "toc2_new_group \"a:b\"", "toc_chat_join \"4\" \"a\x7f\"",
        // Names of nothing but spaces name no one.
        "toc2_new_group \"   \"", "toc2_new_buddies {b:   }", "toc2_new_buddies {g: \nb:x}", "toc2_del_group \" \"",
        "toc2_remove_buddy \"  \" \"Buddies\"", "toc2_add_deny \" \""}) {
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
  EXPECT_THAT(h.Take(3).back(), "IM_IN_ENC2:other:F:F:T: O :F:L:en:hi");
}

TEST(ServerCore, ListChangesAreConfirmedAndComeBackAtTheNextSignOn) {
  Harness h;
  h.SignOn(1, "abc");
  h.Take(1);
  h.core.TakeAccountChanges();
  h.Command(1, "toc2_new_buddies \"b:solo\ng:Friends\nb:Pat Smith\nb:lee:Lee L\nb:friends\n\"");
  h.Command(1, "toc2_new_buddies \"g:FRIENDS\nb:patsmith\n\"");
  h.Command(1, R"(toc2_new_group "Work")");
  h.Command(1, R"(toc2_add_deny "eve")");
  h.Command(1, R"(toc2_add_permit "carol")");
  h.Command(1, R"(toc2_add_permit "dave")");
  h.Command(1, R"(toc2_remove_permit "dave")");
  h.Command(1, R"(toc2_remove_buddy "lee" "friends")");
  h.Command(1, "toc2_set_pdmode 3");
  h.Command(1, R"(toc2_new_group "Old")");
  h.Command(1, R"(toc2_del_group "OLD")");
  EXPECT_THAT(h.Take(1),
              ElementsAre("INSERTED2:g:Buddies", "INSERTED2:b::solo:Buddies", "NEW_BUDDY_REPLY2:solo:added",
                          "INSERTED2:g:Friends", "INSERTED2:b::Pat Smith:Friends", "NEW_BUDDY_REPLY2:Pat Smith:added",
                          "INSERTED2:b:Lee L:lee:Friends", "NEW_BUDDY_REPLY2:lee:added", "INSERTED2:b::friends:Friends",
                          "NEW_BUDDY_REPLY2:friends:added", "NEW_BUDDY_REPLY2:patsmith:added", "INSERTED2:g:Work",
                          "INSERTED2:d:eve", "INSERTED2:p:carol", "INSERTED2:p:dave", "DELETED2:p:dave",
                          "DELETED2:b:lee:Friends", "INSERTED2:g:Old", "DELETED2:g:Old"));
  const auto changed = h.core.TakeAccountChanges();
  ASSERT_EQ(changed.size(), 1u) << "each changed account once, to be kept";
  EXPECT_EQ(changed[0].key, "abc");
  EXPECT_EQ(changed[0].account.Mode(), PrivacyMode::PermitListed);
  h.Command(1, R"(toc2_new_group "work")");
  h.Command(1, "toc2_set_pdmode 3");
  EXPECT_THAT(h.core.TakeAccountChanges(), IsEmpty()) << "nothing changed, nothing to keep";
  h.core.Gone(1);
  h.SignOn(2, "abc");
  EXPECT_THAT(h.Take(2).back(),
              "CONFIG2:g:Buddies\nb:solo\ng:Friends\nb:Pat Smith\nb:friends\ng:Work\np:carol\nd:eve\nm:3\ndone:\n");
  std::string sixty = "toc2_new_buddies {g:Sixty Of Them\n";
  for (int i = 0; i < 60; ++i) sixty += "b:buddy number " + std::to_string(i) + "\n";
  h.Command(2, sixty + "}");
  h.core.Gone(2);
  h.SignOn(3, "abc");
  EXPECT_EQ(CountOf(h.Take(3), "CONFIG2:"), 1u) << "a configuration of 60 buddies comes whole in one frame";
}

TEST(ServerCore, ChatRoomsAreFoundByNormalizedNameAndOnlyFreeIdsAreReused) {
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
  h.Command(2, R"(toc_chat_whisper "1" "abc" "psst")");
  h.Command(2, R"(toc_chat_whisper "1" "nobody" "psst")");
  EXPECT_THAT(h.Take(1), ElementsAre("CHAT_IN_ENC:1:Bo B:T:A:en:psst"));
  EXPECT_THAT(h.Take(2), ElementsAre("ERROR:901:nobody"));
  h.Command(1, R"(toc_chat_leave "1")");
  EXPECT_THAT(h.Take(1), ElementsAre("CHAT_LEFT:1")) << "the leaver is not told of its own departure";
  EXPECT_THAT(h.Take(2), ElementsAre("CHAT_UPDATE_BUDDY:1:F:abc"));
  h.Command(2, R"(toc_chat_join "4" "Annex")");
  h.Command(2, R"(toc_chat_invite "1" "come back" "abc")");
  h.Command(2, R"(toc_chat_leave "1")");
  EXPECT_EQ(h.core.RoomCount(), 1u);
  h.Command(2, R"(toc_chat_join "5" "Tea Room")");
  h.Command(1, R"(toc_chat_accept "1")");
  EXPECT_THAT(h.Take(1), ElementsAre("CHAT_INVITE:Tea Room:1:Bo B:come back", "ERROR:911"))
      << "an invitation does not pass to a new room of the same ID";
  EXPECT_THAT(h.Take(2), ElementsAre("CHAT_JOIN:2:Annex", "CHAT_UPDATE_BUDDY:2:T:Bo B", "CHAT_LEFT:1",
                                     "CHAT_JOIN:1:Tea Room", "CHAT_UPDATE_BUDDY:1:T:Bo B"))
      << "the lowest free ID";
}

TEST(ServerCore, AFullRoomsMembersComeInFramesWithinTheBoundTheJoinerLast) {
  Harness h;
  const std::int32_t room = h.core.OpenKeptRoom(4, "Crowd");
  for (std::size_t i = 1; i < limits::kMaxRoomOccupants; ++i) {
    h.core.ScriptedArrival(room, std::string(limits::kMaxScreenName - 4, 'p') + std::to_string(1000 + i));
  }
  h.SignOn(1, "abc");
  h.Take(1);
  h.Command(1, R"(toc_chat_join "4" "Crowd")");
  const std::string arrival = "CHAT_UPDATE_BUDDY:" + std::to_string(room) + ":T:";
  std::string names;
  std::size_t frames = 0;
  for (const auto& message : h.Take(1)) {
    if (!message.starts_with(arrival)) continue;
    EXPECT_LE(message.size(), limits::kMaxServerPayload);
    if (frames++ > 0) names += ':';
    names += message.substr(arrival.size());
  }
  EXPECT_GT(frames, 1u);
  EXPECT_EQ(static_cast<std::size_t>(std::count(names.begin(), names.end(), ':')), limits::kMaxRoomOccupants - 1);
  EXPECT_TRUE(names.ends_with(":abc"));
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
  h.Command(1, R"x(toc_chat_invite "1" "come (in)" "Bob" "nobody" "b o b" "bob")x");
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
  h.Command(1, R"(toc2_send_im "bob" "brb" auto)");
  h.Command(1, R"(toc2_send_im_enc "bob" "F" "A" "en" "enc")");
  h.Command(1, R"(toc2_client_event "bob" 2)");
  h.Command(1, "toc_noop");
  h.Command(1, R"(toc_send_im "carl" "hello")");
  h.Command(1, R"(toc_get_status "bob")");
  h.Command(1, R"(toc_evil "bob" "anon")");
  h.Command(1, R"(toc_evil "bob" "norm")");
  h.Command(1, R"(toc_evil "carl" "norm")");
  h.Command(1, R"(toc_change_passwd "wrong" "new")");
  h.Command(1, R"(toc_change_passwd "pw" "")");
  h.Command(1, R"(toc_change_passwd "pw" "n\$w")");
  h.Command(1, R"(toc_format_nickname {A Bc})");
  EXPECT_THAT(h.Take(1), ElementsAre("ERROR:901:carl", "UPDATE_BUDDY2:Bob:T:0:1000:3: OU:", "BUDDY_CAPS2:Bob:cap-1",
                                     "ERROR:902:carl", "ERROR:911", "ERROR:911", "ADMIN_PASSWD_STATUS:0",
                                     "ADMIN_NICK_STATUS:0", "NICK:A Bc"))
      << "an away user's client answers for itself";
  EXPECT_THAT(h.Take(2),
              ElementsAre("IM_IN_ENC2:abc:F:F:T: O :F:L:en:hi: there", "IM_IN_ENC2:abc:T:F:T: O :F:L:en:brb",
                          "IM_IN_ENC2:abc:F:F:T: O :F:L:en:enc", "CLIENT_EVENT2:abc:2", "EVILED:3:", "EVILED:13:abc"));
  for (int i = 0; i < 9; ++i) h.Command(1, R"(toc_evil "bob" "norm")");
  EXPECT_EQ(h.Take(2).back(), "EVILED:100:A Bc") << "the level stops at 100";
  h.Command(2, "toc_set_away");
  h.Command(2, "toc_set_caps");
  h.Command(1, R"(toc_get_status "bob")");
  EXPECT_THAT(h.Take(2), IsEmpty()) << "back, with no capabilities";
  EXPECT_THAT(h.Take(1), ElementsAre("UPDATE_BUDDY2:Bob:T:100:1000:3: O :"));
  h.core.Gone(1);
  h.SignOn(3, "abc", "n$w");
  EXPECT_THAT(h.Take(3)[2], "NICK:A Bc");
}

TEST(ServerCore, PresenceIsPushedToWhoeverListsTheUserAndItsPrivacyRulesLetSeeIt) {
  Harness h;
  h.now = 1700000000;
  h.SignOn(1, "alice");
  h.SignOn(2, "bob");
  h.Command(1, "toc2_new_buddies {g:Friends\nb:bob\n}");
  h.Command(1, "toc_init_done");
  h.Command(2, "toc2_new_buddies {g:My Friends\nb:alice:Alice A\n}");
  h.Take(1);
  h.Take(2);
  const std::string bob = "UPDATE_BUDDY2:bob:T:0:1700000000:";
  const std::string alice = "UPDATE_BUDDY2:alice:T:0:1700000000:0: O :";
  const std::string bobGone = "UPDATE_BUDDY2:bob:F:0:0:0:   :";
  struct Step {
    ConnectionId who;
    std::string command;
    std::vector<std::string> toAlice;
    std::vector<std::string> toBob;
  };
  const std::vector<Step> steps{
      {2, "toc_init_done", {bob + "0: O :"}, {alice}},
      {2, R"(toc_set_away "gone")", {bob + "0: OU:"}, {}},
      {2, "toc_set_away", {bob + "0: O :"}, {}},
      {2, "toc_set_idle 600", {bob + "10: O :"}, {}},
      {2, "toc_set_caps cap-1", {bob + "10: O :", "BUDDY_CAPS2:bob:cap-1"}, {}},
      {2, "toc2_add_deny alice", {}, {"INSERTED2:d:alice"}},
      {2, "toc2_set_pdmode 4", {bobGone}, {}},
      {1, R"(toc_send_im "bob" "hi")", {"ERROR:901:bob"}, {}},
      {1, R"(toc_get_status "bob")", {"ERROR:901:bob"}, {}},
      {1, R"(toc_evil "bob" "norm")", {"ERROR:902:bob"}, {}},
      {1, R"(toc2_client_event "bob" 1)", {"ERROR:901:bob"}, {}},
      {2, R"(toc2_send_im "alice" "brb" auto)", {"IM_IN_ENC2:bob:T:F:T: O :F:L:en:brb"}, {}},
      {2, "toc2_set_pdmode 5", {bob + "10: O :", "BUDDY_CAPS2:bob:cap-1"}, {}},
      {2, R"(toc2_remove_buddy "alice" "My Friends")", {bobGone}, {"DELETED2:b:alice:My Friends"}},
      {2,
       "toc2_new_buddies {b:alice\n}",
       {bob + "10: O :", "BUDDY_CAPS2:bob:cap-1"},
       {"INSERTED2:g:Buddies", "INSERTED2:b::alice:Buddies", "NEW_BUDDY_REPLY2:alice:added", alice}},
  };
  for (const auto& step : steps) {
    h.Command(step.who, step.command);
    EXPECT_EQ(h.Take(1), step.toAlice) << step.command;
    EXPECT_EQ(h.Take(2), step.toBob) << step.command;
  }
  h.core.Gone(2);
  h.Pump();
  EXPECT_THAT(h.Take(1), ElementsAre(bobGone));
}

TEST(ServerCore, OneHostsBurstIntoARoomIsHeldWellBelowAReadersSendQueueAndNothingIsLost) {
  static_assert(limits::kRoomBytesPerAddress * 4 <= limits::kSendQueueBound);
  Harness h;
  constexpr ConnectionId kReader = 100;
  constexpr ConnectionId kTalkers = limits::kMaxConnectionsPerAddress - 1;
  h.SignOn(kReader, "reader");
  h.Command(kReader, R"(toc_chat_join "4" "busy")");
  std::string burst;
  for (int i = 0; i < limits::kChatLineBurst; ++i) {
    burst += ClientCommand("toc_chat_send \"1\" \"" + std::string(2000 - 22, '.') + "\"", 2);
  }
  for (ConnectionId id = 1; id <= kTalkers; ++id) {
    h.SignOn(id, "talker" + std::to_string(id), "pw", "10.9.9.9");
    h.Command(id, R"(toc_chat_join "4" "busy")");
  }
  h.notReading.insert(kReader);
  h.Take(kReader);
  std::size_t lines = 0;
  for (ConnectionId id = 1; id <= kTalkers; ++id) h.Feed(id, burst);
  EXPECT_EQ(h.held.size(), kTalkers) << "every talker of the host waits";
  for (int second = 0; second < 30 && lines < kTalkers * limits::kChatLineBurst; ++second) {
    // What waits for the reader is what one instant of the host put there.
    EXPECT_LE(h.core.QueuedOutputBytes(), limits::kRoomBytesPerAddress + limits::kMaxClientPayload + 64);
    lines += CountOf(h.Take(kReader), "CHAT_IN_ENC:");
    h.core.Written(kReader, h.core.QueuedOutputBytes());
    h.now += 1;
    h.core.Tick();
    h.Pump();
  }
  EXPECT_EQ(lines, kTalkers * limits::kChatLineBurst);
  EXPECT_THAT(h.held, IsEmpty());
  EXPECT_THAT(h.closed, IsEmpty());
}

TEST(ServerCore, OneAddressCannotTakeEveryConnectionSlotOrRoom) {
  Harness h;
  const std::string crowd = "10.9.9.9";
  for (ConnectionId id = 1; id <= limits::kMaxConnectionsPerAddress + 1; ++id) h.Open(id, crowd);
  EXPECT_EQ(h.closed, std::set<ConnectionId>{limits::kMaxConnectionsPerAddress + 1});
  h.Open(100, "10.8.8.8");
  EXPECT_EQ(h.core.ConnectionCount(), limits::kMaxConnectionsPerAddress + 1);
  // An IPv6 host by its /64, an IPv4 address mapped into IPv6 as itself.
  for (ConnectionId id = 200; id < 200 + limits::kMaxConnectionsPerAddress; ++id) {
    h.Open(id, "2001:db8:0:7:" + std::to_string(id) + "::1");
  }
  h.Open(300, "2001:db8:0:7:ffff::9");
  h.Open(301, "2001:db8:0:8::1");
  h.Open(302, "::ffff:" + crowd);
  EXPECT_EQ(h.closed, (std::set<ConnectionId>{limits::kMaxConnectionsPerAddress + 1, 300, 302}));
  for (ConnectionId id = 200; id <= 301; ++id) h.core.Gone(id);

  // Rooms opened from one address, by any of its connections, run out before the table does.
  for (ConnectionId id = 1; id <= 5; ++id) {
    h.core.Gone(id);
    h.SignOn(id, "user" + std::to_string(id), "pw", crowd);
    for (std::size_t room = 0; room < limits::kMaxRoomsPerUser; ++room) {
      h.Command(id, "toc_chat_join \"4\" \"u" + std::to_string(id) + "r" + std::to_string(room) + "\"");
    }
  }
  h.core.Gone(6);
  h.SignOn(6, "user6", "pw", crowd);
  h.SignOn(101, "elsewhere", "pw", "10.8.8.8");
  h.Take(6);
  h.Take(101);
  EXPECT_EQ(h.core.RoomCount(), limits::kMaxRoomsPerAddress);
  h.Command(6, R"(toc_chat_join "4" "one more")");
  h.Command(6, R"(toc_chat_join "4" "u1r0")");
  EXPECT_THAT(h.Take(6), ElementsAre("ERROR:951:one more:24", "CHAT_JOIN:1:u1r0", "CHAT_UPDATE_BUDDY:1:T:user1:user6"));
  h.Command(101, R"(toc_chat_join "4" "one more")");
  EXPECT_EQ(h.Take(101)[0], "CHAT_JOIN:51:one more");
}

TEST(ServerCore, PeopleOverTheirRateGetError903EvenWhenSignedOnAgainAndGoOnAfterARest) {
  struct Case {
    std::string command;
    std::string delivered;
    std::int64_t burst;
    std::int64_t perSecond;
    // Who is sent what the command delivers.
    ConnectionId reader = 2;
  };
  const std::vector<Case> cases{
      {R"(toc_chat_send "1" "hi")", "CHAT_IN_ENC:", limits::kChatLineBurst, limits::kChatLinesPerSecond},
      {R"(toc_send_im "bob" "hi")", "IM_IN_ENC2:", limits::kMessageBurst, limits::kMessagesPerSecond},
      {R"(toc_evil "bob" "anon")", "EVILED:", limits::kMessageBurst, limits::kMessagesPerSecond},
      {R"(toc_chat_invite "1" "come" "bob" "Bob")", "CHAT_INVITE:", limits::kInvitationBurst,
       limits::kInvitationsPerSecond},
      {R"(toc_chat_join "4" "room")", "CHAT_JOIN:", limits::kRoomChangeBurst, limits::kRoomChangesPerSecond, 1},
  };
  for (const auto& c : cases) {
    Harness h;
    h.SignOn(1, "ann");
    h.SignOn(2, "bob");
    h.Command(1, R"(toc_chat_join "4" "room")");
    h.Command(2, R"(toc_chat_join "4" "room")");
    h.Take(1);
    h.Take(2);
    h.now += 1;
    const auto expectServed = [&](ConnectionId talker, std::int64_t count) {
      const auto said = h.Take(talker);
      EXPECT_THAT(said, testing::Contains("ERROR:903").Times(1)) << c.command;
      EXPECT_EQ(CountOf(c.reader == 1 ? said : h.Take(c.reader), c.delivered), static_cast<std::size_t>(count))
          << c.command;
    };
    for (std::int64_t i = 0; i <= c.burst; ++i) h.Command(1, c.command);
    expectServed(1, c.burst);
    // Signing on again starts nothing afresh.
    h.SignOn(3, "ann");
    h.Command(3, R"(toc_chat_join "4" "room")");
    h.Command(3, c.command);
    EXPECT_EQ(h.Take(3).back(), "ERROR:903") << c.command;
    h.Take(2);
    h.now += 1;
    for (std::int64_t i = 0; i <= c.perSecond; ++i) h.Command(3, c.command);
    expectServed(3, c.perSecond);
    EXPECT_EQ(h.closed, std::set<ConnectionId>{1}) << c.command;
  }
}

TEST(ServerCore, NoTalkerWaitsForAReaderWhichIsCutOffWhenItTakesNothingOrFallsPastItsBound) {
  struct Case {
    std::string what;
    std::size_t talkers;
    // At second 2 it takes all but 30 KiB; every second it takes 1,000 bytes.
    bool drainsSome;
    bool takesALittle;
    // Seconds after the flood; 0 at once, -1 never.
    int cutAt;
  };
  const std::vector<Case> cases{
      {"stops reading", 1, false, false, limits::kStallSeconds},
      {"drains to 30 KiB, then stops", 1, true, false, 2 + limits::kStallSeconds},
      {"takes a little, but falls past its bound", 8, false, true, 0},
      {"takes a little, within its bound", 1, false, true, -1},
  };
  constexpr ConnectionId kReader = 100;
  constexpr ConnectionId kLaggard = 101;
  for (const auto& c : cases) {
    Harness h;
    for (ConnectionId id = 1; id <= c.talkers; ++id) h.SignOn(id, "talker" + std::to_string(id));
    h.SignOn(kReader, "reader");
    h.SignOn(kLaggard, "laggard");
    for (ConnectionId id = 1; id <= kLaggard; ++id) h.Command(id, R"(toc_chat_join "4" "busy")");
    h.notReading.insert(kLaggard);
    for (ConnectionId id = 1; id <= kLaggard; ++id) h.Take(id);
    std::string flood;
    for (int i = 0; i < limits::kChatLineBurst; ++i) {
      flood += ClientCommand("toc_chat_send \"1\" \"" + std::to_string(i) + std::string(1200, '.') + "\"", 2);
    }
    for (ConnectionId id = 1; id <= c.talkers; ++id) h.Feed(id, flood);
    h.Command(1, R"(toc_get_status "reader")");
    EXPECT_THAT(h.held, IsEmpty()) << c.what;
    EXPECT_EQ(CountOf(h.Take(kReader), "CHAT_IN_ENC:"), c.talkers * limits::kChatLineBurst) << c.what;
    EXPECT_TRUE(h.Take(1).back().starts_with("UPDATE_BUDDY2:reader:")) << c.what;
    int cutAt = h.closed.contains(kLaggard) ? 0 : -1;
    for (int second = 1; second <= 3 * limits::kStallSeconds && cutAt < 0; ++second) {
      h.now += 1;
      if (c.takesALittle) h.core.Written(kLaggard, 1000);
      if (c.drainsSome && second == 2) h.core.Written(kLaggard, h.core.QueuedOutputBytes() - std::size_t{30} * 1024);
      h.core.Tick();
      h.Pump();
      if (h.closed.contains(kLaggard)) cutAt = second;
    }
    EXPECT_EQ(cutAt, c.cutAt) << c.what;
    EXPECT_EQ(h.log.size(), cutAt < 0 ? 0u : 1u) << c.what;
    EXPECT_EQ(h.closed.size(), cutAt < 0 ? 0u : 1u) << c.what;
  }
}

TEST(ServerCore, WhenEveryoneIsBehindTalkersAreSlowedAndResumedWithNothingLost) {
  Harness h({}, false, FlowBounds{64u << 10, 100u << 10, 50u << 10, 1u << 20, 5, 10});
  for (ConnectionId id = 1; id <= 5; ++id) {
    h.SignOn(id, "member" + std::to_string(id));
    h.Command(id, R"(toc_chat_join "4" "burst")");
    h.notReading.insert(id);
  }
  std::string lines;
  for (int i = 0; i < 30; ++i) {
    lines += ClientCommand("toc_chat_send \"1\" \"" + std::to_string(i) + std::string(1000, '.') + "\"", 2);
  }
  for (ConnectionId id = 1; id <= 5; ++id) h.Feed(id, lines);
  EXPECT_EQ(h.held.size(), 5u) << "the first talker's own lines take the output over the mark";
  EXPECT_LE(h.core.QueuedOutputBytes(), 110u << 10);
  h.notReading.clear();
  for (ConnectionId id = 1; id <= 5; ++id) h.core.Written(id, h.core.QueuedOutputBytes());
  h.Pump();
  EXPECT_THAT(h.held, IsEmpty());
  EXPECT_THAT(h.closed, IsEmpty());
  for (ConnectionId id = 1; id <= 5; ++id) EXPECT_EQ(CountOf(h.Take(id), "CHAT_IN_ENC:"), 5u * 30) << id;
}

TEST(ServerCore, AConnectionMustSignOnWithinItsTimeAndSignedOnClientsGetKeepAlives) {
  Harness h;
  h.SignOn(1, "abc");
  h.Open(2);
  h.Feed(2, "FLAPON\n\n");
  h.Take(1);
  h.core.SendKeepAlives();
  h.Pump();
  h.now += limits::kSignOnSeconds - 1;
  h.core.Tick();
  h.Pump();
  EXPECT_THAT(h.Take(1), ElementsAre("<type 5>"));
  EXPECT_TRUE(h.closed.empty());
  h.now += 1;
  h.core.Tick();
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
  EXPECT_THAT(h.log, ElementsAre("connected from 10.0.0.1", "signed on as abc", "abc: toc_change_passwd",
                                 "abc: toc_bogus\\x1B[2J", "disconnected"));
}

TEST(LogText, EveryControlCharacterIsEscaped) {
  const std::vector<std::pair<std::string, std::string>> cases{
      {"plain text, caf\xC3\xA9 and \xE2\x82\xAC", "plain text, caf\xC3\xA9 and \xE2\x82\xAC"},
      {std::string("nul\0tab\tesc\x1B del\x7F", 17), "nul\\x00tab\\x09esc\\x1B del\\x7F"},
      {"C1 as UTF-8: \xC2\x80 \xC2\x9B \xC2\x9F, not \xC2\xA0", "C1 as UTF-8: \\u0080 \\u009B \\u009F, not \xC2\xA0"},
      {"raw \x9B[2J and \x85", "raw \\x9B[2J and \\x85"},
      {"bidi \xE2\x80\xAE\xE2\x80\xAA\xE2\x81\xA6\xE2\x81\xA9\xE2\x80\x8E\xE2\x80\x8F\xD8\x9C",
       "bidi \\u202E\\u202A\\u2066\\u2069\\u200E\\u200F\\u061C"},
      {"lines \xE2\x80\xA8 and \xE2\x80\xA9", "lines \\u2028 and \\u2029"},
      {"cut short \xE2\x80, overlong \xC0\x9B, surrogate \xED\xA0\x80",
       "cut short \\xE2\\x80, overlong \\xC0\\x9B, surrogate \\xED\\xA0\\x80"},
      {"a\\x1B is not an escape", "a\\\\x1B is not an escape"},
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(EscapeForLog(text), expected) << expected;
}
