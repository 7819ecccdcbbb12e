#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, AddressSanitizer, UndefinedBehaviorSanitizer)
# and runs each for the given number of seconds (default 60), starting from
# the seed corpus in fuzz/corpus/. New inputs go to build/fuzz/corpus/, and a
# crashing input to build/fuzz/artifacts/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
tools/deps.sh cmake make clang-14 libclang-rt-14-dev qt6-base-dev libsqlite3-dev libcrypt-dev
cmake --preset fuzz >/dev/null
targets=(receive_path text_helpers server_commands room_feed)
cmake --build --preset fuzz --target "${targets[@]/#/fuzz_}"
mkdir -p build/fuzz/artifacts
for target in "${targets[@]}"; do
  work="build/fuzz/corpus/$target"
  mkdir -p "$work"
  echo "== fuzz_$target for ${seconds}s"
  "build/fuzz/fuzz/fuzz_$target" -max_total_time="$seconds" -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="build/fuzz/artifacts/$target-" "$work" "fuzz/corpus/$target" 2>&1 | tail -n 12
done
