// The server over real sockets on loopback, spoken to by bare clients that
// write exact bytes. The server's clock is the test's.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <memory>
#include <sstream>

#include "QtTocServer.h"
#include "RawClient.h"
#include "ServerCore.h"
#include "ServerLimits.h"

using ::testing::Optional;

namespace {

class ServerProtocolTest : public ::testing::Test {
 protected:
  void Start(const std::string& accountsFile = {}, std::size_t perAddress = limits::kMaxConnectionsPerAddress) {
    AccountStore accounts;
    if (!accountsFile.empty()) {
      std::istringstream in(accountsFile);
      std::string error;
      ASSERT_TRUE(accounts.Load(in, error)) << error;
    }
    core = std::make_unique<ServerCore>(std::move(accounts), ServerSettings{false, [this] { return now; }, perAddress});
    server = std::make_unique<QtTocServer>(*core);
    ASSERT_TRUE(server->Listen(QHostAddress::LocalHost, 0));
  }
  void SetUp() override { Start(); }

  std::unique_ptr<RawClient> SignedOn(const std::string& name) {
    auto client = std::make_unique<RawClient>(server->Port());
    client->SignOn(name);
    EXPECT_THAT(client->NextStartingWith("CONFIG2:"), Optional(std::string("CONFIG2:m:1\ndone:\n")));
    return client;
  }

  std::int64_t now = 1700000000;
  std::unique_ptr<ServerCore> core;
  std::unique_ptr<QtTocServer> server;
};

}  // namespace

TEST_F(ServerProtocolTest, GreetingInBothFormsIsAnsweredWithTheSignOnFrame) {
  for (const std::string greeting : {"FLAPON\n\n", "FLAPON\r\n\r\n"}) {
    RawClient client(server->Port());
    EXPECT_THAT(client.SignOn("abc", "pw", greeting), Optional(std::string("<type 1>")));
    EXPECT_EQ(client.rawBytes.substr(0, 10), std::string("*\x01\0\0\0\x04\0\0\0\x01", 10));
    EXPECT_THAT(client.Next(), Optional(std::string("SIGN_ON:TOC2.0")));
    EXPECT_THAT(client.Next(), Optional(std::string("NICK:abc")));
    EXPECT_THAT(client.Next(), Optional(std::string("CONFIG2:m:1\ndone:\n")));
    // Server frames are numbered from 0 and carry no NUL after their text.
    EXPECT_EQ(client.rawBytes.substr(10, 6 + 14), std::string("*\x02\0\x01\0\x0e", 6) + "SIGN_ON:TOC2.0");
  }
}

TEST_F(ServerProtocolTest, AccountsFileNamesTheUserAndRefusesAWrongPasswordAndStrangers) {
  Start("Pat Smith:secret\n");
  RawClient wrong(server->Port());
  wrong.SignOn("Pat Smith", "guess");
  EXPECT_THAT(wrong.Next(), Optional(std::string("ERROR:980")));
  EXPECT_TRUE(wrong.WaitClosed());
  RawClient stranger(server->Port());
  stranger.SignOn("stranger", "secret");
  EXPECT_THAT(stranger.Next(), Optional(std::string("ERROR:980")));
  EXPECT_TRUE(stranger.WaitClosed());

  RawClient right(server->Port());
  right.SignOn("Pat Smith", "secret");
  EXPECT_THAT(right.NextStartingWith("NICK:"), Optional(std::string("NICK:Pat Smith")));
}

TEST_F(ServerProtocolTest, AConfigurationPast8KiBComesInSeveralConfig2Messages) {
  auto client = SignedOn("abc");
  for (int i = 0; i < 40; ++i)
    client->Command("toc2_new_group \"A group with a long name, number " + std::to_string(i) + "\"");
  for (int i = 0; i < 120; ++i)
    client->Command("toc2_new_buddies {g:A group with a long name, number 39\nb:buddy " + std::to_string(i) + ":" +
                    std::string(60, 'a') + "\n}");
  EXPECT_THAT(client->NextStartingWith("NEW_BUDDY_REPLY2:buddy 119:added"), testing::Ne(std::nullopt));
  client.reset();

  RawClient again(server->Port());
  again.SignOn("abc");
  std::string config;
  int messages = 0;
  while (auto message = again.NextStartingWith("CONFIG2:")) {
    config += message->substr(8);
    ++messages;
    if (config.ends_with("done:\n")) break;
  }
  EXPECT_GT(messages, 1);
  EXPECT_TRUE(config.starts_with("g:A group with a long name, number 0\ng:A group"));
  EXPECT_TRUE(config.ends_with("b:buddy 119:" + std::string(60, 'a') + "\nm:1\ndone:\n"));
}

