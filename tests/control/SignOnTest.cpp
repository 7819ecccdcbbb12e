#include "ControlFixture.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;

using ControlSignOn = ControlTest;

namespace {
const std::string kLoginTail = " English  \"QuovTOCSock 2.0\" 160 US \"\" \"\" 3 0 30303 -kentucky -utf8 52718093";
}

TEST_F(ControlSignOn, AnswersTheServersSignOnFrameWithFrameAndCommand) {
  toc->Login("abc", "password", "toc.example", 5190);
  sock->Open();
  sock->TakeSent();
  sock->Deliver(SignOnFrame());
  const std::string expectedSignOn =
      Bytes({0x2A, 0x01, 0x00, 0x00, 0x00, 0x0B, 0x00, 0x00, 0x00, 0x01, 0x00, 0x01, 0x00, 0x03, 0x61, 0x62, 0x63});
  const std::string login = "toc2_login localhost 5190 abc 0x2408105c23001130" + kLoginTail;
  EXPECT_EQ(sock->TakeSent(), expectedSignOn + ClientCommand(login, 1));
}

TEST_F(ControlSignOn, LoginCommandCarriesAuthorizerAndPort) {
  toc->Login("Ab C", "", "toc.example", 9898, "auth.example");
  sock->Open();
  sock->TakeSent();
  sock->Deliver(SignOnFrame());
  const std::string sent = sock->TakeSent();
  EXPECT_EQ(sent.substr(6 + 8 + 3), ClientCommand("toc2_login auth.example 9898 abc 0x" + kLoginTail, 1));
}

TEST_F(ControlSignOn, NickReportsTheNameAsDisplayed) {
  Connect();
  sock->Deliver(ServerMessage("NICK:Ab C") + ServerMessage("nick:ignored") + ServerMessage("NICK") +
                ServerMessage("SIGN_ON:TOC2.0") + ServerMessage("") + ServerMessage("NICK:with:colon"));
  EXPECT_THAT(events.lines, ElementsAre("ScreennameFormat(Ab C)", "ScreennameFormat(with:colon)"));
}

TEST_F(ControlSignOn, OtherFrameTypes) {
  Connect();
  sock->Deliver(flap::BuildFrame(flap::kError, 0, "x") + flap::BuildFrame(flap::kSignOff, 1, ""));
  EXPECT_THAT(events.lines, IsEmpty());
  EXPECT_THAT(sock->sent, IsEmpty());
  sock->Deliver(flap::BuildFrame(9, 2, "payload"));
  ASSERT_THAT(events.lines, ElementsAre("Error(0,Unknown Channel Detected: \x09)"));
  EXPECT_EQ(events.lines[0].size() - std::string("Error(0,)").size(), 27u) << "the text raised";
}

TEST_F(ControlSignOn, ConfigurationAcrossMessagesGivesOneLoggedIn) {
  AwaitConfiguration("Ab C");
  sock->Deliver(ServerMessage("CONFIG2:g:Friends\nb:alice\nk:done:"));
  sock->Deliver(ServerMessage("CONFIG2:"));
  sock->Deliver(ServerMessage("CONFIG2:\nb:bob\nd:eve\np:carol\n"));
  EXPECT_THAT(events.lines, IsEmpty()) << "only the newly received text is searched for the end";
  EXPECT_THAT(sock->sent, IsEmpty());
  sock->Deliver(ServerMessage("CONFIG2:m:3\npref:x\nk:1\ndone:\n"));
  EXPECT_THAT(events.lines, ElementsAre("LoggedIn(abc,[[group]Friends|alice|bob],[eve],[carol],[k:done:|k:1],x,3)"));
  EXPECT_EQ(sock->TakeSent(), ClientCommand("toc_init_done", 2));
}

TEST_F(ControlSignOn, ConfigurationLineRules) {
  AwaitConfiguration();
  sock->Deliver(
      ServerMessage("CONFIG2:b:a:::::b::::c::::::::::d\npref:first\npref:second\nm:7x\nm:x\nm:\nd:\n\nmx:1\ndone:\ng:"
                    "after\ndone:\n"));
  EXPECT_THAT(events.lines, ElementsAre("LoggedIn(abc,[a:b::::c::d],[\"\"],[],[\"\"|mx:1],second,7)"));
  EXPECT_EQ(sock->TakeSent(), ClientCommand("toc_init_done", 2)) << "exactly once";
}

