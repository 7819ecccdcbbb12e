#!/usr/bin/env bash
# Builds Klaxo and runs every test; installs what is missing first.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/deps.sh cmake make g++ qt6-base-dev libgtest-dev libgmock-dev
cmake --preset default
cmake --build --preset default
ctest --preset default
tools/package.sh