TEST_F(ServerProtocolTest, JoinSendWithReflectionInviteAndLeave) {
  auto ann = SignedOn("ann");
  auto bob = SignedOn("bob");
  ann->Command(R"(toc_chat_join "4" "Tea Room")");
  EXPECT_THAT(ann->Next(), Optional(std::string("CHAT_JOIN:1:Tea Room")));
  EXPECT_THAT(ann->Next(), Optional(std::string("CHAT_UPDATE_BUDDY:1:T:ann")));

  ann->Command(R"x(toc_chat_invite "1" "join us \(now\)" "bob")x");
  EXPECT_THAT(bob->Next(), Optional(std::string("CHAT_INVITE:Tea Room:1:ann:join us (now)")));
  bob->Command(R"(toc_chat_accept "1")");
  EXPECT_THAT(bob->Next(), Optional(std::string("CHAT_JOIN:1:Tea Room")));
  EXPECT_THAT(bob->Next(), Optional(std::string("CHAT_UPDATE_BUDDY:1:T:ann:bob")));
  EXPECT_THAT(ann->Next(), Optional(std::string("CHAT_UPDATE_BUDDY:1:T:bob")));

  bob->Command(R"(toc_chat_send "1" "a \"cat\": \$5 \\o/")");
  for (auto* client : {ann.get(), bob.get()}) {
    EXPECT_THAT(client->Next(), Optional(std::string(R"(CHAT_IN_ENC:1:bob:F:A:en:a "cat": $5 \o/)")));
  }

  ann->Command(R"(toc_chat_leave "1")");
  EXPECT_THAT(ann->Next(), Optional(std::string("CHAT_LEFT:1")));
  EXPECT_THAT(bob->Next(), Optional(std::string("CHAT_UPDATE_BUDDY:1:F:ann")));
}

TEST_F(ServerProtocolTest, ImToAnAbsentUserIsAnError) {
  auto ann = SignedOn("ann");
  ann->Command(R"(toc_send_im "nobody" "hello")");
  EXPECT_THAT(ann->Next(), Optional(std::string("ERROR:901:nobody")));
}

TEST_F(ServerProtocolTest, CommandOver2048BytesDropsThatConnectionOnly) {
  auto ann = SignedOn("ann");
  auto bob = SignedOn("bob");
  bob->Command("toc_send_im \"ann\" \"" + std::string(2048, 'x') + "\"");
  EXPECT_TRUE(bob->WaitClosed());
  ann->Command(R"(toc_send_im "ann" "still here")");
  EXPECT_THAT(ann->Next(), Optional(std::string("IM_IN_ENC2:ann:F:F:T: O :F:L:en:still here")));
}

TEST_F(ServerProtocolTest, AClientThatStopsReadingIsCutOffAndTheRoomGoesOn) {
  auto talker = SignedOn("talker");
  auto stalled = SignedOn("stalled");
  stalled->Command(R"(toc_chat_join "4" "busy")");
  ASSERT_TRUE(stalled->NextStartingWith("CHAT_JOIN:1:busy"));
  talker->Command(R"(toc_chat_join "4" "busy")");
  ASSERT_TRUE(talker->NextStartingWith("CHAT_UPDATE_BUDDY:1:T:stalled:talker"));
  stalled->StopReading();
  bool cutOff = false;
  std::string heard;
  talker->onFrame = [&](const std::string& frame) {
    cutOff = cutOff || frame == "CHAT_UPDATE_BUDDY:1:F:stalled";
    if (frame.starts_with("CHAT_IN_ENC:")) heard = frame;
  };
  // The stalled client asks for its own profile, escaped to three times its size, far more often than the
  // socket buffers of both ends can hold, while the talker goes on chatting.
  stalled->Command("toc_set_info \"" + std::string(2000, ' ') + "\"");
  for (int i = 0; i < 3000; ++i) stalled->Command(R"(toc_get_info "stalled")");
  for (int second = 0; second < 100 && !cutOff; ++second) {
    talker->Command("toc_chat_send \"1\" \"" + std::to_string(second) + "\"");
    QTest::qWait(50);
    now += 1;
    core->Tick();
    server->Flush();
  }
  EXPECT_TRUE(cutOff);
  EXPECT_EQ(core->ConnectionCount(), 1u);
  talker->Command(R"(toc_chat_send "1" "after")");
  EXPECT_TRUE(QTest::qWaitFor([&] { return heard == "CHAT_IN_ENC:1:talker:F:A:en:after"; }, RawClient::kWaitMs));
}

