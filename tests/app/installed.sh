#!/usr/bin/env bash
# Installs Klaxo and signs on with the installed program, in two layouts: the
# build's own, moved to another prefix, and a build whose folder of helpers
# is given as an absolute path, kept in BUILD/absolute-libexec and built again
# only where it changed. Usage: installed.sh BUILD SOURCE END_TO_END_TESTS
set -euo pipefail
build="$1"
source="$2"
tests="$3"
here="$(cd "$(dirname "$0")" && pwd)"
work="$build/install-check"
rm -rf "$work/default" "$work/prefix" "$work/helpers"
mkdir -p "$work"

signs_on() {
  KLAXO_INSTALLED="$1" "$here/with-keyring.sh" "$tests" --gtest_filter=KeyringEndToEnd.TheInstalledProgramSignsOnAndJoins
}

cmake --install "$build" --prefix "$work/default" >/dev/null
signs_on "$work/default/bin/klaxo"

cmake -S "$source" -B "$work/build" -DKLAXO_BUILD_TESTS=OFF -DCMAKE_INSTALL_LIBEXECDIR="$work/helpers" >/dev/null
cmake --build "$work/build" -j2 >/dev/null
cmake --install "$work/build" --prefix "$work/prefix" >/dev/null
test -f "$work/helpers/klaxo/klaxo-network.so"
signs_on "$work/prefix/bin/klaxo"
