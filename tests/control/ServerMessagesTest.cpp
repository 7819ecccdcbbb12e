#include <vector>

#include "ControlFixture.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {
struct MessageCase {
  const char* message;
  // The one event raised, or empty when nothing may be raised.
  const char* event;
};

class ControlServerMessages : public ControlTest {
 protected:
  ControlServerMessages() { SignOn(); }

  void ExpectEach(const std::vector<MessageCase>& cases) {
    for (const MessageCase& c : cases) {
      SCOPED_TRACE(c.message);
      events.lines.clear();
      sock->Deliver(ServerMessage(c.message));
      std::string raised;
      for (const std::string& line : events.lines) raised += (raised.empty() ? "" : "; ") + line;
      EXPECT_EQ(raised, c.event);
      EXPECT_THAT(sock->TakeSent(), IsEmpty()) << "these messages are never answered";
    }
  }
};
}  // namespace

TEST_F(ControlServerMessages, PresenceUpdates) {
  ExpectEach({
      {"UPDATE_BUDDY2:bob:T:0:600:5: O:caps,more:and:more", "BuddyUpdate(bob,true,0,600,5, O)"},
      {"UPDATE_BUDDY2:Bob Smith:F:12:-1:0:", "BuddyUpdate(Bob Smith,false,12,-1,0,)"},
      {"UPDATE_BUDDY2:bob:t:0:1:2:A", "BuddyUpdate(bob,true,0,1,2,A)"},
      {"UPDATE_BUDDY2:bob::0:1:2:A", "BuddyUpdate(bob,true,0,1,2,A)"},
      {"UPDATE_BUDDY2:bob:T:-32768:2147483647:-2147483648:A", "BuddyUpdate(bob,true,-32768,2147483647,-2147483648,A)"},
      {"UPDATE_BUDDY2:bob:T:32768:1:2:A", ""},
      {"UPDATE_BUDDY2:bob:T:0:2147483648:2:A", ""},
      {"UPDATE_BUDDY2:bob:T:0:1:-2147483649:A", ""},
      {"UPDATE_BUDDY2:bob:T:x:1:2:A", ""},
      {"UPDATE_BUDDY2:bob:T:0:1:2", ""},
      {"UPDATE_BUDDY2", ""},
      {"BUDDY_CAPS2:bob:cap1,cap2:x", "BuddyCapabilities(bob,cap1,cap2:x)"},
      {"BUDDY_CAPS2:bob", ""},
      {"BART2:bob:0 2 abc:def", "BuddyBart(bob,0 2 abc:def)"},
      {"BART2:bob", ""},
  });
}

TEST_F(ControlServerMessages, ListInsertions) {
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
      {"INSERTED2", ""},
      {"UPDATED2:b:bob:Friends", ""},
      {"UPDATED2:g:Work", ""},
  });
}

