#!/usr/bin/env bash
# Installs Klaxo and signs on with the installed program: the build BUILD
# moved to another prefix, then a build with an absolute folder of helpers,
# kept in BUILD/install-check/build. Usage: installed.sh BUILD SOURCE END_TO_END_TESTS
set -euo pipefail
work="$1/install-check"
rm -rf "$work/default" "$work/prefix" "$work/helpers"
signs_on() {
  KLAXO_INSTALLED="$1" "$(dirname "$0")/with-keyring.sh" "$4" --gtest_filter=KeyringEndToEnd.TheInstalledProgram*
}
cmake --install "$1" --prefix "$work/default" >/dev/null
signs_on "$work/default/bin/klaxo" "$@"
cmake -S "$2" -B "$work/build" -DKLAXO_BUILD_TESTS=OFF -DCMAKE_INSTALL_LIBEXECDIR="$work/helpers" >/dev/null
cmake --build "$work/build" -j2 >/dev/null
cmake --install "$work/build" --prefix "$work/prefix" >/dev/null
signs_on "$work/prefix/bin/klaxo" "$@"
