#!/usr/bin/env bash
# Builds Klaxo and runs every test; installs what is missing first.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/deps.sh cmake make g++ qt6-base-dev qtkeychain-qt6-dev libgtest-dev libgmock-dev xvfb trayer dbus gnome-keyring libsecret-1-0
cmake --preset default
cmake --build --preset default
tools/with-tray.sh ctest --preset default
tools/package.sh
