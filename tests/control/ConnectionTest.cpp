#include <fstream>
#include <functional>
#include <vector>

#include "ControlFixture.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {
std::string KeepAlive(std::uint16_t sequence) { return flap::BuildFrame(flap::kKeepAlive, sequence, ""); }
}  // namespace

using ControlConnection = ControlTest;

TEST_F(ControlConnection, LoginStoresTheSessionAndConnects) {
  toc->Login("My Name", "password", "  toc.example  ", 5191, "   ");
  EXPECT_EQ(toc->strUserName, "myname");
  EXPECT_EQ(toc->strPassword, "0x2408105c23001130");
  EXPECT_EQ(toc->strAuthServer, QuovTOCSock::kDefaultAuthServer);
  ASSERT_EQ(sock->connects.size(), 1u);
  EXPECT_EQ(sock->connects[0], std::make_pair(std::string("toc.example"), 5191));
  EXPECT_EQ(sock->closeCount, 1) << "Login closes the socket before connecting";

  toc->UsersHere.Add(Collection<std::string>{}, "42");
  toc->Login("x", "", "h", 5190, " auth.example ");
  EXPECT_EQ(toc->strAuthServer, "auth.example");
  EXPECT_EQ(toc->UsersHere.Count(), 0u);
}

TEST_F(ControlConnection, GreetingIsEightUnframedBytes) {
  toc->Login("abc", "pw", "h", 5190);
  EXPECT_THAT(sock->sent, IsEmpty()) << "nothing is sent before the connection opens";
  sock->Open();
  EXPECT_EQ(sock->sent, Bytes({0x46, 0x4C, 0x41, 0x50, 0x4F, 0x4E, 0x0A, 0x0A}));
}

TEST_F(ControlConnection, SendPacketFramesAndNumbersEveryChannel) {
  Connect();
  toc->SendPacket(2, "toc_init_done");
  EXPECT_EQ(sock->TakeSent(), Bytes({0x2A, 0x02, 0x00, 0x00, 0x00, 0x0E}) + "toc_init_done" + std::string(1, '\0'));
  toc->SendPacket(5, "");
  EXPECT_EQ(sock->TakeSent(), Bytes({0x2A, 0x05, 0x00, 0x01, 0x00, 0x00}));
}

TEST_F(ControlConnection, NothingIsSentOrNumberedWhileDisconnected) {
  toc->SendPacket(2, "lost");
  toc->Login("abc", "pw", "h", 5190);
  toc->SendPacket(2, "lost while connecting");
  EXPECT_THAT(sock->sent, IsEmpty());
  sock->Open();
  sock->TakeSent();
  toc->SendPacket(5, "");
  EXPECT_EQ(sock->TakeSent(), Bytes({0x2A, 0x05, 0x00, 0x00, 0x00, 0x00}));
}

TEST_F(ControlConnection, SequenceWrapsToZeroAfter65535) {
  Connect();
  for (int i = 0; i < 65536; ++i) toc->SendPacket(5, "");
  const std::string all = sock->TakeSent();
  EXPECT_EQ(all.substr(all.size() - 6), Bytes({0x2A, 0x05, 0xFF, 0xFF, 0x00, 0x00}));
  toc->SendPacket(5, "");
  EXPECT_EQ(sock->TakeSent(), Bytes({0x2A, 0x05, 0x00, 0x00, 0x00, 0x00})) << "the 65537th frame";
}

TEST_F(ControlConnection, NumberingContinuesOnTheNextConnection) {
  Connect();
  toc->SendPacket(5, "");
  toc->SendPacket(5, "");
  toc->LogOff();
  Connect();
  toc->SendPacket(5, "");
  EXPECT_EQ(sock->TakeSent(), Bytes({0x2A, 0x05, 0x00, 0x02, 0x00, 0x00}));
}

TEST_F(ControlConnection, OversizedPayloadIsRefusedWithAnError) {
  Connect();
  toc->SendPacket(1, std::string(65536, 'x'));
  EXPECT_THAT(sock->TakeSent(), IsEmpty());
  ASSERT_EQ(events.lines.size(), 1u);
  EXPECT_EQ(events.lines[0].rfind("Error(0,Frame not sent", 0), 0u) << events.lines[0];
  toc->SendPacket(5, std::string(65535, 'x'));
  EXPECT_EQ(sock->TakeSent().substr(0, 6), Bytes({0x2A, 0x05, 0x00, 0x00, 0xFF, 0xFF}))
      << "a frame that fits exactly is sent with the unused number";
}

