// klaxo-tocd under load: 100 clients in one room, each saying 50 messages.
// Every client must receive every message exactly once, each sender's in
// the order sent, and the server's memory must stay bounded.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <memory>
#include <vector>

#include "MessageFields.h"
#include "RawClient.h"

namespace {

constexpr int kClients = 100;
constexpr int kMessagesEach = 50;
// Growth of the server's peak resident memory over its size once everyone has joined.
constexpr long kMaxGrowthKb = 32L * 1024;
// Growth of the peak during a second round as big as the first: bounded memory does not grow with traffic.
constexpr long kMaxSecondRoundGrowthKb = 4L * 1024;

// A sanitizer holds freed memory back on purpose, so memory is only measured without one.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kMeasureMemory = false;
#elif defined(__has_feature)
constexpr bool kMeasureMemory = !__has_feature(address_sanitizer);
#else
constexpr bool kMeasureMemory = true;
#endif

// A field of /proc/<pid>/status in kilobytes, or -1.
long StatusKb(qint64 pid, const QByteArray& field) {
  QFile status(QStringLiteral("/proc/%1/status").arg(pid));
  if (!status.open(QIODevice::ReadOnly)) return -1;
  for (const QByteArray& line : status.readAll().split('\n')) {
    if (line.startsWith(field + ":")) return line.mid(field.size() + 1).trimmed().split(' ')[0].toLong();
  }
  return -1;
}

// What one client has received from each sender: how many messages and whether in order.
struct Tally {
  std::vector<int> next = std::vector<int>(kClients, 0);
  bool inOrder = true;
  long total = 0;
};

}  // namespace

TEST(ServerLoad, HundredClientsFiftyMessagesEachAllDeliveredOnceInOrderInBoundedMemory) {
  QProcess server;
  server.start(QStringLiteral(KLAXO_TOCD), {"--listen", "127.0.0.1", "--port", "0", "--keepalive", "0"});
  quint16 port = 0;
  QByteArray output;
  ASSERT_TRUE(QTest::qWaitFor(
      [&] {
        output += server.readAllStandardOutput();
        const auto found = QRegularExpression("listening on \\S+ port (\\d+)").match(QString::fromUtf8(output));
        if (found.hasMatch()) port = static_cast<quint16>(found.captured(1).toUInt());
        return port != 0;
      },
      10000))
      << output.toStdString();

  std::vector<std::unique_ptr<RawClient>> clients;
  for (int i = 0; i < kClients; ++i) {
    clients.push_back(std::make_unique<RawClient>(port));
    clients.back()->SignOn("user" + std::to_string(i));
    clients.back()->Command(R"(toc_chat_join "4" "load")");
  }
  for (auto& client : clients) ASSERT_TRUE(client->NextStartingWith("CHAT_JOIN:1:load"));
  const long baselineKb = StatusKb(server.processId(), "VmRSS");

  std::vector<Tally> tallies(kClients);
  for (int i = 0; i < kClients; ++i) {
    clients[i]->onFrame = [&tally = tallies[i]](const std::string& frame) {
      if (!frame.starts_with("CHAT_IN_ENC:")) return;
      const MessageFields fields(frame, 7);
      const int sender = std::stoi(std::string(fields.View(2)->substr(4)));
      const int number = std::stoi(std::string(*fields.View(6)));
      tally.inOrder = tally.inOrder && number == tally.next[sender];
      tally.next[sender] = number + 1;
      ++tally.total;
    };
  }
  // One round: every client says kMessagesEach more messages and everyone receives them all.
  int said = 0;
  const auto round = [&]() -> long {
    QElapsedTimer clock;
    clock.start();
    for (int m = 0; m < kMessagesEach; ++m, ++said) {
      for (auto& client : clients) client->Command("toc_chat_send \"1\" \"" + std::to_string(said) + "\"");
    }
    const long expected = static_cast<long>(kClients) * said;
    const bool delivered = QTest::qWaitFor(
        [&] {
          return std::all_of(tallies.begin(), tallies.end(), [&](const Tally& t) { return t.total >= expected; });
        },
        60000);
    // Anything extra would arrive now.
    QTest::qWait(200);
    const long peakKb = StatusKb(server.processId(), "VmHWM");
    std::cout << "delivered " << kClients * kMessagesEach * kClients << " messages in " << clock.elapsed()
              << " ms; server memory " << baselineKb << " kB after joining, peak " << peakKb << " kB" << std::endl;
    EXPECT_TRUE(delivered);
    for (int i = 0; i < kClients; ++i) {
      EXPECT_EQ(tallies[i].total, expected) << "client " << i;
      EXPECT_TRUE(tallies[i].inOrder) << "client " << i;
      EXPECT_TRUE(std::all_of(tallies[i].next.begin(), tallies[i].next.end(), [&](int next) { return next == said; }))
          << "client " << i << " is missing the last message of a sender";
    }
    return peakKb;
  };

  const long firstPeakKb = round();
  const long secondPeakKb = round();
  server.kill();
  server.waitForFinished();
  if (!kMeasureMemory) GTEST_SKIP() << "memory is not measured under a sanitizer";
  ASSERT_GT(baselineKb, 0);
  EXPECT_LT(firstPeakKb - baselineKb, kMaxGrowthKb);
  EXPECT_LT(secondPeakKb - firstPeakKb, kMaxSecondRoundGrowthKb);
}

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
