// The client control QuovTOCSock against the real klaxo-tocd over loopback:
// what the server sends is read by the control exactly as the server meant it.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTemporaryFile>
#include <QTest>
#include <algorithm>
#include <memory>
#include <regex>

#include "BundledServer.h"
#include "QtTocSocket.h"
#include "QuovTOCSock.h"
#include "RecordingEvents.h"

using ::testing::ElementsAre;

namespace {

constexpr int kWaitMs = 5000;

// A control with its recorded events.
struct Client {
  Client() : toc(std::make_unique<QtTocSocket>(), &events) {}

  // Waits for line among the events.
  bool Await(const std::string& line) {
    return QTest::qWaitFor(
        [&] { return std::find(events.lines.begin(), events.lines.end(), line) != events.lines.end(); }, kWaitMs);
  }
  // Waits for an event that matches pattern whole (for times the server
  // takes from its clock), then forgets every event.
  bool AwaitMatchAndClear(const std::string& pattern) {
    const std::regex wanted(pattern);
    const bool seen = QTest::qWaitFor(
        [&] {
          return std::any_of(events.lines.begin(), events.lines.end(),
                             [&](const std::string& line) { return std::regex_match(line, wanted); });
        },
        kWaitMs);
    events.lines.clear();
    return seen;
  }
  // Waits for line, then forgets every event.
  bool AwaitAndClear(const std::string& line) {
    const bool seen = Await(line);
    events.lines.clear();
    return seen;
  }

  RecordingEvents events;
  QuovTOCSock toc;
};

class ServerInteropTest : public ::testing::Test {
 protected:
  ServerInteropTest() {
    EXPECT_TRUE(accounts.open());
    accounts.write("Ann Lee:ann's password\nBo B:bo\n");
    accounts.flush();
    server = std::make_unique<BundledServer>(
        QStringList{"--port", "0", "--keepalive", "0", "--accounts", accounts.fileName()}, kWaitMs);
    port = server->Port();
    EXPECT_NE(port, 0) << server->Output().toStdString();
  }

  void SignOn(Client& client, const std::string& name, const std::string& password, const std::string& loggedIn) {
    client.toc.Login(name, password, "127.0.0.1", port);
    ASSERT_TRUE(client.AwaitAndClear(loggedIn)) << testing::PrintToString(client.events.lines);
  }

  QTemporaryFile accounts;
  std::unique_ptr<BundledServer> server;
  quint16 port = 0;
};

}  // namespace

TEST_F(ServerInteropTest, TwoControlsTalkInOneRoomBothWaysAndSeeTheDeparture) {
  Client ann, bo;
  SignOn(ann, "Ann Lee", "ann's password", "LoggedIn(annlee,[],[],[],[],,1)");
  SignOn(bo, "bo b", "bo", "LoggedIn(bob,[],[],[],[],,1)");

  ann.toc.JoinChat(" Tea Room ", 4);
  ASSERT_TRUE(ann.AwaitAndClear("ChatUserUpdate(Ann Lee,true,1)"));
  bo.toc.JoinChat("tea room", 4);
  ASSERT_TRUE(bo.Await("ChatUserUpdate(Bo B,true,1)"));
  EXPECT_THAT(bo.events.lines, ElementsAre("JoinedChat(Tea Room,1)", "InitialJoin(Ann Lee:Bo B,1)",
                                           "ChatUserUpdate(Ann Lee,true,1)", "ChatUserUpdate(Bo B,true,1)"));
  ASSERT_TRUE(ann.AwaitAndClear("ChatUserUpdate(Bo B,true,1)"));
  EXPECT_EQ(bo.toc.UsersHere.Item("1")->Count(), 2u);
  bo.events.lines.clear();

  // Each message reaches both before the other side speaks, so that the order is fixed.
  ann.toc.SendChat("Tea Room", "<b>hello</b> (cat) \"$5\" \\o/");
  for (Client* client : {&ann, &bo})
    ASSERT_TRUE(client->Await("ChatMessage(1,Ann Lee,<b>hello</b> (cat) \"$5\" \\o/)"));
  bo.toc.SendChat("Tea Room", "hi: Ann", bo.toc.LastChatID);
  for (Client* client : {&ann, &bo}) {
    ASSERT_TRUE(client->Await("ChatMessage(1,Bo B,hi: Ann)"));
    EXPECT_THAT(client->events.lines,
                ElementsAre("ChatMessage(1,Ann Lee,<b>hello</b> (cat) \"$5\" \\o/)", "ChatMessage(1,Bo B,hi: Ann)"));
  }

  bo.toc.LeaveChat("Tea Room", 1);
  ASSERT_TRUE(bo.Await("LeftChat(1)"));
  ASSERT_TRUE(ann.Await("ChatUserUpdate(Bo B,false,1)"));
  EXPECT_EQ(ann.toc.UsersHere.Item("1")->Count(), 1u);
}

