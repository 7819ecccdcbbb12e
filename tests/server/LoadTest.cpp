// klaxo-tocd as a process: under a burst from 200 clients in one room, each
// saying 100 lines of 150 bytes at once, every client must receive every
// line exactly once, each sender's in the order sent, with the server's
// memory bounded; and a bad accounts path must stop it at start.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <memory>
#include <vector>

#include "BundledServer.h"
#include "MessageFields.h"
#include "RawClient.h"

namespace {

constexpr int kClients = 200;
constexpr int kLinesEach = 100;
constexpr std::size_t kLineBytes = 150;
// Growth of the server's peak resident memory over its size once everyone has
// joined: the output of the whole burst is some 700 MB, so a server that held
// it for its readers instead of holding its senders would go far over.
constexpr long kMaxGrowthKb = 128L * 1024;

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

// What one client has received from each sender: how many lines and whether in order.
struct Tally {
  std::vector<int> next = std::vector<int>(kClients, 0);
  bool inOrder = true;
  long total = 0;
};

// A line of exactly kLineBytes that starts with its number.
std::string Line(int number) {
  std::string line = std::to_string(number) + " ";
  return line + std::string(kLineBytes - line.size(), 'w');
}

}  // namespace

TEST(ServerLoad, BurstFromTwoHundredClientsIsAllDeliveredOnceInOrderInBoundedMemory) {
  BundledServer server(
      {"--listen", "127.0.0.1", "--port", "0", "--keepalive", "0", "--max-per-address", QString::number(kClients)});
  const quint16 port = server.Port();
  ASSERT_NE(port, 0) << server.Output().toStdString();

  std::vector<std::unique_ptr<RawClient>> clients;
  for (int i = 0; i < kClients; ++i) {
    clients.push_back(std::make_unique<RawClient>(port));
    clients.back()->StartSignOn("user" + std::to_string(i));
    clients.back()->Command(R"(toc_chat_join "4" "load")");
  }
  for (auto& client : clients) ASSERT_TRUE(client->NextStartingWith("CHAT_JOIN:1:load"));
  const long baselineKb = StatusKb(server.ProcessId(), "VmRSS");

  std::vector<Tally> tallies(kClients);
  long other = 0;
  for (int i = 0; i < kClients; ++i) {
    clients[i]->onFrame = [&tally = tallies[i], &other](const std::string& frame) {
      if (!frame.starts_with("CHAT_IN_ENC:")) {
        other += !frame.starts_with("CHAT_UPDATE_BUDDY:1:T:");
        return;
      }
      const MessageFields fields(frame, 7);
      const int sender = std::stoi(std::string(fields.View(2)->substr(4)));
      const int number = std::stoi(std::string(*fields.View(6)));
      tally.inOrder = tally.inOrder && number == tally.next[sender];
      tally.next[sender] = number + 1;
      ++tally.total;
    };
  }
  QElapsedTimer clock;
  clock.start();
  for (int line = 0; line < kLinesEach; ++line) {
    for (auto& client : clients) client->Command("toc_chat_send \"1\" \"" + Line(line) + "\"");
  }
  const long expected = static_cast<long>(kClients) * kLinesEach;
  // A departure means someone was cut off: no need to wait any longer.
  const bool delivered = QTest::qWaitFor(
      [&] {
        return other > 0 ||
               std::all_of(tallies.begin(), tallies.end(), [&](const Tally& t) { return t.total >= expected; });
      },
      120000);
  const qint64 elapsedMs = clock.elapsed();
  // Anything extra would arrive now.
  QTest::qWait(200);
  const long peakKb = StatusKb(server.ProcessId(), "VmHWM");
  long total = 0;
  for (const auto& tally : tallies) total += tally.total;
  std::cout << "delivered " << total << " lines in " << elapsedMs << " ms; server memory " << baselineKb
            << " kB after joining, peak " << peakKb << " kB" << std::endl;
  EXPECT_TRUE(delivered);
  EXPECT_EQ(other, 0) << "an error, a departure or anything else but the lines";
  for (int i = 0; i < kClients; ++i) {
    EXPECT_EQ(tallies[i].total, expected) << "client " << i;
    EXPECT_TRUE(tallies[i].inOrder) << "client " << i;
    EXPECT_TRUE(
        std::all_of(tallies[i].next.begin(), tallies[i].next.end(), [&](int next) { return next == kLinesEach; }))
        << "client " << i << " is missing the last line of a sender";
  }
  if (!kMeasureMemory) GTEST_SKIP() << "memory is not measured under a sanitizer";
  ASSERT_GT(baselineKb, 0);
  EXPECT_LT(peakKb - baselineKb, kMaxGrowthKb);
}

