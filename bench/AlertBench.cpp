// What an alert's keeping costs the window: storing one in the history (a
// transaction of its own on disk, with the oldest trimmed once the bound is
// reached), writing a room line to the log, and matching a message against
// words with options.
#include <benchmark/benchmark.h>

#include <QTemporaryDir>

#include "AlertHistory.h"
#include "RoomLog.h"
#include "WordMatcher.h"

namespace {

void BM_HistoryAdd(benchmark::State& state) {
  QTemporaryDir dir;
  QString error;
  // A small bound, so that every stored alert also trims the oldest.
  auto history = AlertHistory::Open(dir.filePath("history.sqlite"), error, state.range(0));
  if (!history) {
    state.SkipWithError(error.toStdString().c_str());
    return;
  }
  StoredAlert alert{0, QDateTime::currentDateTimeUtc(), "Lounge", "bob", "coffee", QString(200, u'x'), false};
  for (qint64 i = 0; i < state.range(0); ++i) history->Add(alert);
  for (auto _ : state) benchmark::DoNotOptimize(history->Add(alert));
}
BENCHMARK(BM_HistoryAdd)->Arg(1000)->Arg(100000)->Unit(benchmark::kMicrosecond);

void BM_RoomLogLine(benchmark::State& state) {
  QTemporaryDir dir;
  RoomLog log(dir.path());
  const QDateTime now = QDateTime::currentDateTime();
  const QString text(200, u'x');
  for (auto _ : state) log.Append(now, "Lounge", "bob", text);
}
BENCHMARK(BM_RoomLogLine)->Unit(benchmark::kMicrosecond);

void BM_WordMatcherOptions(benchmark::State& state) {
  QList<WordRule> rules;
  for (int i = 0; i < state.range(0); ++i) {
    rules.append(WordRule{QStringLiteral("word%1").arg(i), i % 2 == 0, i % 3 == 0, false, WordRule::Target::Both});
  }
  rules.last() = WordRule{"coff?ee", true, true, true};
  const WordMatcher matcher(rules);
  const QString message =
      QStringLiteral("Has anyone tried the new bakery on the corner? The coffee is strong. ").repeated(3);
  for (auto _ : state) benchmark::DoNotOptimize(matcher.Matches("bob", message, "me"));
}
BENCHMARK(BM_WordMatcherOptions)->Arg(10)->Arg(100);

}  // namespace