// The same stream gives the same events however the socket cuts it.
TEST_F(ControlConnection, ReassemblyIsIndependentOfChunking) {
  const std::string stream = ServerMessage("NICK:A b") + KeepAlive(1) + ServerMessage("NICK:" + std::string(300, 'c')) +
                             ServerMessage("NICK:d:e");
  const std::vector<std::string> expected{"ScreennameFormat(A b)", "ScreennameFormat(" + std::string(300, 'c') + ")",
                                          "ScreennameFormat(d:e)"};
  // Each run continues the numbering of the last, so answer with that number.
  int sequence = 0;
  const auto runNumbered = [&](const std::function<void()>& deliver) {
    events.lines.clear();
    Connect();
    deliver();
    EXPECT_EQ(events.lines, expected);
    EXPECT_EQ(sock->TakeSent(), KeepAlive(static_cast<std::uint16_t>(sequence++)));
    toc->LogOff();
  };
  runNumbered([&] { sock->Deliver(stream); });
  runNumbered([&] { sock->DeliverInChunks(stream, 1); });
  for (std::size_t cut = 1; cut < stream.size(); ++cut) {
    runNumbered([&] {
      sock->Deliver(stream.substr(0, cut));
      sock->Deliver(stream.substr(cut));
    });
  }
}

TEST_F(ControlConnection, PartialFrameWaitsForItsLastByte) {
  Connect();
  const std::string third = ServerMessage("NICK:three");
  sock->Deliver(ServerMessage("NICK:one") + ServerMessage("NICK:two") + third.substr(0, 3));
  EXPECT_THAT(events.lines, ElementsAre("ScreennameFormat(one)", "ScreennameFormat(two)"));
  sock->Deliver(third.substr(3));
  EXPECT_THAT(events.lines, ElementsAre("ScreennameFormat(one)", "ScreennameFormat(two)", "ScreennameFormat(three)"));
}

TEST_F(ControlConnection, KeepAliveIsAnsweredAtOnce) {
  Connect();
  events.recordIncomingPackets = true;
  sock->Deliver(KeepAlive(9));
  EXPECT_THAT(events.lines, ElementsAre("IncomingPacket(6 bytes)"));
  EXPECT_EQ(sock->TakeSent(), KeepAlive(0));
}

TEST_F(ControlConnection, AServerThatStopsReadingGetsOneKeepAliveAnswerAndIsDroppedPastAMebibyteUnsent) {
  Connect();
  sock->Deliver(KeepAlive(0));
  sock->unsent = 6;
  for (std::uint16_t i = 1; i < 100; ++i) sock->Deliver(KeepAlive(i));
  EXPECT_EQ(sock->TakeSent(), KeepAlive(0)) << "one answer waiting unsent serves for all";
  sock->unsent = 0;
  sock->Deliver(KeepAlive(100));
  EXPECT_EQ(sock->TakeSent(), KeepAlive(1)) << "once it has left, the next is answered";
  sock->unsent = QuovTOCSock::kMaxUnsentBytes - 2007;
  toc->SendPacket(2, std::string(2000, 'x'));
  EXPECT_EQ(sock->TakeSent().size(), 2007u) << "a frame that fills the bound goes";
  ++sock->unsent;
  toc->SendPacket(2, std::string(2000, 'x'));
  EXPECT_THAT(sock->TakeSent(), IsEmpty());
  EXPECT_THAT(events.lines,
              ElementsAre("WinsockError(The server stopped reading: over 1 MiB waited unsent; connection closed)"));
}

// A handler that runs a nested event loop lets the socket deliver more bytes
// and enter the control again before the handler returns.
TEST_F(ControlConnection, ArrivalDuringAHandlerIsHandledOnceInOrder) {
  Connect();
  std::string sentDuringHandler;
  events.onEvent = [&](const std::string& line) {
    if (line != "ScreennameFormat(one)") return;
    const std::string fourth = ServerMessage("NICK:four");
    sock->Deliver(ServerMessage("NICK:three") + KeepAlive(7) + fourth.substr(0, 4));
    sentDuringHandler = sock->sent;
  };
  const std::string fourth = ServerMessage("NICK:four");
  sock->Deliver(ServerMessage("NICK:one") + ServerMessage("NICK:two"));
  EXPECT_EQ(sentDuringHandler, KeepAlive(0)) << "the keep-alive is answered while the outer handler waits";
  sock->Deliver(fourth.substr(4));
  EXPECT_THAT(events.lines, ElementsAre("ScreennameFormat(one)", "ScreennameFormat(two)", "ScreennameFormat(three)",
                                        "ScreennameFormat(four)"));
}

TEST_F(ControlConnection, CorruptStreamClosesWithAReport) {
  Connect();
  toc->UsersHere.Add(Collection<std::string>{}, "42");
  sock->Deliver(ServerMessage("NICK:fine") + "garbage that is no frame" + ServerMessage("NICK:never"));
  ASSERT_EQ(events.lines.size(), 2u);
  EXPECT_EQ(events.lines[0], "ScreennameFormat(fine)");
  EXPECT_EQ(events.lines[1], "WinsockError(The server sent data that is not a FLAP frame; connection closed)");
  EXPECT_EQ(sock->State(), SocketState::Closed);
  EXPECT_EQ(toc->UsersHere.Count(), 0u);

  // The next connection starts clean.
  events.lines.clear();
  Connect();
  sock->Deliver(ServerMessage("NICK:again"));
  EXPECT_THAT(events.lines, ElementsAre("ScreennameFormat(again)"));
}

