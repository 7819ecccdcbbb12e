// The bundled server with 200 clients in one room, each line said reaching
// all 200: deliveries per second and peak memory, first of the protocol core
// alone (every socket writing at once), then of klaxo-tocd as a process over
// loopback under a burst of 100 lines of 150 bytes from every client at once.
// Then klaxo-tocd against clients that do not read: an honest talker's
// delivery beside a member that never reads, and the server's peak memory
// under the worst floods we can make.
#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <unistd.h>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpSocket>
#include <algorithm>
#include <functional>
#include <memory>
#include <vector>

// The core's command type is declared before the test helpers' function of the same name.
#include "ServerCore.h"
// Test helpers.
#include "Frames.h"
#include "MessageFields.h"
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

// Starts klaxo-tocd on a free port of loopback; the port, or 0 when it did
// not start, which ends the benchmark with that error.
quint16 StartServer(benchmark::State& state, QProcess& server, int perAddress) {
  server.start(QStringLiteral(KLAXO_TOCD), {"--listen", "127.0.0.1", "--port", "0", "--keepalive", "0",
                                            "--max-per-address", QString::number(perAddress)});
  quint16 port = 0;
  QByteArray output;
  // A server that does not start leaves the port 0.
  (void)QTest::qWaitFor(
      [&] {
        output += server.readAllStandardOutput();
        const auto found = QRegularExpression("listening on \\S+ port (\\d+)").match(QString::fromUtf8(output));
        if (found.hasMatch()) port = static_cast<quint16>(found.captured(1).toUInt());
        return port != 0;
      },
      10000);
  if (port == 0) state.SkipWithError("klaxo-tocd did not start");
  return port;
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
  const quint16 port = StartServer(state, server, kClients);
  if (port == 0) return;
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

// A room of three: a talker, a listener, and a member that stops reading
// once it has asked for some 600 KB of its own profile, more than the
// socket buffers take. The talker says its burst of 100 lines of 2,000
// bytes and then 8 lines a second for 8 seconds, asking for a status each
// second: how fast its lines reach the listener, the slowest line and
// status answer, and when the member that does not read was cut off.
void BM_ServerTalkerBesideAReaderThatNeverReads(benchmark::State& state) {
  QProcess server;
  const quint16 port = StartServer(state, server, 16);
  if (port == 0) return;
  std::vector<std::unique_ptr<RawClient>> members;
  for (const std::string name : {"talker", "listener", "stalled"}) {
    members.push_back(std::make_unique<RawClient>(port));
    members.back()->StartSignOn(name);
    members.back()->Command(R"(toc_chat_join "4" "bench")");
    members.back()->NextStartingWith("CHAT_UPDATE_BUDDY:1:T:");
  }
  RawClient& talker = *members[0];
  RawClient& listener = *members[1];
  RawClient& stalled = *members[2];
  members[0]->NextStartingWith("CHAT_UPDATE_BUDDY:1:T:stalled");
  stalled.Command("toc_set_info \"" + std::string(2000, ' ') + "\"");
  stalled.StopReading();
  for (int i = 0; i < 200; ++i) stalled.Command(R"(toc_get_info "stalled")");

  QElapsedTimer clock;
  std::vector<qint64> sentAt;
  qint64 worstLineMs = 0;
  qint64 worstStatusMs = 0;
  qint64 statusSentAt = 0;
  qint64 cutOffMs = -1;
  long heard = 0;
  listener.onFrame = [&](const std::string& frame) {
    if (frame == "CHAT_UPDATE_BUDDY:1:F:stalled") cutOffMs = clock.elapsed();
    const std::string said = "CHAT_IN_ENC:1:talker:F:A:en:";
    if (!frame.starts_with(said)) return;
    const auto number = static_cast<std::size_t>(std::stoi(frame.substr(said.size())));
    worstLineMs = std::max(worstLineMs, clock.elapsed() - sentAt[number]);
    ++heard;
  };
  talker.onFrame = [&](const std::string& frame) {
    if (frame.starts_with("UPDATE_BUDDY2:")) worstStatusMs = std::max(worstStatusMs, clock.elapsed() - statusSentAt);
  };
  const auto say = [&] {
    sentAt.push_back(clock.elapsed());
    talker.Command("toc_chat_send \"1\" \"" + Line(sentAt.size() - 1) + std::string(1850, '.') + "\"");
  };
  qint64 elapsedMs = 0;
  for (auto _ : state) {
    clock.start();
    for (int i = 0; i < 100; ++i) say();
    QTest::qWait(1000);
    for (int second = 0; second < 8; ++second) {
      statusSentAt = clock.elapsed();
      talker.Command(R"(toc_get_status "listener")");
      for (int i = 0; i < 8; ++i) {
        say();
        QTest::qWait(125);
      }
    }
    // Lines over the talker's rate were refused, so fewer may come; they are counted as heard.
    (void)QTest::qWaitFor([&] { return heard >= static_cast<long>(sentAt.size()); }, 5000);
    elapsedMs = clock.elapsed();
  }
  state.counters["lines_heard"] = static_cast<double>(heard);
  state.counters["lines_said"] = static_cast<double>(sentAt.size());
  state.counters["lines_per_second"] = static_cast<double>(heard) * 1000.0 / static_cast<double>(elapsedMs);
  state.counters["worst_line_ms"] = static_cast<double>(worstLineMs);
  state.counters["worst_status_ms"] = static_cast<double>(worstStatusMs);
  state.counters["stalled_cut_off_after_ms"] = static_cast<double>(cutOffMs);
  state.counters["server_peak_kb"] = static_cast<double>(PeakKb(server.processId()));
  server.kill();
  server.waitForFinished();
}
BENCHMARK(BM_ServerTalkerBesideAReaderThatNeverReads)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// Signs each client on as PREFIX and its number, joins it to the room
// "bench", and hands it ON_FRAME for what it hears from then on.
void JoinBenchRoom(const std::vector<RawClient*>& clients, const std::string& prefix,
                   const std::function<void(const std::string&)>& onFrame) {
  for (std::size_t i = 0; i < clients.size(); ++i) {
    clients[i]->StartSignOn(prefix + std::to_string(i));
    clients[i]->Command(R"(toc_chat_join "4" "bench")");
    clients[i]->NextStartingWith("CHAT_JOIN:");
    clients[i]->onFrame = onFrame;
  }
}

// One host's burst beside an honest reader: 15 connections from 127.0.0.1
// each say their burst of 100 lines of 2,000 bytes into a room at once,
// while a member from 127.0.0.2 reads all the time and a third host,
// 127.0.0.3, says a line every 100 ms. Whether the member was cut off, how
// long the burst took to reach it, and the slowest of the third host's lines.
void BM_ServerHostBurstBesideAnHonestReader(benchmark::State& state) {
  constexpr int kTalkers = 15;
  QProcess server;
  const quint16 port = StartServer(state, server, 16);
  if (port == 0) return;
  RawClient member(port, QHostAddress("127.0.0.2"));
  RawClient honest(port, QHostAddress("127.0.0.3"));
  std::vector<std::unique_ptr<RawClient>> talkers;
  std::vector<RawClient*> everyone{&member, &honest};
  for (int i = 0; i < kTalkers; ++i) everyone.push_back(talkers.emplace_back(std::make_unique<RawClient>(port)).get());
  // Everyone takes what it hears and keeps none of it.
  JoinBenchRoom(everyone, "member", [](const std::string&) {});

  QElapsedTimer clock;
  std::vector<qint64> sentAt;
  qint64 worstHonestMs = 0;
  long burstHeard = 0;
  const std::string honestSaid = "CHAT_IN_ENC:1:member1:F:A:en:";
  member.onFrame = [&](const std::string& frame) {
    if (frame.starts_with(honestSaid)) {
      const auto number = static_cast<std::size_t>(std::stoi(frame.substr(honestSaid.size())));
      worstHonestMs = std::max(worstHonestMs, clock.elapsed() - sentAt[number]);
    } else if (frame.starts_with("CHAT_IN_ENC:")) {
      ++burstHeard;
    }
  };
  const long burst = static_cast<long>(kTalkers) * kBurstLines;
  qint64 elapsedMs = 0;
  for (auto _ : state) {
    clock.start();
    std::string lines;
    for (int i = 0; i < kBurstLines; ++i)
      lines += ClientCommand("toc_chat_send \"1\" \"" + std::string(1978, '.') + "\"", 0);
    for (auto& talker : talkers) talker->Write(lines);
    while (burstHeard < burst && member.Connected() && clock.elapsed() < 60000) {
      sentAt.push_back(clock.elapsed());
      honest.Command("toc_chat_send \"1\" \"" + Line(sentAt.size() - 1) + "\"");
      QTest::qWait(100);
    }
    elapsedMs = clock.elapsed();
  }
  state.counters["member_cut_off"] = member.Connected() ? 0 : 1;
  state.counters["burst_lines_heard"] = static_cast<double>(burstHeard);
  state.counters["burst_heard_ms"] = static_cast<double>(elapsedMs);
  state.counters["honest_worst_ms"] = static_cast<double>(worstHonestMs);
  server.kill();
  server.waitForFinished();
}
BENCHMARK(BM_ServerHostBurstBesideAnHonestReader)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// Fifteen hosts, 127.0.0.10 to .24, one talker each, within their own
// limits: a burst of 100 lines of 2,000 bytes at once, then 5 lines every
// half second for 8 seconds, beside a member from 127.0.0.2 that reads all
// the time. Whether the member was cut off, the lines it heard of those
// said, the slowest line after the burst, and the server's peak memory.
void BM_ServerFifteenHostsBesideAReader(benchmark::State& state) {
  constexpr int kHosts = 15;
  QProcess server;
  const quint16 port = StartServer(state, server, 16);
  if (port == 0) return;
  RawClient member(port, QHostAddress("127.0.0.2"));
  std::vector<std::unique_ptr<RawClient>> talkers;
  std::vector<RawClient*> everyone{&member};
  for (int i = 0; i < kHosts; ++i) {
    const QHostAddress host(QStringLiteral("127.0.0.%1").arg(10 + i));
    everyone.push_back(talkers.emplace_back(std::make_unique<RawClient>(port, host)).get());
  }
  // Lines a second boundary put over a talker's rate are refused with 903, and not counted as said.
  long refused = 0;
  JoinBenchRoom(everyone, "host", [&refused](const std::string& frame) { refused += frame == "ERROR:903"; });
  QElapsedTimer clock;
  // When each line was said, by talker and number.
  std::vector<std::vector<qint64>> sentAt(kHosts);
  qint64 worstLateMs = 0;
  long heard = 0;
  member.onFrame = [&](const std::string& frame) {
    if (!frame.starts_with("CHAT_IN_ENC:1:host")) return;
    ++heard;
    const MessageFields fields(frame, 7);
    const auto talker = static_cast<std::size_t>(std::stoi(std::string(fields.View(2)->substr(4)))) - 1;
    const auto number = static_cast<std::size_t>(std::stoi(std::string(*fields.View(6))));
    if (number >= static_cast<std::size_t>(kBurstLines)) {
      worstLateMs = std::max(worstLateMs, clock.elapsed() - sentAt[talker][number]);
    }
  };
  const auto say = [&](int talker) {
    const std::size_t number = sentAt[talker].size();
    sentAt[talker].push_back(clock.elapsed());
    return ClientCommand("toc_chat_send \"1\" \"" + Line(number) + std::string(1850, '.') + "\"", 0);
  };
  long said = 0;
  for (auto _ : state) {
    clock.start();
    for (int t = 0; t < kHosts; ++t) {
      std::string burst;
      for (int i = 0; i < kBurstLines; ++i) burst += say(t);
      talkers[t]->Write(burst);
    }
    for (int half = 1; half <= 16 && member.Connected(); ++half) {
      (void)QTest::qWaitFor([&] { return clock.elapsed() >= half * 500; }, 1000);
      for (int t = 0; t < kHosts; ++t) {
        std::string five;
        for (int i = 0; i < 5; ++i) five += say(t);
        talkers[t]->Write(five);
      }
    }
    for (const auto& lines : sentAt) said += static_cast<long>(lines.size());
    (void)QTest::qWaitFor([&] { return heard + refused >= said || !member.Connected(); }, 30000);
  }
  said -= refused;
  state.counters["member_cut_off"] = member.Connected() ? 0 : 1;
  state.counters["lines_said"] = static_cast<double>(said);
  state.counters["lines_heard"] = static_cast<double>(heard);
  state.counters["worst_line_after_burst_ms"] = static_cast<double>(worstLateMs);
  state.counters["server_peak_kb"] = static_cast<double>(PeakKb(server.processId()));
  server.kill();
  server.waitForFinished();
}
BENCHMARK(BM_ServerFifteenHostsBesideAReader)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// Seconds of CPU a process has used, from /proc/<pid>/stat; -1 when unknown.
double CpuSeconds(qint64 pid) {
  QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
  if (!stat.open(QIODevice::ReadOnly)) return -1;
  const QByteArray text = stat.readAll();
  // The fields after the command name, which is in parentheses: utime and stime are the 12th and 13th.
  const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
  if (fields.size() < 13) return -1;
  return static_cast<double>(fields[11].toLongLong() + fields[12].toLongLong()) /
         static_cast<double>(sysconf(_SC_CLK_TCK));
}

// One user with a 2,000-byte list of capabilities toggles idle 1,000 times
// a second, each second in one write of 22 KB, for the seconds given, while
// 100 listeners list it and two other users send each other an instant
// message every 100 ms. Bytes out per byte in, the server's CPU share, the
// slowest message between the others, and listeners cut off.
void BM_ServerPresenceToggling(benchmark::State& state) {
  constexpr int kListeners = 100;
  const auto seconds = state.range(0);
  QProcess server;
  const quint16 port = StartServer(state, server, kListeners + 8);
  if (port == 0) return;
  long bytesOut = 0;
  const auto counted = [&bytesOut](RawClient& client) {
    client.onFrame = [&bytesOut](const std::string& frame) {
      bytesOut += static_cast<long>(frame.size() + flap::kHeaderSize);
    };
  };
  std::vector<std::unique_ptr<RawClient>> listeners;
  for (int i = 0; i < kListeners; ++i) {
    RawClient& listener = *listeners.emplace_back(std::make_unique<RawClient>(port));
    listener.StartSignOn("listener" + std::to_string(i));
    listener.Command("toc2_new_buddies {g:Friends\nb:toggler\n}");
    listener.Command("toc_init_done");
    listener.NextStartingWith("NEW_BUDDY_REPLY2:");
  }
  RawClient toggler(port);
  toggler.StartSignOn("toggler");
  std::string caps = "toc_set_caps";
  for (int i = 0; caps.size() < 2000; ++i) caps += " 09461343-4C7F-11D1-8222-4445535400" + std::to_string(10 + i % 90);
  toggler.Command(caps);
  toggler.Command("toc_init_done");
  toggler.NextStartingWith("NICK:");
  RawClient alice(port);
  RawClient bob(port);
  alice.SignOn("alice");
  bob.SignOn("bob");
  alice.NextStartingWith("CONFIG2:");
  bob.NextStartingWith("CONFIG2:");
  for (auto& listener : listeners) counted(*listener);
  counted(toggler);
  counted(alice);
  QElapsedTimer clock;
  std::vector<qint64> imSentAt;
  qint64 worstImMs = 0;
  bob.onFrame = [&](const std::string& frame) {
    bytesOut += static_cast<long>(frame.size() + flap::kHeaderSize);
    const std::string prefix = "IM_IN_ENC2:alice:F:F:T: O :F:L:en:";
    if (!frame.starts_with(prefix)) return;
    worstImMs = std::max(worstImMs, clock.elapsed() - imSentAt[std::stoul(frame.substr(prefix.size()))]);
  };
  std::string toggles;
  for (int i = 0; i < 500; ++i) toggles += ClientCommand("toc_set_idle 600", 0) + ClientCommand("toc_set_idle 0", 0);
  long bytesIn = 0;
  double cpu = 0;
  for (auto _ : state) {
    const double cpuBefore = CpuSeconds(server.processId());
    clock.start();
    for (std::int64_t tenth = 0; tenth < seconds * 10; ++tenth) {
      if (tenth % 10 == 0) {
        toggler.Write(toggles);
        bytesIn += static_cast<long>(toggles.size());
      }
      imSentAt.push_back(clock.elapsed());
      alice.Command("toc_send_im \"bob\" \"" + std::to_string(imSentAt.size() - 1) + "\"");
      (void)QTest::qWaitFor([&] { return clock.elapsed() >= (tenth + 1) * 100; }, 1000);
    }
    QTest::qWait(500);
    cpu = (CpuSeconds(server.processId()) - cpuBefore) / (static_cast<double>(clock.elapsed()) / 1000.0);
  }
  long cutOff = 0;
  for (auto& listener : listeners) cutOff += !listener->Connected();
  state.counters["seconds"] = static_cast<double>(seconds);
  state.counters["bytes_out_per_byte_in"] = static_cast<double>(bytesOut) / static_cast<double>(bytesIn);
  state.counters["server_cpu_share"] = cpu;
  state.counters["worst_im_ms"] = static_cast<double>(worstImMs);
  state.counters["listeners_cut_off"] = static_cast<double>(cutOff);
  server.kill();
  server.waitForFinished();
}
BENCHMARK(BM_ServerPresenceToggling)->Arg(20)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// The most output we can make the server hold: 500 connections, none of
// them reading, each asking the number of times given for its own
// 2,000-byte profile, which comes back escaped to three times its size: 80
// times is just below a send queue's bound, 1,000 far over it. The server's
// peak memory over 15 seconds, and how many connections are left.
void BM_ServerWorstMemory(benchmark::State& state) {
  constexpr int kFlooders = 500;
  const auto requestsEach = state.range(0);
  QProcess server;
  const quint16 port = StartServer(state, server, kFlooders);
  if (port == 0) return;
  const long baselineKb = PeakKb(server.processId());
  std::vector<std::unique_ptr<RawClient>> flooders;
  for (auto _ : state) {
    for (int i = 0; i < kFlooders; ++i) {
      flooders.push_back(std::make_unique<RawClient>(port));
      RawClient& flooder = *flooders.back();
      const std::string name = "flood" + std::to_string(i);
      flooder.StartSignOn(name);
      flooder.Command("toc_set_info \"" + std::string(2000, '~') + "\"");
      flooder.StopReading();
      for (std::int64_t request = 0; request < requestsEach; ++request)
        flooder.Command("toc_get_info \"" + name + "\"");
    }
    QTest::qWait(15000);
  }
  long open = 0;
  for (auto& flooder : flooders) open += !flooder->WaitClosed(0);
  state.counters["server_kb_at_start"] = static_cast<double>(baselineKb);
  state.counters["server_peak_kb"] = static_cast<double>(PeakKb(server.processId()));
  state.counters["connections_left"] = static_cast<double>(open);
  server.kill();
  server.waitForFinished();
}
BENCHMARK(BM_ServerWorstMemory)->Arg(80)->Arg(1000)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// One host signs on as new names as fast as it can, each sending one
// 2,000-byte instant message to a reader that takes 512 KiB every 5 seconds,
// for 15 seconds: sign-ons let in and refused, whether the reader was cut
// off, and the server's peak memory.
void BM_ServerSignOnChurnAgainstASlowReader(benchmark::State& state) {
  QProcess server;
  const quint16 port = StartServer(state, server, 16);
  if (port == 0) return;
  QTcpSocket reader;
  reader.connectToHost(QHostAddress::LocalHost, port);
  reader.setReadBufferSize(4096);
  const std::string greeting = "FLAPON\n\n" + SignOnFrameFor("victim") + ClientCommand(LoginLine("victim", "pw"), 1);
  reader.write(greeting.data(), static_cast<qint64>(greeting.size()));
  QTest::qWait(200);
  long accepted = 0;
  long refused = 0;
  for (auto _ : state) {
    QElapsedTimer clock;
    clock.start();
    qint64 nextTake = 5000;
    for (int i = 0; clock.elapsed() < 15000; ++i) {
      RawClient churn(port);
      const auto first = churn.SignOn("churn" + std::to_string(i));
      const auto answer = churn.Next(1000);
      if (answer == "SIGN_ON:TOC2.0") {
        ++accepted;
        churn.Command("toc_send_im \"victim\" \"" + std::string(2000, 'm') + "\"");
        QTest::qWait(1);
      } else {
        refused += first.has_value();
      }
      if (clock.elapsed() >= nextTake) {
        nextTake += 5000;
        reader.setReadBufferSize(512 * 1024);
        QTest::qWait(100);
        reader.read(512 * 1024);
        reader.setReadBufferSize(4096);
      }
    }
  }
  state.counters["sign_ons_let_in"] = static_cast<double>(accepted);
  state.counters["sign_ons_refused"] = static_cast<double>(refused);
  state.counters["reader_still_connected"] = reader.state() == QAbstractSocket::ConnectedState ? 1 : 0;
  state.counters["server_peak_kb"] = static_cast<double>(PeakKb(server.processId()));
  server.kill();
  server.waitForFinished();
}
BENCHMARK(BM_ServerSignOnChurnAgainstASlowReader)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
