#!/usr/bin/env bash
# Builds and runs every benchmark, writes the results as JSON to
# build/bench/results.json and prints the figures that have targets: the
# receive path against its baseline, how the cost per item grows, what the
# console costs per room line and per arrival or departure, and the memory
# of a long watch.
#
# The long watch runs for 6 minutes here, on a virtual X display so that its
# alert boxes are drawn as on a desktop, in a D-Bus session of its own with a
# notification daemon and in data folders of its own (with-notifications.sh),
# with every way of delivering an alert on. `tools/bench.sh --long-watch
# [SECONDS]` runs only it, for an hour unless SECONDS says otherwise, and
# writes build/bench/long-watch.json.
set -euo pipefail
cd "$(dirname "$0")/.."
long_watch=""
if [ "${1:-}" = "--long-watch" ]; then long_watch="${2:-3600}"; fi
tools/deps.sh cmake make g++ qt6-base-dev libsqlite3-dev libcrypt-dev qtkeychain-qt6-dev pkg-config libcanberra-dev libbenchmark-dev python3 xvfb trayer dbus dunst
cmake --preset bench >/dev/null
cmake --build --preset bench
out=build/bench/results.json
programs=(build/bench/bench/bench_*)
if [ -n "$long_watch" ]; then
  out=build/bench/long-watch.json
  programs=(build/bench/bench/bench_long_watch)
fi
parts=()
for program in "${programs[@]}"; do
  part="build/bench/$(basename "$program").json"
  if [ "$(basename "$program")" = bench_long_watch ]; then
    KLAXO_LONG_WATCH_SECONDS="${long_watch:-360}" tests/app/with-notifications.sh tools/with-tray.sh \
      sh -c 'DISPLAY="$KLAXO_TRAY_DISPLAY" QT_QPA_PLATFORM=xcb exec "$@"' sh \
      "$program" --benchmark_out="$part" --benchmark_out_format=json
  else
    QT_QPA_PLATFORM=offscreen "$program" --benchmark_out="$part" --benchmark_out_format=json
  fi
  parts+=("$part")
done
python3 tools/bench_summary.py "$out" "${parts[@]}"
