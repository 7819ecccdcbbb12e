#include <vector>

#include "ControlFixture.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {
// The occupants of a room as key=value texts, in order.
std::vector<std::string> Occupants(const QuovTOCSock& toc, const std::string& room) {
  std::vector<std::string> texts;
  const auto* occupants = toc.UsersHere.Item(room);
  if (occupants == nullptr) return {"<no entry>"};
  for (const auto& entry : *occupants) texts.push_back(entry.key.value_or("") + "=" + entry.value);
  return texts;
}

class ListRecorder : public PeopleList {
 public:
  void ClearPeople() override { people.clear(); }
  void AddPerson(const std::string& name) override { people.push_back(name); }
  std::vector<std::string> people{"stale entry"};
};
}  // namespace

class ControlChat : public ControlTest {
 protected:
  ControlChat() { SignOn(); }
  void Say(const std::string& message) { sock->Deliver(ServerMessage(message)); }
  void JoinRooms(int count, int firstId) {
    for (int i = 0; i < count; ++i) Say("CHAT_JOIN:" + std::to_string(firstId + i) + ":Room" + std::to_string(i));
  }
};

TEST_F(ControlChat, JoinArrivalsDeparturesAndLeaving) {
  Say("CHAT_JOIN:42:Lobby");
  EXPECT_EQ(toc->LastChatID, 42);
  EXPECT_EQ(toc->GetChatName(42), "Lobby");
  EXPECT_THAT(Occupants(*toc, "42"), IsEmpty());

  Say("CHAT_UPDATE_BUDDY:42:T:Alice B:bob");
  EXPECT_THAT(Occupants(*toc, "42"), ElementsAre("aliceb=Alice B", "bob=bob"));

  Say("CHAT_UPDATE_BUDDY:42:T:cy");
  Say("CHAT_UPDATE_BUDDY:42:F:Alice B:bob");
  EXPECT_THAT(Occupants(*toc, "42"), ElementsAre("cy=cy")) << "a departure handles every name";
  Say("CHAT_JOIN:42:Lobby");
  EXPECT_THAT(Occupants(*toc, "42"), ElementsAre("cy=cy")) << "joined again before CHAT_LEFT: the list stays";

  Say("CHAT_IN_ENC:42:bob:F:US-ASCII:en:hi: there");
  Say("CHAT_LEFT:42");
  EXPECT_THAT(Occupants(*toc, "42"), ElementsAre("<no entry>"));
  EXPECT_EQ(toc->LastChatID, 42) << "leaving keeps LastChatID";

  Say("CHAT_JOIN:42:Lobby");
  Say("CHAT_UPDATE_BUDDY:42:T:abc");
  EXPECT_THAT(
      events.lines,
      ElementsAre("JoinedChat(Lobby,42)", "InitialJoin(Alice B:bob,42)", "ChatUserUpdate(Alice B,true,42)",
                  "ChatUserUpdate(bob,true,42)", "ChatUserUpdate(cy,true,42)", "ChatUserUpdate(Alice B,false,42)",
                  "ChatUserUpdate(bob,false,42)", "JoinedChat(Lobby,42)", "ChatMessage(42,bob,hi: there)",
                  "LeftChat(42)", "JoinedChat(Lobby,42)", "InitialJoin(abc,42)", "ChatUserUpdate(abc,true,42)"));
}

