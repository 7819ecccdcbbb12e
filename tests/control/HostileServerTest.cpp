// What a broken or hostile server can do to the control: it must stay
// responsive, hold bounded memory, and give its holder either the right
// events or a clear WinsockError.
#include <chrono>
#include <random>

#include "ControlFixture.h"

using ::testing::ElementsAre;

using HostileServer = ControlTest;

TEST_F(HostileServer, ClosingMidFrameIsReportedAndTheHalfFrameForgotten) {
  SignOn();
  sock->Deliver(ServerMessage("CHAT_IN_ENC:1:bob:F:A:en:never finished").substr(0, 20));
  sock->PeerClose();
  EXPECT_THAT(events.lines, ElementsAre("WinsockError(Connection closed by the server)"));
  events.lines.clear();
  SignOn();
  sock->Deliver(ServerMessage("NICK:fresh"));
  EXPECT_THAT(events.lines, ElementsAre("ScreennameFormat(fresh)"));
}

TEST_F(HostileServer, LengthThatNeverCompletesOnlyWaits) {
  SignOn();
  const std::string huge = ServerMessage("NICK:" + std::string(65530, 'x'));
  sock->DeliverInChunks(huge.substr(0, huge.size() - 1), 4096);
  EXPECT_TRUE(events.lines.empty());
  toc->LogOff();
  events.lines.clear();
  SignOn();
  sock->Deliver(ServerMessage("NICK:next session"));
  EXPECT_THAT(events.lines, ElementsAre("ScreennameFormat(next session)"));
}

TEST_F(HostileServer, TenMegabytesOfGarbageEndInAClearReport) {
  SignOn();
  std::mt19937 random(11);
  std::string garbage(std::size_t{10} * 1024 * 1024, '\0');
  for (char& byte : garbage) byte = static_cast<char>(random());
  garbage[0] = '*';
  sock->DeliverInChunks(garbage, std::size_t{64} * 1024);
  ASSERT_FALSE(events.lines.empty());
  EXPECT_EQ(events.lines.back(), "WinsockError(The server sent data that is not a FLAP frame; connection closed)");
  EXPECT_EQ(sock->State(), SocketState::Closed);
}

TEST(HostileServerBurst, HundredThousandMessagesAreHandledWhole) {
  std::string burst;
  for (int i = 0; i < 100'000; ++i) {
    burst += ServerMessage("CHAT_IN_ENC:42:bob:F:A:en:message " + std::to_string(i), static_cast<std::uint16_t>(i));
  }
  struct Counter : QuovTOCSockEvents {
    std::size_t messages = 0;
    std::string last;
    void ChatMessage(std::int32_t&, std::string&, std::string& text) override {
      ++messages;
      last = text;
    }
  } counter;
  auto socket = std::make_unique<FakeSocket>();
  FakeSocket* fake = socket.get();
  QuovTOCSock flooded(std::move(socket), &counter);
  flooded.Login("abc", "", "h", 5190);
  fake->Open();
  const auto start = std::chrono::steady_clock::now();
  fake->Deliver(burst);
  const auto took = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(counter.messages, 100'000u);
  EXPECT_EQ(counter.last, "message 99999");
  EXPECT_LT(took, std::chrono::seconds(10)) << "linear in the burst, not quadratic";
}
