// The bundled server with 200 clients in one room, each line said reaching
// all 200: deliveries per second and peak memory, first of the protocol core
// alone (every socket writing at once), then of klaxo-tocd as a process over
// loopback under a burst of 100 lines of 150 bytes from every client at once.
#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <algorithm>
#include <memory>
#include <vector>

// The core's command type is declared before the test helpers' function of the same name.
#include "ServerCore.h"
// Test helpers.
#include "Frames.h"
#include "RawClient.h"

namespace {

constexpr int kClients = 200;
constexpr std::size_t kLineBytes = 150;
constexpr int kBurstLines = 100;

std::string Line(std::size_t number) {
  std::string line = std::to_string(number) + " ";
  return line + std::string(kLineBytes - line.size(), 'w');
}

// Peak resident memory of a process in kilobytes (VmHWM), or -1.
long PeakKb(qint64 pid) {
  QFile status(QStringLiteral("/proc/%1/status").arg(pid));
  if (!status.open(QIODevice::ReadOnly)) return -1;
  for (const QByteArray& line : status.readAll().split('\n')) {
    if (line.startsWith("VmHWM:")) return line.mid(6).trimmed().split(' ')[0].toLong();
  }
  return -1;
}

// The core alone: each iteration every client says one line, and every
// socket is reported to have written all it was given.
void BM_CoreRoomFanOut(benchmark::State& state) {
  std::int64_t now = 1000;
  ServerCore core(AccountStore{}, ServerSettings{false, [&now] { return now; }, kClients});
  for (ConnectionId id = 1; id <= kClients; ++id) {
    core.Open(id, "127.0.0.1");
    const std::string name = "user" + std::to_string(id);
    core.Receive(id, "FLAPON\n\n" + SignOnFrameFor(name) + ClientCommand(LoginLine(name, "pw"), 1) +
                         ClientCommand(R"(toc_chat_join "4" "bench")", 2));
  }
  core.TakeOutput();
  std::vector<std::string> lines;
  for (ConnectionId id = 1; id <= kClients; ++id) {
    lines.push_back(ClientCommand("toc_chat_send \"1\" \"" + Line(id) + "\"", 3));
  }
  std::size_t deliveries = 0;
  std::vector<std::size_t> written(kClients + 1);
  for (auto _ : state) {
    // A second per round keeps every sender within its rate.
    ++now;
    for (ConnectionId id = 1; id <= kClients; ++id) core.Receive(id, lines[id - 1]);
    std::fill(written.begin(), written.end(), 0);
    for (const auto& out : core.TakeOutput()) {
      if (out.kind != ServerOutput::Kind::Send) continue;
      written[out.connection] += out.bytes.size();
      ++deliveries;
    }
    for (ConnectionId id = 1; id <= kClients; ++id) core.Written(id, written[id]);
  }
  state.counters["deliveries_per_second"] =
      benchmark::Counter(static_cast<double>(deliveries), benchmark::Counter::kIsRate);
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  state.counters["bench_peak_kb"] = static_cast<double>(usage.ru_maxrss);
}
BENCHMARK(BM_CoreRoomFanOut)->Unit(benchmark::kMillisecond);

// klaxo-tocd as a process: one burst of 100 lines from each of the 200
// clients, 4,000,000 deliveries, timed until the last one arrives. A second
// burst would meet the senders' rate limit, so there is one iteration.
void BM_ServerProcessBurst(benchmark::State& state) {
  QProcess server;
  server.start(QStringLiteral(KLAXO_TOCD), {"--listen", "127.0.0.1", "--port", "0", "--keepalive", "0",
                                            "--max-per-address", QString::number(kClients)});
  quint16 port = 0;
  QByteArray output;
  const bool started = QTest::qWaitFor(
      [&] {
        output += server.readAllStandardOutput();
        const auto found = QRegularExpression("listening on \\S+ port (\\d+)").match(QString::fromUtf8(output));
        if (found.hasMatch()) port = static_cast<quint16>(found.captured(1).toUInt());
        return port != 0;
      },
      10000);
  if (!started) {
    state.SkipWithError("klaxo-tocd did not start");
    return;
  }
  std::vector<std::unique_ptr<RawClient>> clients;
  for (int i = 0; i < kClients; ++i) {
    clients.push_back(std::make_unique<RawClient>(port));
    clients.back()->StartSignOn("user" + std::to_string(i));
    clients.back()->Command(R"(toc_chat_join "4" "bench")");
  }
  for (auto& client : clients) client->NextStartingWith("CHAT_JOIN:1:bench");
  long received = 0;
  for (auto& client : clients) {
    client->onFrame = [&received](const std::string& frame) { received += frame.starts_with("CHAT_IN_ENC:"); };
  }
  const long baselineKb = PeakKb(server.processId());
  long expected = 0;
  std::int64_t deliveries = 0;
  for (auto _ : state) {
    for (int line = 0; line < kBurstLines; ++line) {
      for (auto& client : clients) client->Command("toc_chat_send \"1\" \"" + Line(line) + "\"");
    }
    expected += static_cast<long>(kClients) * kClients * kBurstLines;
    if (!QTest::qWaitFor([&] { return received >= expected; }, 120000)) {
      state.SkipWithError("not every line was delivered");
      break;
    }
    deliveries += static_cast<std::int64_t>(kClients) * kClients * kBurstLines;
  }
  state.counters["deliveries_per_second"] =
      benchmark::Counter(static_cast<double>(deliveries), benchmark::Counter::kIsRate);
  state.counters["server_peak_kb"] = static_cast<double>(PeakKb(server.processId()));
  state.counters["server_kb_before_burst"] = static_cast<double>(baselineKb);
  server.kill();
  server.waitForFinished();
}
BENCHMARK(BM_ServerProcessBurst)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