TEST_F(ControlSignOn, CommandsSentWhileLoggingInGoBeforeInitDone) {
  AwaitConfiguration();
  events.onEvent = [&](const std::string&) { toc->SendPacket(2, "toc_chat_join \"4\" \"lobby\""); };
  sock->Deliver(ServerMessage("CONFIG2:done:\n"));
  EXPECT_EQ(sock->TakeSent(), ClientCommand("toc_chat_join \"4\" \"lobby\"", 2) + ClientCommand("toc_init_done", 3));
}

TEST_F(ControlSignOn, ConfigurationEndInsideALineStillEnds) {
  AwaitConfiguration();
  sock->Deliver(ServerMessage("CONFIG2:b:xdone:\nrest without line feed"));
  EXPECT_THAT(events.lines, IsEmpty()) << "no line is the done: line";
  EXPECT_EQ(sock->TakeSent(), ClientCommand("toc_init_done", 2));
}

TEST_F(ControlSignOn, EndlessConfigurationIsBounded) {
  AwaitConfiguration();
  const std::string chunk = "CONFIG2:" + std::string(60000, 'b') + "\n";
  for (int i = 0; i < 18; ++i) sock->Deliver(ServerMessage(chunk));
  ASSERT_EQ(events.lines.size(), 1u);
  EXPECT_EQ(events.lines[0], "Error(0,Buddy-list configuration over 1 MiB without its end; discarded)");
  events.lines.clear();
  sock->Deliver(ServerMessage("CONFIG2:g:G\ndone:\n"));
  EXPECT_THAT(events.lines, ElementsAre("LoggedIn(abc,[[group]G],[],[],[],,0)"))
      << "only what came after the discarded text";
}

// Each phase answers only its own frames, so a server that repeats itself
// gets no second password, LoggedIn or toc_init_done; keep-alives are
// answered in every phase. A configuration is kept in any phase.
TEST(ControlPhase, EachPhaseAnswersOnlyItsOwnFrames) {
  using P = QuovTOCSock::Phase;
  const std::string signOn = SignOnFrame();
  const std::string answer = SignOnFrameFor("abc") + ClientCommand(LoginLine("abc", "pw"), 1);
  const std::string done = ServerMessage("CONFIG2:done:\n");
  const std::string initDone = ClientCommand("toc_init_done", 2);
  const std::vector<std::string> loggedIn{"LoggedIn(abc,[],[],[],[],,0)"};
  const auto keepAlive = [](std::uint16_t sequence) { return flap::BuildFrame(flap::kKeepAlive, sequence, ""); };
  const struct {
    std::string frames, sent;
    std::vector<std::string> raised;
    P phase;
    std::string buddies;
  } rows[] = {
      // clang-format off
      {"", "", {}, P::AwaitingSignOnFrame, "[]"},
      {signOn, answer, {}, P::AwaitingConfiguration, "[]"},
      {signOn + signOn + done + signOn, answer + initDone, loggedIn, P::SignedOn, "[]"},
      {ServerMessage("CONFIG2:g:Early\ndone:\n") + signOn, answer, {}, P::AwaitingConfiguration, "[[group]Early]"},
      {signOn + done + done + ServerMessage("CONFIG2:g:Later\ndone:\n"), answer + initDone, loggedIn, P::SignedOn, "[[group]Later]"},
      {keepAlive(7) + signOn + keepAlive(8) + done + keepAlive(9), keepAlive(0) + SignOnFrameFor("abc", 1) + ClientCommand(LoginLine("abc", "pw"), 2) + keepAlive(3) + ClientCommand("toc_init_done", 4) + keepAlive(5), loggedIn, P::SignedOn, "[]"},
      // clang-format on
  };
  for (const auto& row : rows) {
    RecordingEvents events;
    auto socket = std::make_unique<FakeSocket>();
    FakeSocket& sock = *socket;
    QuovTOCSock toc(std::move(socket), &events);
    toc.Login("abc", "pw", "toc.example", 5190);
    sock.Open();
    sock.TakeSent();
    sock.Deliver(row.frames);
    SCOPED_TRACE(&row - rows);
    EXPECT_EQ(sock.TakeSent(), row.sent);
    EXPECT_EQ(events.lines, row.raised);
    EXPECT_EQ(toc.CurrentPhase(), row.phase);
    EXPECT_EQ(RecordingEvents::Join(toc.LastConfiguration.BuddyList), row.buddies);
  }
}
