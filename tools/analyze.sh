#!/usr/bin/env bash
# Static checks: every C++ file formatted as .clang-format says, and the
# sources clean under the checks of .clang-tidy. Needs a configured
# build/default (tools/test.sh makes one) for the compile commands.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/deps.sh clang-format-14 clang-tidy-14
mapfile -t files < <(git ls-files '*.cpp' '*.h')
echo "== clang-format (${#files[@]} files)"
clang-format-14 --dry-run -Werror "${files[@]}"
mapfile -t sources < <(git ls-files '*.cpp' | grep -v '^fuzz/' | grep -v '^bench/')
echo "== clang-tidy (${#sources[@]} sources)"
[ -f build/default/compile_commands.json ] || cmake --preset default >/dev/null
log=build/clang-tidy.log
if ! printf '%s\n' "${sources[@]}" | xargs -P 2 -n 4 clang-tidy-14 -p build/default --quiet >"$log" 2>&1; then
  grep -v -E '^[0-9]+ warnings? (and [0-9]+ errors? )?generated\.$|^Suppressed [0-9]+ warnings|^Use -header-filter' "$log"
  echo "clang-tidy found problems"
  exit 1
fi
echo "analysis clean"