TEST(ServerStart, AFaultyAccountsPathOrStateFileStopsTheServerWithAMessage) {
  QTemporaryDir directory;
  ASSERT_TRUE(directory.isValid());
  QFile junk(directory.filePath("junk"));
  ASSERT_TRUE(junk.open(QIODevice::WriteOnly) && junk.write(QByteArray(4096, 'x')) == 4096);
  junk.close();
  const std::vector<std::pair<QStringList, QString>> cases{
      {{"--accounts", directory.path()}, "accounts file " + directory.path() + ": not a regular file"},
      {{"--accounts", directory.filePath("missing")},
       "accounts file " + directory.filePath("missing") + ": no such file"},
      {{"--state", junk.fileName()}, "state file " + junk.fileName() + ": not a database"},
  };
  for (const auto& [arguments, message] : cases) {
    QProcess server;
    server.start(QStringLiteral(KLAXO_TOCD), QStringList{"--port", "0"} + arguments);
    ASSERT_TRUE(server.waitForFinished(10000)) << message.toStdString();
    EXPECT_EQ(server.exitCode(), 1) << message.toStdString();
    EXPECT_EQ(server.readAllStandardError().toStdString(), ("klaxo-tocd: " + message + "\n").toStdString());
    EXPECT_TRUE(server.readAllStandardOutput().isEmpty()) << message.toStdString();
  }
}

TEST(ServerStart, ListsAndANameFormattedBeforeTheServerIsKilledComeBackWithTheNextSignOn) {
  QTemporaryDir directory;
  ASSERT_TRUE(directory.isValid());
  QProcess hasher;
  hasher.start(QStringLiteral(KLAXO_TOCD), {"--hash-password"});
  hasher.write("open sesame\n");
  hasher.closeWriteChannel();
  ASSERT_TRUE(hasher.waitForFinished(10000));
  QFile accounts(directory.filePath("accounts"));
  ASSERT_TRUE(accounts.open(QIODevice::WriteOnly));
  accounts.write("pat:" + hasher.readAllStandardOutput());
  accounts.close();
  const QStringList arguments{
      "--port", "0", "--accounts", accounts.fileName(), "--state", directory.filePath("lists.sqlite")};
  {
    BundledServer server(arguments);
    ASSERT_NE(server.Port(), 0);
    RawClient client(server.Port());
    client.SignOn("pat", "open sesame");
    ASSERT_EQ(client.NextStartingWith("CONFIG2:"), "CONFIG2:m:1\ndone:\n");
    client.Command("toc2_new_buddies {g:Friends\nb:Lee L}");
    client.Command("toc2_add_deny eve");
    client.Command("toc2_set_pdmode 4");
    client.Command(R"(toc_format_nickname "P A T")");
    // Each change is kept before it is answered: once the last is, the server may die.
    ASSERT_EQ(client.NextStartingWith("NICK:"), "NICK:P A T");
  }
  BundledServer server(arguments);
  ASSERT_NE(server.Port(), 0);
  RawClient client(server.Port());
  client.SignOn("pat", "open sesame");
  EXPECT_EQ(client.NextStartingWith("NICK:"), "NICK:P A T");
  EXPECT_EQ(client.Next(), "CONFIG2:g:Friends\nb:Lee L\nd:eve\nm:4\ndone:\n");
}

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
