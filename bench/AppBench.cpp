// The application's share of a flooding room: matching a message against
// the word list, appending message lines to the console's transcript, a
// flood, a churning room and repeated session frames that wait behind an
// alert box, and the people list's arrivals and departures.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "AlertPresenter.h"
#include "FakeSocket.h"
#include "Frames.h"
#include "Klaxo.h"
#include "LobbyWindow.h"
#include "QuovTOCSock.h"
#include "WordList.h"
#include "frmConsole.h"

namespace {

// A shown console with the control it speaks through.
struct ShownConsole {
  ShownConsole() { console.show(); }
  QuovTOCSock toc{std::make_unique<FakeSocket>()};
  frmConsole console{toc};
};

QString Message200() {
  QString message = QStringLiteral("Has anyone tried the new bakery on the corner? Their bread is lovely, the coffee ");
  while (message.size() < 200) message += QStringLiteral("is strong and the queue moves fast. ");
  return message.left(200);
}

void BM_WordMatching(benchmark::State& state) {
  QStringList words;
  for (int i = 0; i < state.range(0); ++i) words << QStringLiteral("word%1").arg(i);
  words.last() = QStringLiteral("coffee");
  const QString message = Message200();
  for (auto _ : state) benchmark::DoNotOptimize(MatchingWords(words, message));
}
BENCHMARK(BM_WordMatching)->Arg(1)->Arg(10)->Arg(100)->Arg(1000);

// The cost of 1,000 more lines once the transcript holds state.range(0) lines.
void BM_TranscriptGrowth(benchmark::State& state) {
  constexpr int kBatch = 1000;
  ShownConsole shown;
  frmConsole& console = shown.console;
  const QString text = QStringLiteral("<b>an ordinary sentence</b> said in the room &amp; answered");
  for (int i = 0; i < state.range(0); ++i) console.WriteMessage(QStringLiteral("Someone"), text, false);
  for (auto _ : state) {
    for (int i = 0; i < kBatch; ++i) {
      console.WriteMessage(i % 2 != 0 ? QStringLiteral("My Name") : QStringLiteral("Bob"), text, i % 2 != 0);
    }
    state.PauseTiming();
    console.Clear();
    for (int i = 0; i < state.range(0); ++i) console.WriteMessage(QStringLiteral("Someone"), text, false);
    state.ResumeTiming();
  }
  state.counters["seconds_per_line"] = benchmark::Counter(static_cast<double>(state.iterations() * kBatch),
                                                          benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_TranscriptGrowth)->Arg(1000)->Arg(4000)->Arg(9000)->Iterations(5)->Unit(benchmark::kMillisecond);

// Answers every alert at once; whileShowing runs while the first is "open".
class AnsweringAlerts : public AlertPresenter {
 public:
  Closed ShowAlert(const QString&) override {
    if (++shown == 1 && whileShowing) whileShowing();
    return Closed::One;
  }
  void ShowAbout(const QString&) override {}
  std::size_t shown = 0;
  std::function<void()> whileShowing;
};

// The main window signed on and in room 42 with its console open, the word
// kiwi listed.
struct FloodedWindow {
  FloodedWindow() {
    auto socket = std::make_unique<FakeSocket>();
    sock = socket.get();
    auto presenter = std::make_unique<AnsweringAlerts>();
    alerts = presenter.get();
    window = std::make_unique<Klaxo>(std::move(socket), std::move(presenter));
    EnterLobby(*window, *sock, true);
  }
  FakeSocket* sock;
  AnsweringAlerts* alerts;
  std::unique_ptr<Klaxo> window;
};

constexpr int kFloodMessages = 100000;

// kFloodMessages room messages, one in a hundred holding the listed word, as
// the server would send them in 64 KiB reads.
const std::string& FloodBytes() {
  static const std::string bytes = [] {
    const std::string plain = Message200().toStdString();
    std::string matching = plain;
    matching.replace(0, 4, "kiwi");
    std::string all;
    for (int i = 0; i < kFloodMessages; ++i) {
      all += ServerMessage("CHAT_IN_ENC:42:Someone:F:US-ASCII:en:" + (i % 100 == 99 ? matching : plain));
    }
    return all;
  }();
  return bytes;
}

// The flood handled as it arrives, with no box open.
void BM_FloodWithNoBox(benchmark::State& state) {
  std::size_t alerts = 0;
  for (auto _ : state) {
    state.PauseTiming();
    FloodedWindow flooded;
    state.ResumeTiming();
    flooded.sock->DeliverInChunks(FloodBytes(), 65536);
    alerts = flooded.alerts->shown;
  }
  if (alerts != kFloodMessages / 100) state.SkipWithError("wrong number of alerts");
}
BENCHMARK(BM_FloodWithNoBox)->Iterations(3)->Unit(benchmark::kMillisecond);

// The same flood arriving while one box is open; the time is the drain once
// it is answered. Also reported: the time taken while the box was open, and
// the most bytes that waited.
void BM_FloodDrainedAfterABox(benchmark::State& state) {
  double arrivalSeconds = 0;
  std::size_t peakBytes = 0;
  for (auto _ : state) {
    FloodedWindow flooded;
    std::chrono::steady_clock::time_point answered;
    flooded.alerts->whileShowing = [&] {
      const auto start = std::chrono::steady_clock::now();
      flooded.sock->DeliverInChunks(FloodBytes(), 65536);
      answered = std::chrono::steady_clock::now();
      arrivalSeconds += std::chrono::duration<double>(answered - start).count();
    };
    flooded.sock->Deliver(ServerMessage("CHAT_IN_ENC:42:Someone:F:US-ASCII:en:kiwi first"));
    state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - answered).count());
    if (flooded.alerts->shown != kFloodMessages / 100 + 1) state.SkipWithError("wrong number of alerts");
    peakBytes = std::max(peakBytes, flooded.window->Waiting().PeakWaitingBytes());
  }
  state.counters["arrival_ms"] = arrivalSeconds * 1e3 / static_cast<double>(state.iterations());
  state.counters["peak_waiting_MiB"] = static_cast<double>(peakBytes) / (1 << 20);
}
BENCHMARK(BM_FloodDrainedAfterABox)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);

