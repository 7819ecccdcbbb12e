// The main of the benchmarks that build windows: they need a QApplication
// before the first widget.
#include <QApplication>

#include <benchmark/benchmark.h>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