TEST_F(ControlChat, RoomEmptiedOrUnknownGetsAnInitialListAgain) {
  Say("CHAT_JOIN:7:a:b");
  EXPECT_EQ(toc->GetChatName(7), "a:b") << "room names keep their colons";
  Say("CHAT_UPDATE_BUDDY:7:T:bob");
  Say("CHAT_UPDATE_BUDDY:7:F:bob");
  Say("CHAT_UPDATE_BUDDY:7:x:carol");
  Say("CHAT_UPDATE_BUDDY:99:T:dave:erin");
  EXPECT_THAT(events.lines,
              ElementsAre("JoinedChat(a:b,7)", "InitialJoin(bob,7)", "ChatUserUpdate(bob,true,7)",
                          "ChatUserUpdate(bob,false,7)", "InitialJoin(carol,7)", "ChatUserUpdate(carol,false,7)",
                          "InitialJoin(dave:erin,99)", "ChatUserUpdate(dave,true,99)", "ChatUserUpdate(erin,true,99)"));
  EXPECT_THAT(Occupants(*toc, "99"), ElementsAre("<no entry>")) << "no entry is made for an unknown room";
}

TEST_F(ControlChat, HandlerSeesTheRoomAsItWasBeforeEachName) {
  Say("CHAT_JOIN:42:Lobby");
  std::vector<std::size_t> countsSeen;
  events.onEvent = [&](const std::string& line) {
    if (line.rfind("ChatUserUpdate", 0) == 0) countsSeen.push_back(toc->UsersHere.Item("42")->Count());
  };
  Say("CHAT_UPDATE_BUDDY:42:T:Alice B:bob:ALICEB");
  Say("CHAT_UPDATE_BUDDY:42:F:BOB");
  EXPECT_THAT(countsSeen, ElementsAre(0u, 1u, 2u, 2u)) << "a departure is raised before the name leaves";
  EXPECT_THAT(Occupants(*toc, "42"), ElementsAre("aliceb=Alice B")) << "a name already present is not added";
}

// The room is looked up again after every event: a handler may end the
// session and the holder may put other records in place of the old ones.
TEST_F(ControlChat, HandlerThatEndsTheSessionMidListIsSafe) {
  Say("CHAT_JOIN:42:Lobby");
  Collection<Collection<std::string>> taken;
  events.onEvent = [&](const std::string& line) {
    if (line != "ChatUserUpdate(b,true,42)") return;
    taken = std::move(toc->UsersHere);
    toc->LogOff();
    toc->UsersHere.Add(Collection<std::string>{}, "42");
  };
  Say("CHAT_UPDATE_BUDDY:42:T:a:b:c");
  EXPECT_EQ(events.lines.back(), "ChatUserUpdate(c,true,42)");
  EXPECT_THAT(Occupants(*toc, "42"), ElementsAre("b=b", "c=c"));
  ASSERT_NE(taken.Item("42"), nullptr);
  EXPECT_EQ(taken.Item("42")->Count(), 1u) << "only a went into the room taken away";
}

TEST_F(ControlChat, JoinedChatHandlerWritesLastChatIDItself) {
  struct Renumber : RecordingEvents {
    void JoinedChat(std::string&, std::int32_t& id) override { id = 1234; }
  };
  Renumber renumber;
  auto socket = std::make_unique<FakeSocket>();
  FakeSocket* fake = socket.get();
  QuovTOCSock other(std::move(socket), &renumber);
  other.Login("abc", "", "h", 5190);
  fake->Open();
  fake->Deliver(ServerMessage("CHAT_JOIN:42:Lobby"));
  EXPECT_EQ(other.LastChatID, 1234);
}

// A room no event could name by number is not recorded at all: announced,
// it would leave LastChatID on another room.
TEST_F(ControlChat, UnreadableRoomIdIsIgnored) {
  Say("CHAT_JOIN:5:Five");
  Say("CHAT_JOIN:abc:Bad");
  Say("CHAT_JOIN:99999999999:Huge");
  EXPECT_EQ(toc->LastChatID, 5);
  EXPECT_THAT(events.lines, ElementsAre("JoinedChat(Five,5)"));
  EXPECT_EQ(toc->GetChatName(0), "") << "no slot is named";
  EXPECT_EQ(toc->UsersHere.Count(), 1u);

  events.lines.clear();
  Say("CHAT_IN_ENC:abc:bob:F:A:en:lost");
  Say("CHAT_LEFT:abc");
  Say("CHAT_LEFT:5:x");
  Say("CHAT_JOIN");
  Say("CHAT_IN_ENC:5:bob:F:A");
  EXPECT_THAT(events.lines, IsEmpty());
  Say("CHAT_JOIN:9");
  EXPECT_EQ(toc->LastChatID, 9) << "a join without a name is recorded, unannounced";
}

