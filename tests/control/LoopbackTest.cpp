// The control over a real QTcpSocket on loopback, against a scripted server.
#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

#include "Frames.h"
#include "QtTocSocket.h"
#include "QuovTOCSock.h"
#include "RecordingEvents.h"

namespace {

bool Contains(const std::vector<std::string>& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

QByteArray Wire(const std::string& bytes) { return QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())); }

}  // namespace

TEST(ControlLoopback, SignsOnAndFollowsARoomAgainstAScriptedServer) {
  QTcpServer server;
  ASSERT_TRUE(server.listen(QHostAddress::LocalHost));
  QByteArray received;
  QTcpSocket* peer = nullptr;
  QObject::connect(&server, &QTcpServer::newConnection, [&] {
    peer = server.nextPendingConnection();
    QObject::connect(peer, &QTcpSocket::readyRead, [&] {
      received += peer->readAll();
      if (received == "FLAPON\n\n") {
        peer->write(Wire(SignOnFrame()));
      } else if (received.contains("toc2_login") && received.endsWith('\0') && !received.contains("toc_init_done")) {
        peer->write(Wire(ServerMessage("SIGN_ON:TOC2.0", 1) + ServerMessage("NICK:Ab C", 2) +
                         ServerMessage("CONFIG2:g:Buddies\nb:pat\ndone:\n", 3)));
      }
    });
  });

  RecordingEvents events;
  QuovTOCSock toc(std::make_unique<QtTocSocket>(), &events);
  toc.Login("Ab C", "pw", "127.0.0.1", server.serverPort());
  ASSERT_TRUE(QTest::qWaitFor([&] { return received.contains("toc_init_done"); }, 5000));
  EXPECT_EQ(events.lines,
            (std::vector<std::string>{"ScreennameFormat(Ab C)", "LoggedIn(abc,[[group]Buddies|pat],[],[],[],,0)"}));
  const std::string wire(received.constData(), static_cast<std::size_t>(received.size()));
  EXPECT_EQ(wire.substr(0, 8), "FLAPON\n\n");
  EXPECT_EQ(wire.substr(8, 2), "*\x01");

  events.lines.clear();
  peer->write(Wire(ServerMessage("CHAT_JOIN:42:Lobby", 4) + ServerMessage("CHAT_UPDATE_BUDDY:42:T:abc:Bob", 5) +
                   ServerMessage("CHAT_IN_ENC:42:Bob:F:A:en:hello: all", 6)));
  peer->write(Wire(ServerMessage("CHAT_UPDATE_BUDDY:42:F:Bob:abc", 7)));
  ASSERT_TRUE(QTest::qWaitFor([&] { return events.lines.size() >= 7; }, 5000));
  EXPECT_EQ(events.lines,
            (std::vector<std::string>{"JoinedChat(Lobby,42)", "InitialJoin(abc:Bob,42)", "ChatUserUpdate(abc,true,42)",
                                      "ChatUserUpdate(Bob,true,42)", "ChatMessage(42,Bob,hello: all)",
                                      "ChatUserUpdate(Bob,false,42)", "ChatUserUpdate(abc,false,42)"}));
  EXPECT_EQ(toc.UsersHere.Item("42")->Count(), 0u);
  for (int room = 100; room < 120; ++room) peer->write(Wire(ServerMessage("CHAT_JOIN:" + std::to_string(room) + ":r")));
  ASSERT_TRUE(QTest::qWaitFor([&] { return toc.LastChatID == 119; }, 5000));
  EXPECT_EQ(toc.UsersHere.Count(), QuovTOCSock::kMaxRooms) << "the rooms joined last";

  // The server ends the session: the holder is told.
  events.lines.clear();
  peer->write(Wire(ServerMessage("NICK:last words", 8)));
  peer->disconnectFromHost();
  ASSERT_TRUE(QTest::qWaitFor([&] { return events.lines.size() >= 2; }, 5000));
  EXPECT_EQ(events.lines,
            (std::vector<std::string>{"ScreennameFormat(last words)", "WinsockError(Connection closed by the server)"}))
      << "what the server sent before closing comes first";
}

TEST(ControlLoopback, RefusedConnectionAndUnknownHostAreReportedAndALaterLoginWorks) {
  quint16 closedPort = 0;
  {
    QTcpServer probe;
    ASSERT_TRUE(probe.listen(QHostAddress::LocalHost));
    closedPort = probe.serverPort();
  }
  RecordingEvents events;
  QuovTOCSock toc(std::make_unique<QtTocSocket>(), &events);
  toc.Login("abc", "pw", "127.0.0.1", closedPort);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !events.lines.empty(); }, 5000));
  EXPECT_EQ(events.lines[0].rfind("WinsockError(", 0), 0u) << events.lines[0];
  EXPECT_NE(events.lines[0], "WinsockError()");

  events.lines.clear();
  toc.Login("abc", "pw", "127.0.0.1", 65536);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !events.lines.empty(); }, 5000));
  EXPECT_EQ(events.lines[0], "WinsockError(Invalid port number 65536)");

  events.lines.clear();
  toc.Login("abc", "pw", "no-such-host.invalid", 5190);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !events.lines.empty(); }, 10000));
  EXPECT_EQ(events.lines[0].rfind("WinsockError(", 0), 0u) << events.lines[0];

  QTcpServer server;
  ASSERT_TRUE(server.listen(QHostAddress::LocalHost));
  QByteArray greeting;
  QObject::connect(&server, &QTcpServer::newConnection, [&] {
    QTcpSocket* peer = server.nextPendingConnection();
    QObject::connect(peer, &QTcpSocket::readyRead, [&greeting, peer] { greeting += peer->readAll(); });
  });
  toc.Login("abc", "pw", "127.0.0.1", server.serverPort());
  EXPECT_TRUE(QTest::qWaitFor([&] { return greeting == "FLAPON\n\n"; }, 5000));
  EXPECT_FALSE(Contains(events.lines, "WinsockError(Connection closed by the server)"));
}

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