constexpr int kChurnRounds = 100;
constexpr int kChurnRoomSize = 5000;

// kChurnRounds times, kChurnRoomSize people arrive in one frame and then
// leave one frame each: 1,000,000 changes, after which the room holds only
// the user again.
const std::string& ChurnBytes() {
  static const std::string bytes = [] {
    std::string all;
    for (int round = 0; round < kChurnRounds; ++round) {
      std::string arrivals = "CHAT_UPDATE_BUDDY:42:T";
      for (int i = 0; i < kChurnRoomSize; ++i) arrivals += ":P " + std::to_string(round) + "-" + std::to_string(i);
      all += ServerMessage(arrivals);
      for (int i = 0; i < kChurnRoomSize; ++i) {
        all += ServerMessage("CHAT_UPDATE_BUDDY:42:F:p" + std::to_string(round) + "-" + std::to_string(i));
      }
    }
    return all;
  }();
  return bytes;
}

void CheckChurnedRoom(benchmark::State& state, const FloodedWindow& churned, std::size_t alerts) {
  if (churned.window->console->lstUsers->model()->rowCount() != 1 || churned.alerts->shown != alerts) {
    state.SkipWithError("the room did not end as it began");
  }
}

// The churn handled as it arrives, with no box open.
void BM_ChurnWithNoBox(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    FloodedWindow churned;
    state.ResumeTiming();
    churned.sock->DeliverInChunks(ChurnBytes(), 65536);
    CheckChurnedRoom(state, churned, 0);
  }
}
BENCHMARK(BM_ChurnWithNoBox)->Iterations(1)->Unit(benchmark::kMillisecond);

// The same churn arriving while one box is open; the time is the drain once
// it is answered. Also reported: the time taken while the box was open, and
// the most bytes that waited; the people list changes at once.
void BM_ChurnDrainedAfterABox(benchmark::State& state) {
  double arrivalSeconds = 0;
  std::size_t peakBytes = 0;
  for (auto _ : state) {
    FloodedWindow churned;
    std::chrono::steady_clock::time_point answered;
    churned.alerts->whileShowing = [&] {
      const auto start = std::chrono::steady_clock::now();
      churned.sock->DeliverInChunks(ChurnBytes(), 65536);
      answered = std::chrono::steady_clock::now();
      arrivalSeconds += std::chrono::duration<double>(answered - start).count();
    };
    churned.sock->Deliver(ServerMessage("CHAT_IN_ENC:42:Someone:F:US-ASCII:en:kiwi first"));
    state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - answered).count());
    CheckChurnedRoom(state, churned, 1);
    peakBytes = std::max(peakBytes, churned.window->Waiting().PeakWaitingBytes());
  }
  state.counters["arrival_ms"] = arrivalSeconds * 1e3 / static_cast<double>(state.iterations());
  state.counters["peak_waiting_MiB"] = static_cast<double>(peakBytes) / (1 << 20);
}
BENCHMARK(BM_ChurnDrainedAfterABox)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