TEST_F(ServerInteropTest, ListChangesAreConfirmedByEventsAndComeBackAtTheNextSignOn) {
  Client ann, bo;
  SignOn(ann, "Ann Lee", "ann's password", "LoggedIn(annlee,[],[],[],[],,1)");
  ann.toc.AddBuddy("Friends", "Pat Smith");
  ann.toc.AddBuddy("Friends", "Lee");
  ann.toc.AddGroup("Work");
  ann.toc.RemoveBuddy("Friends", "lee");
  ann.toc.BlockUser("Eve");
  ann.toc.AddPrivateUser("Carol");
  ann.toc.AddPrivateUser("Dan");
  ann.toc.RemovePrivateUser("Dan");
  ann.toc.SetPrivacy(3);
  ASSERT_TRUE(ann.Await("PrivateBuddyRemoved(dan)"));
  EXPECT_THAT(ann.events.lines,
              ElementsAre("GroupAdded(Friends)", "BuddyAdded(Friends,Pat Smith,)", "BuddyAdded(Friends,Lee,)",
                          "GroupAdded(Work)", "BuddyRemoved(Friends,Lee)", "BuddyBlocked(eve)",
                          "PrivateBuddyAdded(carol)", "PrivateBuddyAdded(dan)", "PrivateBuddyRemoved(dan)"));
  ann.toc.LogOff();
  SignOn(ann, "Ann Lee", "ann's password",
         "LoggedIn(annlee,[[group]Friends|Pat Smith|[group]Work],[eve],[carol],[],,3)");

  SignOn(bo, "Bo B", "bo", "LoggedIn(bob,[],[],[],[],,1)");
  bo.toc.AddBuddy("Pals", "Ann Lee");
  bo.toc.RemoveGroup("Pals");
  bo.toc.UnblockUser("eve");
  bo.toc.BlockUser("Eve");
  bo.toc.UnblockUser("eve");
  ASSERT_TRUE(bo.Await("BuddyUnblocked(eve)"));
  EXPECT_THAT(bo.events.lines, ElementsAre("GroupAdded(Pals)", "BuddyAdded(Pals,Ann Lee,)", "GroupRemoved(Pals)",
                                           "BuddyBlocked(eve)", "BuddyUnblocked(eve)"));
}

