#!/usr/bin/env bash
# Takes the README's pictures: starts a virtual X server, the bundled server
# with its demo room and Klaxo, drives a short session with xdotool (sign on,
# join the demo room, open the console, list a few words, wait for an alert,
# say hello) and saves the main window, the alert and the console to docs/.
# Rerun it when the windows change. Installs what is missing first.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/deps.sh cmake make g++ qt6-base-dev qtkeychain-qt6-dev libgtest-dev libgmock-dev xvfb xdotool imagemagick fonts-dejavu-core
cmake --preset default >/dev/null
cmake --build build/default -j2 --target klaxo klaxo-tocd

work="$(mktemp -d)"
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "screenshots.sh: $*" >&2
  exit 1
}
# Waits up to $1 seconds for the command after it to succeed.
wait_for() {
  local seconds="$1"
  shift
  for _ in $(seq $((seconds * 10))); do
    "$@" && return 0
    sleep 0.1
  done
  return 1
}

Xvfb -displayfd 3 -screen 0 1024x640x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
pids+=($!)
wait_for 10 test -s "$work/display" || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
DISPLAY=":$(cat "$work/display")"
export DISPLAY

build/default/server/klaxo-tocd --demo --port 0 >"$work/server.log" 2>&1 &
pids+=($!)
wait_for 10 grep -q "listening on" "$work/server.log" || fail "klaxo-tocd did not start: $(cat "$work/server.log")"
port="$(sed -n 's/.*listening on .* port \([0-9]*\)$/\1/p' "$work/server.log")"

QT_QPA_PLATFORM=xcb build/default/app/klaxo --server "127.0.0.1:$port" >"$work/klaxo.log" 2>&1 &
klaxo=$!
pids+=("$klaxo")

# The first visible window whose title matches $1, within $2 seconds.
find_window() {
  local found=""
  wait_for "$2" bash -c "xdotool search --onlyvisible --name '$1' >'$work/found' 2>/dev/null" || return 1
  found="$(head -n 1 "$work/found")"
  echo "$found"
}
main="$(find_window '^Klaxo ' 20)" || fail "Klaxo's window did not show: $(cat "$work/klaxo.log")"
xdotool windowmove --sync "$main" 16 16

# The main window's controls sit at fixed places in its client area, which
# is 239 by 171 pixels under the menu bar.
eval "$(xdotool getwindowgeometry --shell "$main")"
top=$((HEIGHT - 171))
click() { # window x y
  xdotool mousemove --window "$1" "$2" "$3" click 1
  sleep 0.3
}
type_text() {
  xdotool type --delay 30 "$1"
  sleep 0.2
}

click "$main" 80 $((top + 17))
type_text "Lena Watts"
click "$main" 80 $((top + 41))
type_text "secret"
click "$main" 52 $((top + 64))
sleep 1
click "$main" 72 $((top + 89))
type_text "demo"
click "$main" 48 $((top + 112))
sleep 1

click "$main" 40 $((top + 160))
console="$(find_window '^demo - ' 10)" || fail "the chat console did not show"
xdotool windowmove --sync "$console" 300 16

click "$main" 188 $((top + 145))
for word in coffee cake umbrella; do
  type_text "$word"
  xdotool key Return
done

# Alerts go below the other two windows, so that none covers another.
alert="$(find_window '^Alert$' 90)" || fail "no alert came within 90 seconds"
xdotool windowmove --sync "$alert" 16 320
sleep 1
mkdir -p docs
import -window "$main" docs/main-window.png
import -window "$alert" docs/alert.png
click "$alert" 10 10
xdotool key Return

# The console's message box: 281 by 19 pixels, 8 from the left and 216 from the top.
click "$console" 148 225
type_text "Hello everyone!"
xdotool key Return
sleep 8
for window in $(xdotool search --onlyvisible --name '^Alert$' 2>/dev/null); do
  xdotool windowmove --sync "$window" 16 320
done
sleep 0.5
import -window "$console" docs/console.png
echo "saved docs/main-window.png, docs/alert.png and docs/console.png"
