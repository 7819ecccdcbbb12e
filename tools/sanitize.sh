#!/usr/bin/env bash
# Builds the whole test suite with AddressSanitizer and UndefinedBehaviorSanitizer
# (leak checking on) and runs it.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/deps.sh cmake make g++ qt6-base-dev libsqlite3-dev libcrypt-dev qtkeychain-qt6-dev libgtest-dev libgmock-dev dbus gnome-keyring libsecret-1-0
cmake --preset asan
cmake --build --preset asan
ctest --preset asan
