#include <vector>

#include "ControlFixture.h"

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

namespace {
struct MessageCase {
  const char* message;
  // The one event raised, or empty when nothing may be raised.
  const char* event;
};

class ControlBuddies : public ControlTest {
 protected:
  ControlBuddies() { SignOn(); }

  void ExpectEach(const std::vector<MessageCase>& cases) {
    for (const MessageCase& c : cases) {
      SCOPED_TRACE(c.message);
      events.lines.clear();
      sock->Deliver(ServerMessage(c.message));
      if (*c.event == '\0') {
        EXPECT_THAT(events.lines, IsEmpty());
      } else {
        EXPECT_THAT(events.lines, ElementsAre(c.event));
      }
      EXPECT_THAT(sock->TakeSent(), IsEmpty()) << "these messages are never answered";
    }
  }
};
}  // namespace

TEST_F(ControlBuddies, PresenceUpdates) {
  ExpectEach({
      {"UPDATE_BUDDY2:bob:T:0:600:5: O:caps,more:and:more", "BuddyUpdate(bob,true,0,600,5, O)"},
      {"UPDATE_BUDDY2:Bob Smith:F:12:-1:0:", "BuddyUpdate(Bob Smith,false,12,-1,0,)"},
      {"UPDATE_BUDDY2:bob:t:0:1:2:A", "BuddyUpdate(bob,true,0,1,2,A)"},
      {"UPDATE_BUDDY2:bob:f:0:1:2:A", "BuddyUpdate(bob,true,0,1,2,A)"},
      {"UPDATE_BUDDY2:bob::0:1:2:A", "BuddyUpdate(bob,true,0,1,2,A)"},
      {"UPDATE_BUDDY2:bob:T:-32768:2147483647:-2147483648:A", "BuddyUpdate(bob,true,-32768,2147483647,-2147483648,A)"},
      {"UPDATE_BUDDY2:bob:T:32768:1:2:A", ""},
      {"UPDATE_BUDDY2:bob:T:0:2147483648:2:A", ""},
      {"UPDATE_BUDDY2:bob:T:0:1:-2147483649:A", ""},
      {"UPDATE_BUDDY2:bob:T:x:1:2:A", ""},
      {"UPDATE_BUDDY2:bob:T:0:1:2", ""},
      {"UPDATE_BUDDY2", ""},
      {"BUDDY_CAPS2:bob:cap1,cap2:x", "BuddyCapabilities(bob,cap1,cap2:x)"},
      {"BUDDY_CAPS2:bob:", "BuddyCapabilities(bob,)"},
      {"BUDDY_CAPS2:bob", ""},
      {"BART2:bob:0 2 abc:def", "BuddyBart(bob,0 2 abc:def)"},
      {"BART2:bob", ""},
  });
}

TEST_F(ControlBuddies, ListInsertions) {
  ExpectEach({
      {"INSERTED2:b:Bobby:bob:Friends", "BuddyAdded(Friends,bob,Bobby)"},
      {"INSERTED2:b:Bobby:bob:Work: Home", "BuddyAdded(Work: Home,bob,Bobby)"},
      {"INSERTED2:b::bob:Friends", "BuddyAdded(Friends,bob,)"},
      {"INSERTED2:b:Bobby:bob", ""},
      {"INSERTED2:p:carol:x", "PrivateBuddyAdded(carol:x)"},
      {"INSERTED2:d:eve:x", "BuddyBlocked(eve:x)"},
      {"INSERTED2:g:Work: Home", "GroupAdded(Work: Home)"},
      {"INSERTED2:g", ""},
      {"INSERTED2:x:bob", ""},
      {"INSERTED2:B:Bobby:bob:Friends", ""},
      {"INSERTED2:bb:Bobby:bob:Friends", ""},
      {"INSERTED2", ""},
      {"UPDATED2:b:bob:Friends", ""},
  });
}

TEST_F(ControlBuddies, ListDeletions) {
  ExpectEach({
      {"DELETED2:b:bob:Friends", "BuddyRemoved(Friends,bob)"},
      {"DELETED2:b:bob:Work: Home", "BuddyRemoved(Work: Home,bob)"},
      {"DELETED2:b:bob", ""},
      {"DELETED2:p:carol:more:fields", "PrivateBuddyRemoved(carol)"},
      {"DELETED2:p:carol", "PrivateBuddyRemoved(carol)"},
      {"DELETED2:d:eve:x", "BuddyUnblocked(eve:x)"},
      {"DELETED2:g:Work: Home", "GroupRemoved(Work: Home)"},
      {"DELETED2:d", ""},
      {"DELETED2:P:carol", ""},
      {"DELETED2", ""},
  });
}

TEST_F(ControlBuddies, EveryMessageOfOneArrivalIsHandledInOrder) {
  sock->DeliverInChunks(ServerMessage("INSERTED2:g:Work") + ServerMessage("INSERTED2:b:B:bob:Work") +
                            ServerMessage("UPDATE_BUDDY2:bob:T:0:0:0:A") + ServerMessage("DELETED2:b:bob:Work"),
                        3);
  EXPECT_THAT(events.lines, ElementsAreArray({"GroupAdded(Work)", "BuddyAdded(Work,bob,B)",
                                              "BuddyUpdate(bob,true,0,0,0,A)", "BuddyRemoved(Work,bob)"}));
}
