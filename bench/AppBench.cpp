// The application's share of a flooding room: matching a message against
// the word list, appending message lines to the console's transcript, a
// flood and a churning room that wait behind an alert box, and a room that
// empties in bulk.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "AlertPresenter.h"
#include "FakeSocket.h"
#include "Frames.h"
#include "Klaxo.h"
#include "QuovTOCSock.h"
#include "WordList.h"
#include "frmConsole.h"

namespace {

// A shown console with the control and the main window's boxes it refers to.
struct ShownConsole {
  ShownConsole() { console.show(); }
  QuovTOCSock toc{std::make_unique<FakeSocket>()};
  QLineEdit txtSn{QStringLiteral("myname")};
  QLineEdit txtCr{QStringLiteral("lobby")};
  QCheckBox chkConsole;
  frmConsole console{toc, txtSn, txtCr, chkConsole};
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
  for (int i = 0; i < state.range(0); ++i) console.WriteMessage(QStringLiteral("Someone"), text);
  for (auto _ : state) {
    for (int i = 0; i < kBatch; ++i)
      console.WriteMessage(i % 2 != 0 ? QStringLiteral("My Name") : QStringLiteral("Bob"), text);
    state.PauseTiming();
    console.Clear();
    for (int i = 0; i < state.range(0); ++i) console.WriteMessage(QStringLiteral("Someone"), text);
    state.ResumeTiming();
  }
  state.counters["seconds_per_line"] = benchmark::Counter(static_cast<double>(state.iterations() * kBatch),
                                                          benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_TranscriptGrowth)->Arg(0)->Arg(4000)->Arg(9000)->Iterations(5)->Unit(benchmark::kMillisecond);

// Answers every alert at once; whileShowing runs while the first is "open".
class AnsweringAlerts : public AlertPresenter {
 public:
  void ShowAlert(const QString&) override {
    if (++shown == 1 && whileShowing) whileShowing();
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
    window->txtSn->setText(QStringLiteral("myname"));
    window->cmdSignon->click();
    sock->Open();
    sock->Deliver(SignOnFrame() + ServerMessage("SIGN_ON:TOC2.0") + ServerMessage("CONFIG2:done:\n") +
                  ServerMessage("CHAT_JOIN:42:lobby") + ServerMessage("CHAT_UPDATE_BUDDY:42:T:myname"));
    window->lstNotify->addItem(QStringLiteral("kiwi"));
    window->chkConsole->setChecked(true);
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
  if (churned.window->console->lstUsers->count() != 1 || churned.alerts->shown != alerts) {
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
// the most bytes that waited, in the queue and in the people list that waits.
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
    peakBytes =
        std::max(peakBytes, churned.window->Waiting().PeakWaitingBytes() + churned.window->PeakWaitingPeopleBytes());
  }
  state.counters["arrival_ms"] = arrivalSeconds * 1e3 / static_cast<double>(state.iterations());
  state.counters["peak_waiting_MiB"] = static_cast<double>(peakBytes) / (1 << 20);
}
BENCHMARK(BM_ChurnDrainedAfterABox)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

// 10,000 departures from a room of state.range(0) occupants, spread over the
// list, each named as the server sends it rather than as listed.
void BM_RoomDepartures(benchmark::State& state) {
  constexpr int kDepartures = 10000;
  const int occupants = static_cast<int>(state.range(0));
  ShownConsole shown;
  frmConsole& console = shown.console;
  for (auto _ : state) {
    state.PauseTiming();
    console.Clear();
    for (int i = 0; i < occupants; ++i) console.AddPerson("Person " + std::to_string(i));
    QApplication::processEvents();
    state.ResumeTiming();
    for (int i = 0; i < kDepartures; ++i) {
      console.WritePersonLine(QStringLiteral("person%1").arg(i * 7919 % occupants), false);
    }
    QApplication::processEvents();
  }
  state.counters["seconds_per_departure"] = benchmark::Counter(
      static_cast<double>(state.iterations() * kDepartures), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_RoomDepartures)->Arg(12500)->Arg(50000)->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
