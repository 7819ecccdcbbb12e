#!/usr/bin/env bash
# Runs Klaxo against the bundled server: installs what is missing, builds both
# when needed, starts klaxo-tocd with its demo room in the background, starts
# Klaxo signed to it, and stops the server when Klaxo exits.
# Arguments are passed to Klaxo; KLAXO_PORT picks the server's port (5190).
set -euo pipefail
cd "$(dirname "$0")/.."

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "run.sh: there is no display (neither DISPLAY nor WAYLAND_DISPLAY is set), and Klaxo is a desktop program." >&2
  echo "Run it from a terminal of a desktop session." >&2
  exit 1
fi

tools/deps.sh cmake make g++ qt6-base-dev libsqlite3-dev libcrypt-dev qtkeychain-qt6-dev qt6-qpa-plugins
cmake -S . -B build/run -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKLAXO_BUILD_TESTS=OFF >/dev/null
cmake --build build/run -j2 --target klaxo klaxo-tocd

port="${KLAXO_PORT:-5190}"
log="$(mktemp)"
build/run/server/klaxo-tocd --demo --port "$port" >"$log" 2>&1 &
server=$!
trap 'kill "$server" 2>/dev/null || true; wait "$server" 2>/dev/null || true; rm -f "$log"' EXIT

for _ in $(seq 100); do
  grep -q "listening on" "$log" && break
  if ! kill -0 "$server" 2>/dev/null; then
    echo "run.sh: the bundled server did not start:" >&2
    cat "$log" >&2
    exit 1
  fi
  sleep 0.1
done
cat "$log"
echo "Sign on with any name and password, then join room \"demo\" on exchange 4."

build/run/app/klaxo --server "127.0.0.1:$port" "$@"