TEST_F(ControlChat, ElevenSlotsAreNeverFreed) {
  EXPECT_EQ(toc->GetChatName(0), "") << "the first free slot's name";
  JoinRooms(11, 100);
  EXPECT_EQ(toc->GetChatName(0), "[No Chat Name Found for ID]");
  Say("CHAT_JOIN:500:Twelfth");
  EXPECT_EQ(toc->LastChatID, 500);
  EXPECT_EQ(events.lines.back(), "JoinedChat(Twelfth,500)");
  EXPECT_EQ(toc->GetChatName(500), "[No Chat Name Found for ID]");
  EXPECT_EQ(toc->UsersHere.Count(), 12u);

  sock->TakeSent();
  toc->SendChat("Twelfth", "hi");
  EXPECT_THAT(sock->TakeSent(), IsEmpty()) << "an unrecorded room cannot be found by name";
  toc->SendChat("Twelfth", "hi", 500);
  EXPECT_EQ(sock->TakeSent(), ClientCommand("toc_chat_send \"500\" \"hi\"", 3));
}

// The room the holder watches (LastChatID) and the room last joined are
// always kept, and the people of all rooms together are bounded as well as
// each room's.
TEST_F(ControlChat, RoomsAndThePeopleOfAllRoomsTogetherAreBounded) {
  Say("CHAT_JOIN:7:Watched");
  events.onEvent = [&](const std::string&) { toc->LastChatID = 7; };
  JoinRooms(QuovTOCSock::kMaxRooms + 1, 98);
  EXPECT_FALSE(toc->UsersHere.Contains("99")) << "the earliest rooms gave way";
  EXPECT_TRUE(toc->UsersHere.Contains("7") && toc->UsersHere.Contains("114"));
  EXPECT_EQ(toc->UsersHere.Count(), QuovTOCSock::kMaxRooms);
  for (const char* room : {"100", "101", "102"}) {
    for (std::size_t first = 0; first < kMaxRoomSize; first += 5000) {
      std::string names;
      for (std::size_t i = first; i < first + 5000; ++i) names += ":p" + std::to_string(i);
      Say(std::string("CHAT_UPDATE_BUDDY:") + room + ":T" + names);
    }
  }
  EXPECT_EQ(toc->UsersHere.Item("101")->Count(), kMaxRoomSize);
  EXPECT_EQ(toc->UsersHere.Item("102")->Count(), QuovTOCSock::kMaxPeopleHere - 2 * kMaxRoomSize);
}

TEST_F(ControlChat, SameIdInTwoSlotsNamesTheLowerOne) {
  Say("CHAT_JOIN:8:First");
  Say("CHAT_LEFT:8");
  Say("CHAT_JOIN:8:Second");
  EXPECT_EQ(toc->GetChatName(8), "First");
  sock->TakeSent();
  toc->LeaveChat("Second");
  EXPECT_EQ(sock->TakeSent(), ClientCommand("toc_chat_leave \"8\"", 3));
}

TEST_F(ControlChat, Invitation) {
  Say("CHAT_INVITE:Book Club:77:Carol:come: now");
  Say("CHAT_INVITE:Book Club:x7:Carol:bad id");
  EXPECT_THAT(events.lines, ElementsAre("ChatInvite(Book Club,77,Carol,come: now)"));
}

