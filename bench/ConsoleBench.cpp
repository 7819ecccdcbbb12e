// What a busy room costs the user with the chat console open: room lines of
// 40 and of 200 characters, and arrivals and departures, each fed through the
// main window as the server sends them, with the transcript empty and with it
// already full. Every 64 KiB read is followed by the event loop's own work
// (layout and painting), as a real session runs it. Reported: microseconds
// per line or per change, the median of several runs.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTemporaryDir>
#include <memory>
#include <string>

#include "FakeSocket.h"
#include "Frames.h"
#include "Klaxo.h"
#include "LobbyWindow.h"
#include "MessageBoxAlerts.h"
#include "TranscriptBudget.h"

namespace {

constexpr int kLines = 20000;
constexpr int kChanges = 20000;
constexpr std::size_t kRead = 65536;

// count room messages whose text is length characters long, from a few
// senders, the user among them.
std::string RoomLines(int count, int length) {
  std::string text;
  while (text.size() < static_cast<std::size_t>(length)) text += "Has anyone tried the new bakery on the corner? ";
  text.resize(static_cast<std::size_t>(length));
  const char* senders[] = {"Someone", "Bob", "myname", "A Much Longer Screen Name"};
  std::string all;
  for (int i = 0; i < count; ++i) {
    all += ServerMessage(std::string("CHAT_IN_ENC:42:") + senders[i % 4] + ":F:US-ASCII:en:" + text);
  }
  return all;
}

// count / 2 people arrive one frame each, then leave in another order, each
// named as the server sends it rather than as listed.
std::string Changes(int count) {
  const int people = count / 2;
  std::string all;
  for (int i = 0; i < people; ++i) all += ServerMessage("CHAT_UPDATE_BUDDY:42:T:Person " + std::to_string(i));
  for (int i = 0; i < people; ++i) {
    all += ServerMessage("CHAT_UPDATE_BUDDY:42:F:person" + std::to_string(i * 7919 % people));
  }
  return all;
}

// Feeds bytes in reads, running the event loop after each.
void Feed(FakeSocket& sock, const std::string& bytes) {
  for (std::size_t i = 0; i < bytes.size(); i += kRead) {
    sock.Deliver(std::string_view(bytes).substr(i, kRead));
    QApplication::processEvents();
  }
}

// The main window signed on and in room 42, its console open unless told
// otherwise, its transcript full when full is set. A word is listed that no
// line holds, so no alert box ever opens.
// With stamped set, each line carries its time and the room is logged.
struct ConsoleWindow {
  explicit ConsoleWindow(bool full, bool consoleOpen = true, bool stamped = false) {
    auto socket = std::make_unique<FakeSocket>();
    sock = socket.get();
    KlaxoOptions options;
    options.delivery.consoleTimestamps = stamped;
    options.delivery.logRoom = stamped;
    window = std::make_unique<Klaxo>(std::move(socket), std::make_unique<MessageBoxAlerts>(), ServerAddress(),
                                     std::move(options));
    EnterLobby(*window, *sock, consoleOpen);
    static const std::string history = RoomLines(static_cast<int>(TranscriptBudget::kMaxLines), 40);
    if (full) Feed(*sock, history);
    QApplication::processEvents();
  }
  FakeSocket* sock;
  std::unique_ptr<Klaxo> window;
};

// The time is the processor's: on a shared machine the clock on the wall
// also counts the time spent waiting for a core.
void Run(benchmark::State& state, bool full, bool consoleOpen, const std::string& bytes, int items, const char* counter,
         bool stamped = false) {
  for (auto _ : state) {
    state.PauseTiming();
    {
      ConsoleWindow window(full, consoleOpen, stamped);
      state.ResumeTiming();
      Feed(*window.sock, bytes);
      state.PauseTiming();
    }
    state.ResumeTiming();
  }
  state.counters[counter] = benchmark::Counter(
      static_cast<double>(items), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// kLines room lines of state.range(0) characters; the transcript already
// full when state.range(1) is 1.
void BM_ConsoleLines(benchmark::State& state) {
  const std::string bytes = RoomLines(kLines, static_cast<int>(state.range(0)));
  Run(state, state.range(1) != 0, true, bytes, kLines, "seconds_per_line");
}

// The same with timestamps on and the room logged, to a folder of its own.
void BM_StampedLoggedConsoleLines(benchmark::State& state) {
  const QTemporaryDir data;
  qputenv("XDG_DATA_HOME", data.path().toUtf8());
  const std::string bytes = RoomLines(kLines, static_cast<int>(state.range(0)));
  Run(state, state.range(1) != 0, true, bytes, kLines, "seconds_per_line", true);
  qunsetenv("XDG_DATA_HOME");
}

// The same lines with the console closed: what the rest of the program pays.
void BM_ClosedConsoleLines(benchmark::State& state) {
  const std::string bytes = RoomLines(kLines, static_cast<int>(state.range(0)));
  Run(state, false, false, bytes, kLines, "seconds_per_line");
}

// kChanges arrivals and departures; the transcript already full when
// state.range(0) is 1.
void BM_ConsolePeople(benchmark::State& state) {
  static const std::string bytes = Changes(kChanges);
  Run(state, state.range(0) != 0, true, bytes, kChanges, "seconds_per_change");
}

// Each figure is the median of five runs of one iteration.
void Runs(benchmark::internal::Benchmark* run) {
  run->Iterations(1)->Repetitions(5)->ReportAggregatesOnly(true)->Unit(benchmark::kMillisecond);
}

// Lines of 40 and of 200 characters, with the transcript empty and full.
void LineSizes(benchmark::internal::Benchmark* run) {
  run->ArgsProduct({{40, 200}, {0, 1}})->ArgNames({"chars", "full"});
  Runs(run);
}

BENCHMARK(BM_ConsoleLines)->Apply(LineSizes);
BENCHMARK(BM_StampedLoggedConsoleLines)->Apply(LineSizes);
BENCHMARK(BM_ClosedConsoleLines)->Arg(40)->Arg(200)->ArgName("chars")->Apply(Runs);
BENCHMARK(BM_ConsolePeople)->Arg(0)->Arg(1)->ArgName("full")->Apply(Runs);

}  // namespace
