// The application's share of a flooding room: matching a message against
// the word list, and appending message lines to the console's transcript.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <memory>

#include "FakeSocket.h"
#include "QuovTOCSock.h"
#include "WordList.h"
#include "frmConsole.h"

namespace {

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
  QuovTOCSock toc(std::make_unique<FakeSocket>());
  QLineEdit txtSn(QStringLiteral("myname"));
  QLineEdit txtCr(QStringLiteral("lobby"));
  QCheckBox chkConsole;
  frmConsole console(toc, txtSn, txtCr, chkConsole);
  console.show();
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

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