TEST_F(ControlChat, CommandLinesAreExact) {
  Say("CHAT_JOIN:12:Lobby");
  sock->TakeSent();
  std::uint16_t n = 3;  // after the sign-on frame, the login and toc_init_done
  // Checks the frame sent and gives the length of its line, without the NUL.
  const auto expectLine = [&](const std::string& line) {
    const std::string frame = sock->TakeSent();
    EXPECT_EQ(frame, ClientCommand(line, n++));
    return frame.size() - flap::kHeaderSize - 1;
  };

  toc->JoinChat("  Lobby  ", 4);
  EXPECT_EQ(expectLine("toc_chat_join \"4\" \"Lobby\""), 25u);
  toc->JoinChat(" The \"Big\" \\ Room", -3);
  expectLine("toc_chat_join \"-3\" \"The \"Big\" \\ Room\"");
  toc->SendChat("Lobby", "hi");
  EXPECT_EQ(expectLine("toc_chat_send \"12\" \"hi\""), 23u);
  toc->SendChat("Lobby", "hi", -30);
  expectLine("toc_chat_send \"-30\" \"hi\"");
  toc->SendChat("Lobby", "a\"b\\c$d(e)f[g]h{i}j: 'k'");
  expectLine("toc_chat_send \"12\" \"a\\\"b\\\\c\\$d\\(e\\)f\\[g\\]h\\{i\\}j: 'k'\"");
  toc->SendChat("Lobby", std::string(2026, 'x'));
  EXPECT_EQ(expectLine("toc_chat_send \"12\" \"" + std::string(2026, 'x') + "\""), 2047u)
      << "the longest, with its NUL";
  const std::string over = std::string(2024, 'x') + "()";
  EXPECT_EQ(toc->ChatSendExcess("Lobby", over), 2u) << "escapes count";
  events.lines.clear();
  toc->SendChat("Lobby", over);
  EXPECT_EQ(sock->TakeSent(), "") << "the server would close the connection over it";
  EXPECT_EQ(events.lines, std::vector<std::string>{"Error(0,toc_chat_send not sent: it is 2 bytes too long)"});
  toc->LeaveChat("Anything", 7);
  expectLine("toc_chat_leave \"7\"");
  toc->LeaveChat("Lobby");
  expectLine("toc_chat_leave \"12\"");
  toc->InviteUsers("Lobby", "join (us)", "Pat Smith");
  expectLine("toc_chat_invite \"12\" \"join \\(us\\)\" \"patsmith\"");
  toc->AcceptChatInvite(0);
  expectLine("toc_chat_accept \"0\"");
}

TEST_F(ControlChat, RoomNamesMatchExactly) {
  Say("CHAT_JOIN:12:Lobby");
  sock->TakeSent();
  toc->LeaveChat("lobby");
  toc->SendChat("Lobby ", "x");
  toc->InviteUsers("LOBBY", "x", "pat");
  EXPECT_THAT(sock->TakeSent(), IsEmpty());
  toc->LeaveChat("");
  EXPECT_EQ(sock->TakeSent(), ClientCommand("toc_chat_leave \"0\"", 3)) << "a never-filled slot has an empty name";
}

TEST_F(ControlChat, CommandsWhileDisconnectedSendNothing) {
  Say("CHAT_JOIN:12:Lobby");
  toc->LogOff();
  sock->TakeSent();
  toc->JoinChat("Lobby", 4);
  toc->SendChat("", "x", 12);
  toc->AcceptChatInvite(3);
  EXPECT_THAT(sock->sent, IsEmpty());
}

// A room is one room however its number is written.
TEST_F(ControlChat, SetUsersReplacesTheListWithTheStoredNames) {
  Say("CHAT_JOIN:042:Lobby");
  Say("CHAT_UPDATE_BUDDY:0042:T:Alice B:bob:Carol");
  ListRecorder list;
  toc->SetUsers(list, "042");
  EXPECT_THAT(list.people, ElementsAre("Alice B", "bob", "Carol"));
  toc->SetUsers(list, "43");
  EXPECT_THAT(list.people, IsEmpty());
}