TEST_F(ServerProtocolTest, AReaderThatPausesHoldsNoTalkerAndIsServedInFullWhenItReadsAgain) {
  constexpr int kTalkers = 5;
  Start({});
  auto pauser = SignedOn("pauser");
  pauser->Command(R"(toc_chat_join "4" "busy")");
  ASSERT_TRUE(pauser->NextStartingWith("CHAT_JOIN:1:busy"));
  std::vector<std::unique_ptr<RawClient>> talkers;
  for (int i = 0; i < kTalkers; ++i) {
    talkers.push_back(SignedOn("talker" + std::to_string(i)));
    talkers.back()->Command(R"(toc_chat_join "4" "busy")");
    ASSERT_TRUE(talkers.back()->NextStartingWith("CHAT_JOIN:1:busy"));
  }
  pauser->StopReading();
  // Each talker sends more than the server reads from a socket at once, all of it to the pauser too, and
  // hears its own last line while the pauser reads nothing.
  std::vector<bool> heard(kTalkers, false);
  const std::string last = std::to_string(limits::kChatLineBurst - 1) + std::string(500, '.');
  for (int i = 0; i < kTalkers; ++i) {
    talkers[i]->onFrame = [&heard, i, &last](const std::string& frame) {
      heard[i] = heard[i] || frame == "CHAT_IN_ENC:1:talker" + std::to_string(i) + ":F:A:en:" + last;
    };
    for (int line = 0; line < limits::kChatLineBurst; ++line) {
      talkers[i]->Command("toc_chat_send \"1\" \"" + std::to_string(line) + std::string(500, '.') + "\"");
    }
  }
  EXPECT_TRUE(QTest::qWaitFor([&] { return std::all_of(heard.begin(), heard.end(), [](bool h) { return h; }); },
                              RawClient::kWaitMs));
  std::vector<int> next(kTalkers, 0);
  bool inOrder = true;
  pauser->onFrame = [&](const std::string& frame) {
    if (!frame.starts_with("CHAT_IN_ENC:1:talker")) return;
    const auto talker = static_cast<std::size_t>(frame[20] - '0');
    inOrder = inOrder && frame.substr(29).starts_with(std::to_string(next[talker]) + ".");
    ++next[talker];
  };
  pauser->ResumeReading();
  EXPECT_TRUE(QTest::qWaitFor(
      [&] { return std::all_of(next.begin(), next.end(), [](int n) { return n == limits::kChatLineBurst; }); },
      RawClient::kWaitMs))
      << testing::PrintToString(next);
  EXPECT_TRUE(inOrder);
  EXPECT_EQ(core->ConnectionCount(), kTalkers + 1u);
}

TEST_F(ServerProtocolTest, FloodsOfInvitationsAndInstantMessagesCannotCutOffAReader) {
  auto victim = SignedOn("victim");
  auto attacker = SignedOn("attacker");
  auto friendly = SignedOn("friendly");
  attacker->Command(R"(toc_chat_join "4" "trap")");
  ASSERT_TRUE(attacker->NextStartingWith("CHAT_UPDATE_BUDDY:1:T:attacker"));
  int refused = 0;
  attacker->onFrame = [&](const std::string& frame) { refused += frame == "ERROR:903"; };
  std::string invite = R"(toc_chat_invite "1" "come")";
  for (int i = 0; i < 100; ++i) invite += R"( "victim")";
  for (int i = 0; i < 12; ++i) attacker->Command(invite);
  for (int i = 0; i < 1500; ++i) attacker->Command("toc_send_im \"victim\" \"" + std::string(150, 'i') + "\"");
  friendly->Command(R"(toc_send_im "victim" "still here")");
  int invitations = 0;
  int messages = 0;
  auto last = victim->Next();
  for (; last && (last->starts_with("CHAT_INVITE:") || last->starts_with("IM_IN_ENC2:attacker:"));
       last = victim->Next()) {
    invitations += last->starts_with("CHAT_INVITE:");
    messages += last->starts_with("IM_IN_ENC2:");
  }
  EXPECT_THAT(last, Optional(std::string("IM_IN_ENC2:friendly:F:F:T: O :F:L:en:still here")));
  EXPECT_EQ(invitations, 12);
  EXPECT_EQ(messages, limits::kMessageBurst);
  EXPECT_TRUE(QTest::qWaitFor([&] { return refused == 1500 - limits::kMessageBurst; }, 5000)) << refused;
  EXPECT_EQ(core->ConnectionCount(), 3u);
}

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
