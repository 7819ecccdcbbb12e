#!/usr/bin/env bash
# Builds and runs every benchmark, writes the results as JSON to
# build/bench/results.json and prints the figures that have targets: the
# receive path against its baseline, how the cost per item grows, and what
# the console costs per room line and per arrival or departure.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/deps.sh cmake make g++ qt6-base-dev qtkeychain-qt6-dev libbenchmark-dev python3
cmake --preset bench >/dev/null
cmake --build --preset bench
out=build/bench/results.json
programs=(build/bench/bench/bench_*)
parts=()
for program in "${programs[@]}"; do
  part="build/bench/$(basename "$program").json"
  QT_QPA_PLATFORM=offscreen "$program" --benchmark_out="$part" --benchmark_out_format=json
  parts+=("$part")
done
python3 tools/bench_summary.py "$out" "${parts[@]}"