TEST_F(ControlServerMessages, ListDeletions) {
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

TEST_F(ControlServerMessages, ErrorTable) {
  ExpectEach({
      {"ERROR:901:bob", "Error(901,bob is not available)"},
      {"ERROR:901:Bob: Smith", "Error(901,Bob: Smith is not available)"},
      {"ERROR:902:bob", "Error(902,Warning of bob is not currently available)"},
      {"ERROR:903", "Error(903,A message has been dropped, you are exceeding the server speed limit)"},
      {"ERROR:903:ignored", "Error(903,A message has been dropped, you are exceeding the server speed limit)"},
      {"ERROR:911", "Error(911,Error validating input)"},
      {"ERROR:951:Lobby:-1", "Error(951,Could not join chat 'Lobby': Possible Reset)"},
      {"ERROR:951:Lobby:24", "Error(951,Could not join chat 'Lobby': Chat Full)"},
      {"ERROR:951:Lobby:48", "Error(951,Could not join chat 'Lobby': Rated)"},
      {"ERROR:951:Lobby:74", "Error(951,Could not join chat 'Lobby': Ejected)"},
      {"ERROR:951:Lobby:5", "Error(951,Could not join chat 'Lobby': Unknown error)"},
      {"ERROR:951:Lobby:24:x", "Error(951,Could not join chat 'Lobby': Unknown error)"},
      {"ERROR:951:Lobby:024", "Error(951,Could not join chat 'Lobby': Unknown error)"},
      {"ERROR:951:Lobby", "Error(951,Could not join chat 'Lobby': Unknown error)"},
      {"ERROR:980", "Error(980,Invalid account or password); SignOnRefused(980,0)"},
      {"ERROR:983", "Error(983,You are attempting to sign on again too soon); SignOnRefused(983,0)"},
      {"ERROR:989:7", "Error(989,The screenname or password you entered is not valid); SignOnRefused(989,7)"},
      {"ERROR:989:17", "Error(989,Sign on Blocked); SignOnRefused(989,17)"},
      {"ERROR:989:2", "Error(989,Unknown error code 989, sub error: 2); SignOnRefused(989,2)"},
      {"ERROR:989:7:x", "Error(989,Unknown error code 989, sub error: 7:x); SignOnRefused(989,0)"},
      {"ERROR:960", "Error(960,Error code: 960)"},
      {"ERROR:0901:bob", "Error(901,Error code: 0901)"},
      {"ERROR:+980", "Error(980,Error code: +980)"},
      {"ERROR:-7", "Error(-7,Error code: -7)"},
  });
}

TEST_F(ControlServerMessages, ErrorReportsThatRaiseNothing) {
  ExpectEach({
      {"ERROR", ""},
      {"ERROR:", ""},
      {"ERROR:abc", ""},
      {"ERROR:32768", ""},
      {"ERROR:901", ""},
      {"ERROR:902", ""},
      {"ERROR:951", ""},
      {"ERROR:989", ""},
  });
}

TEST_F(ControlServerMessages, InstantMessagesAndNotices) {
  ExpectEach({
      {"IM_IN_ENC2:bob:F:x:x: O:x:x:x:hi: there:<b>x</b>", "InstantMessage(bob,hi: there:<b>x</b>,false, O)"},
      {"IM_IN_ENC2:bob:T:x:x: O:x:x:x:hi", "InstantMessage(bob,hi,true, O)"},
      {"IM_IN_ENC2:bob:f:x:x:O:x:x:x:", "InstantMessage(bob,,true,O)"},
      {"IM_IN_ENC2:bob:F:x:x:O:x:x:x", ""},
      {"GOTO_URL:bob:http://host/info?a=b", "UserProfile(http://host/info?a=b)"},
      {"GOTO_URL:bob", ""},
      {"EVILED:07:bob", "Warned(7,bob)"},
      {"EVILED:07:", "Warned(7,)"},
      {"EVILED:-0:Bob: Smith", "Warned(0,Bob: Smith)"},
      {"EVILED:32768:bob", ""},
      {"EVILED:7", ""},
      {"ADMIN_NICK_STATUS:0", "ScreenNameFormatted()"},
      {"ADMIN_PASSWD_STATUS:1:failed", "PasswordChanged()"},
      {"ADMIN_PASSWD_STATUS", "PasswordChanged()"},
      {"RVOUS_PROPOSE:bob:uuid:cookie:1:10.0.0.1:10.0.0.2:10.0.0.3:4443:x:y",
       "RendevousRequest(bob,uuid,cookie,10.0.0.1,10.0.0.2,10.0.0.3,4443)"},
      {"RVOUS_PROPOSE:bob:uuid:cookie:1:a:b:c:-2147483648", "RendevousRequest(bob,uuid,cookie,a,b,c,-2147483648)"},
      {"RVOUS_PROPOSE:bob:uuid:cookie:1:a:b:c:2147483648", ""},
      {"RVOUS_PROPOSE:bob:uuid:cookie:1:a:b:c", ""},
      {"CLIENT_EVENT2:bob:2", "TypingStatus(bob,2)"},
      {"CLIENT_EVENT2:bob:2:x", ""},
      {"CLIENT_EVENT2:bob:40000", ""},
      {"CLIENT_EVENT2:bob", ""},
  });
}

TEST_F(ControlServerMessages, HandlerMayAnswerAndEndTheSession) {
  events.onEvent = [&](const std::string& line) {
    if (line.rfind("InstantMessage", 0) == 0) toc->SendIM("bob", "away", true);
    if (line.rfind("Error", 0) == 0) toc->LogOff();
  };
  sock->Deliver(ServerMessage("IM_IN_ENC2:bob:F:x:x:O:x:x:x:hi") + ServerMessage("ERROR:980") +
                ServerMessage("IM_IN_ENC2:bob:F:x:x:O:x:x:x:lost"));
  EXPECT_THAT(events.lines, ElementsAre("InstantMessage(bob,hi,false,O)", "Error(980,Invalid account or password)",
                                        "LoggedOut(abc)"));
  EXPECT_EQ(sock->TakeSent(), ClientCommand("toc_send_im \"bob\" \"away\" auto", 3));
}