constexpr int kRepeatedFrames = 200000;

// kRepeatedFrames times each: the configuration's end (a sign-on's status
// line again), a room joined and the same room left, then a keep-alive.
const std::string& RepeatedBytes() {
  static const std::string bytes = [] {
    std::string all;
    for (int i = 0; i < kRepeatedFrames; ++i) {
      const std::string n = std::to_string(i);
      all += ServerMessage("CONFIG2:m:1\ndone:\n") + ServerMessage("CHAT_JOIN:" + n + ":Room " + n) +
             ServerMessage("CHAT_LEFT:" + n);
    }
    return all + flap::BuildFrame(flap::kKeepAlive, 0, "");
  }();
  return bytes;
}

// The repeated frames with no box open (range 0) or behind one (range 1):
// the time is from the first frame until the keep-alive after the last is
// answered, the drain once the box is answered reported beside it, with the
// most bytes that waited.
void BM_RepeatedFrames(benchmark::State& state) {
  const bool box = state.range(0) != 0;
  double drainSeconds = 0;
  std::size_t peakBytes = 0;
  for (auto _ : state) {
    FloodedWindow flooded;
    flooded.sock->TakeSent();
    std::chrono::steady_clock::time_point answered;
    const std::string& bytes = RepeatedBytes();
    const auto deliver = [&] {
      const auto start = std::chrono::steady_clock::now();
      flooded.sock->DeliverInChunks(bytes, 65536);
      answered = std::chrono::steady_clock::now();
      state.SetIterationTime(std::chrono::duration<double>(answered - start).count());
    };
    if (box) {
      flooded.alerts->whileShowing = deliver;
      flooded.sock->Deliver(ServerMessage("CHAT_IN_ENC:42:Someone:F:US-ASCII:en:kiwi first"));
      drainSeconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - answered).count();
    } else {
      deliver();
    }
    if (flooded.sock->TakeSent().empty() || flooded.window->lblStat->text() != QStringLiteral("Logged in, left chat")) {
      state.SkipWithError("the keep-alive went unanswered or the status line is wrong");
    }
    peakBytes = std::max(peakBytes, flooded.window->Waiting().PeakWaitingBytes());
  }
  state.counters["drain_ms"] = drainSeconds * 1e3 / static_cast<double>(state.iterations());
  state.counters["peak_waiting_MiB"] = static_cast<double>(peakBytes) / (1 << 20);
}
BENCHMARK(BM_RepeatedFrames)->Arg(0)->Arg(1)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

// 10,000 arrivals and then 10,000 departures, spread over the list, in a
// room of state.range(0) people with the console open: the people list's
// change and count alone, each departure named as the server sends it
// rather than as listed. The view lays itself out every 1,000 changes, as
// it would between two of the socket's 64 KiB reads of departures.
void BM_PeopleChanges(benchmark::State& state) {
  constexpr int kChanges = 10000;
  const int occupants = static_cast<int>(state.range(0));
  ShownConsole shown;
  frmConsole& console = shown.console;
  for (auto _ : state) {
    state.PauseTiming();
    console.Clear();
    PeopleIndex room;
    for (int i = 0; i < occupants; ++i) {
      room.Append("person" + std::to_string(i), QStringLiteral("Person %1").arg(i));
    }
    console.FillPeople(room);
    QApplication::processEvents();
    state.ResumeTiming();
    for (int i = 0; i < kChanges; ++i) {
      console.ChangePeople(QStringLiteral("Newcomer %1").arg(i), true);
      if (i % 1000 == 999) QApplication::processEvents();
    }
    for (int i = 0; i < kChanges; ++i) {
      console.ChangePeople(QStringLiteral("person%1").arg(i * 7919 % occupants), false);
      if (i % 1000 == 999) QApplication::processEvents();
    }
    QApplication::processEvents();
  }
  state.counters["seconds_per_change"] = benchmark::Counter(static_cast<double>(state.iterations() * 2 * kChanges),
                                                            benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_PeopleChanges)->Arg(5000)->Arg(50000)->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace
