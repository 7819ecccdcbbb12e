#!/usr/bin/env bash
# Builds Klaxo and runs every test, then builds and checks the package
# (tools/package.sh). Installs the build and test tools that are missing
# first, and changes nothing else on the system.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/deps.sh cmake make g++ qt6-base-dev libsqlite3-dev libcrypt-dev qtkeychain-qt6-dev libgtest-dev libgmock-dev xvfb trayer dbus gnome-keyring libsecret-1-0
cmake --preset default
cmake --build --preset default
tools/with-tray.sh ctest --preset default
# The package built here is only checked, never published: it names a test
# maintainer unless one is given.
DEBFULLNAME="${DEBFULLNAME:-Klaxo test build}" DEBEMAIL="${DEBEMAIL:-test-build@klaxo.invalid}" tools/package.sh