TEST_F(ServerInteropTest, InstantMessagesStatusAndErrorsReachTheControlAsEvents) {
  Client ann, bo;
  SignOn(ann, "Ann Lee", "ann's password", "LoggedIn(annlee,[],[],[],[],,1)");
  SignOn(bo, "Bo B", "bo", "LoggedIn(bob,[],[],[],[],,1)");
  ann.toc.SendIM("Bo B", "lunch? 12:30 (usual place)", false);
  ASSERT_TRUE(bo.Await("InstantMessage(Ann Lee,lunch? 12:30 (usual place),false, O )"));
  bo.toc.SetAwayMessage("at lunch");
  bo.toc.SendIM("annlee", "on my way", true);
  ASSERT_TRUE(ann.Await("InstantMessage(Bo B,on my way,true, OU)"));
  ann.toc.SendIM("Nobody Here", "hello?", false);
  ASSERT_TRUE(ann.Await("Error(901,nobodyhere is not available)"));
  ann.toc.WarnUser("Bo B", false);
  ASSERT_TRUE(bo.Await("Warned(10,Ann Lee)"));
  ann.toc.GetStatus("bo b");
  ASSERT_TRUE(ann.AwaitMatchAndClear("BuddyUpdate\\(Bo B,true,10,[0-9]+,0, OU\\)"));
  ann.toc.FormatUserName("ANN LEE");
  ASSERT_TRUE(ann.Await("ScreenNameFormatted()"));
  ann.toc.ChangePassword("ann's password", "new");
  ASSERT_TRUE(ann.Await("PasswordChanged()"));
  bo.toc.SetProfile("<b>Bo</b>");
  bo.toc.GetProfile("bob");
  const std::string profile = "UserProfile(data:text/html;charset=utf-8,%3Cb%3EBo%3C%2Fb%3E)";
  ASSERT_TRUE(bo.Await(profile));
  ann.toc.GetProfile("bob");
  ASSERT_TRUE(ann.Await(profile));
}

TEST_F(ServerInteropTest, PresenceIsPushedInvitationsAreAcceptedAndSixtyBuddiesComeBackWhole) {
  Client ann, bo;
  SignOn(ann, "Ann Lee", "ann's password", "LoggedIn(annlee,[],[],[],[],,1)");
  ann.toc.AddBuddy("Friends", "Bo B");
  std::string buddies = "[[group]Friends|Bo B|[group]Sixty";
  for (int i = 0; i < 59; ++i) {
    ann.toc.AddBuddy("Sixty", "buddy number " + std::to_string(i));
    buddies += "|buddy number " + std::to_string(i);
  }
  ASSERT_TRUE(ann.AwaitAndClear("BuddyAdded(Sixty,buddy number 58,)"));

  SignOn(bo, "Bo B", "bo", "LoggedIn(bob,[],[],[],[],,1)");
  const std::string online = "BuddyUpdate\\(Bo B,true,0,[0-9]+,";
  ASSERT_TRUE(ann.AwaitMatchAndClear(online + "0, O \\)"));
  bo.toc.SetAwayMessage("at lunch");
  ASSERT_TRUE(ann.AwaitMatchAndClear(online + "0, OU\\)"));
  bo.toc.SetAwayMessage("");
  ASSERT_TRUE(ann.AwaitMatchAndClear(online + "0, O \\)"));
  bo.toc.SetIdleTime(10);
  ASSERT_TRUE(ann.AwaitMatchAndClear(online + "10, O \\)"));

  ann.toc.JoinChat("Tea Room", 4);
  ASSERT_TRUE(ann.AwaitAndClear("ChatUserUpdate(Ann Lee,true,1)"));
  ann.toc.InviteUsers("Tea Room", "come in", "Bo B");
  ASSERT_TRUE(bo.AwaitAndClear("ChatInvite(Tea Room,1,Ann Lee,come in)"));
  bo.toc.AcceptChatInvite(1);
  ASSERT_TRUE(bo.Await("JoinedChat(Tea Room,1)"));
  ASSERT_TRUE(ann.AwaitAndClear("ChatUserUpdate(Bo B,true,1)"));

  bo.toc.LogOff();
  ASSERT_TRUE(ann.Await("BuddyUpdate(Bo B,false,0,0,0,   )"));
  ann.toc.LogOff();
  SignOn(ann, "Ann Lee", "ann's password", "LoggedIn(annlee," + buddies + "],[],[],[],,1)");
}

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