TEST_F(ControlConnection, PartialFrameAndConfigurationFromAnEarlierConnectionAreDropped) {
  Connect();
  sock->Deliver(ServerMessage("CONFIG2:g:Old\nb:stale\n") + ServerMessage("NICK:cut off").substr(0, 8));
  AwaitConfiguration();
  sock->Deliver(ServerMessage("NICK:fresh") + ServerMessage("CONFIG2:g:New\ndone:\n"));
  EXPECT_THAT(events.lines, ElementsAre("ScreennameFormat(fresh)", "LoggedIn(abc,[[group]New],[],[],[],,0)"));
}

TEST_F(ControlConnection, ServerClosingASessionIsReported) {
  SignOn();
  toc->UsersHere.Add(Collection<std::string>{}, "42");
  sock->PeerClose();
  EXPECT_EQ(toc->UsersHere.Count(), 0u);
  EXPECT_THAT(events.lines, ElementsAre("WinsockError(Connection closed by the server)"));
  EXPECT_EQ(toc->strUserName, "abc") << "the session fields are kept";
}

TEST_F(ControlConnection, ACloseBeforeTheServerNamesTheUserIsReportedAndNothingIsReadAfterIt) {
  toc->Login("", "", "h", 5190);
  sock->Open();
  sock->PeerClose();
  sock->Deliver(ServerMessage("NICK:after the close"));
  EXPECT_THAT(events.lines, ElementsAre("WinsockError(Connection closed by the server)"));
}

TEST_F(ControlConnection, SocketErrorIsReportedAndCloses) {
  Connect();
  toc->UsersHere.Add(Collection<std::string>{}, "42");
  const int closesBefore = sock->closeCount;
  sock->Fail("Connection refused");
  EXPECT_THAT(events.lines, ElementsAre("WinsockError(Connection refused)"));
  EXPECT_EQ(toc->UsersHere.Count(), 0u);
  EXPECT_EQ(sock->closeCount, closesBefore + 1);
}

TEST_F(ControlConnection, HandlerMayLogInAgainFromASocketError) {
  Connect();
  events.onEvent = [&](const std::string&) { toc->Login("abc", "pw", "backup.example", 5190); };
  sock->Fail("Network unreachable");
  EXPECT_EQ(sock->State(), SocketState::Connecting) << "the new connection is not closed behind the handler";
}

TEST_F(ControlConnection, LogOffReportsTheNameAndForgetsTheSession) {
  SignOn("Ab C");
  toc->LastChatID = 42;
  toc->UsersHere.Add(Collection<std::string>{}, "42");
  toc->LogOff();
  EXPECT_THAT(events.lines, ElementsAre("LoggedOut(abc)"));
  EXPECT_EQ(sock->State(), SocketState::Closed);
  EXPECT_TRUE(toc->strUserName.empty());
  EXPECT_TRUE(toc->strPassword.empty());
  EXPECT_TRUE(toc->strAuthServer.empty());
  EXPECT_EQ(toc->LastChatID, 0);
  EXPECT_EQ(toc->UsersHere.Count(), 0u);
}

// A handler that renames the session or signs on again keeps the name it was given.
TEST(ControlSessionEvents, HandlersGetTheirOwnCopyOfTheName) {
  struct Renaming : QuovTOCSockEvents {
    QuovTOCSock* toc = nullptr;
    std::vector<std::string> seen;
    void LoggedIn(std::string name, Collection<std::string>&, Collection<std::string>&, Collection<std::string>&,
                  Collection<std::string>&, const std::string&, std::int16_t) override {
      toc->strUserName = "renamed";
      seen.push_back(name);
    }
    void LoggedOut(std::string name) override {
      toc->Login("Other", "", "h", 5190);
      seen.push_back(name);
    }
  } holder;
  auto socket = std::make_unique<FakeSocket>();
  FakeSocket* fake = socket.get();
  QuovTOCSock toc(std::move(socket), &holder);
  holder.toc = &toc;
  toc.Login("abc", "", "h", 5190);
  fake->Open();
  fake->Deliver(SignOnFrame() + ServerMessage("CONFIG2:done:\n"));
  toc.LogOff();
  EXPECT_THAT(holder.seen, ElementsAre("abc", "renamed"));
}

TEST(ControlLogo, ShippedImageHasTheLogosSize) {
  std::ifstream png(std::string(KLAXO_SOURCE_DIR) + "/control/" + QuovTOCSock::imgSockLogo.file, std::ios::binary);
  ASSERT_TRUE(png.good());
  std::string header(26, '\0');
  png.read(header.data(), 26);
  ASSERT_EQ(header.substr(1, 3), "PNG");
  const auto be32 = [&](std::size_t at) {
    return (static_cast<unsigned char>(header[at]) << 24) | (static_cast<unsigned char>(header[at + 1]) << 16) |
           (static_cast<unsigned char>(header[at + 2]) << 8) | static_cast<unsigned char>(header[at + 3]);
  };
  EXPECT_EQ(be32(16), QuovTOCSock::imgSockLogo.Width);
  EXPECT_EQ(be32(20), QuovTOCSock::imgSockLogo.Height);
  EXPECT_EQ(header[24], 8) << "8 bits per channel";
  EXPECT_EQ(header[25], 2) << "RGB: 24 bits per pixel";
}
