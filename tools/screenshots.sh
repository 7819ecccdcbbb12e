#!/usr/bin/env bash
# Takes the README's pictures: starts a virtual X server with the openbox
# window manager (for window frames and titles) and the dunst notification
# daemon, the bundled server with its demo room and Klaxo with desktop
# notifications on, drives a short session with xdotool (sign on, join the
# demo room, open the console, list a few words, wait for an alert, say
# hello, open the alert history) and saves four views of the desktop to
# docs/, each at least 620 pixels wide as AppStream asks of screenshots: the
# main window with an alert and the console (alert.png), the main window
# with the console after saying hello (watching.png), an alert's desktop
# notification (notification.png) and the alert history (history.png).
# Klaxo runs in a D-Bus session and with settings and data folders of its
# own. Rerun it when the windows change. Installs what is missing first.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/deps.sh cmake make g++ qt6-base-dev libsqlite3-dev libcrypt-dev qtkeychain-qt6-dev pkg-config libcanberra-dev libgtest-dev libgmock-dev xvfb openbox x11-utils x11-xserver-utils \
  xdotool imagemagick fonts-dejavu-core dbus dunst
if [ -z "${KLAXO_SCREENSHOT_HOME:-}" ]; then
  cmake --preset default >/dev/null
  cmake --build build/default -j2 --target klaxo klaxo-tocd
  exec tools/in-own-session.sh KLAXO_SCREENSHOT_HOME "$0"
fi

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
openbox --sm-disable >"$work/openbox.log" 2>&1 &
pids+=($!)
wait_for 10 bash -c "xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'" ||
  fail "openbox did not start: $(cat "$work/openbox.log")"
xsetroot -solid "#4f6f8f"
dunst >"$work/dunst.log" 2>&1 &
pids+=($!)

build/default/server/klaxo-tocd --demo --port 0 >"$work/server.log" 2>&1 &
pids+=($!)
wait_for 10 grep -q "listening on" "$work/server.log" || fail "klaxo-tocd did not start: $(cat "$work/server.log")"
port="$(sed -n 's/.*listening on .* port \([0-9]*\)$/\1/p' "$work/server.log")"

QT_QPA_PLATFORM=xcb build/default/app/klaxo --server "127.0.0.1:$port" --notify >"$work/klaxo.log" 2>&1 &
klaxo=$!
pids+=("$klaxo")

# The first visible window whose title matches $1, within $2 seconds.
find_window() {
  local found=""
  wait_for "$2" bash -c "xdotool search --onlyvisible --name '$1' >'$work/found' 2>/dev/null" || return 1
  found="$(head -n 1 "$work/found")"
  echo "$found"
}
# The place and size of a window with its frame: "X Y WIDE TALL".
frame_of() {
  local info left right top bottom
  info="$(xwininfo -id "$1")"
  # A window the manager does not frame (a notification) has no extents.
  read -r left right top bottom < <(xprop -id "$1" _NET_FRAME_EXTENTS | sed -n 's/.*= *//; s/,//gp') || true
  left=${left:-0} right=${right:-0} top=${top:-0} bottom=${bottom:-0}
  echo "$(($(sed -n 's/^ *Absolute upper-left X: *//p' <<<"$info") - left))" \
    "$(($(sed -n 's/^ *Absolute upper-left Y: *//p' <<<"$info") - top))" \
    "$(($(sed -n 's/^ *Width: *//p' <<<"$info") + left + right))" \
    "$(($(sed -n 's/^ *Height: *//p' <<<"$info") + top + bottom))"
}
# Saves the part of the desktop that holds the windows given after the file
# name, with a margin around them.
shoot() {
  local file="$1" x0=100000 y0=100000 x1=0 y1=0 x y wide tall margin=16
  shift
  for window in "$@"; do
    read -r x y wide tall < <(frame_of "$window")
    ((x < x0)) && x0=$x
    ((y < y0)) && y0=$y
    ((x + wide > x1)) && x1=$((x + wide))
    ((y + tall > y1)) && y1=$((y + tall))
  done
  x0=$((x0 - margin < 0 ? 0 : x0 - margin))
  y0=$((y0 - margin < 0 ? 0 : y0 - margin))
  import -window root -crop "$((x1 + margin - x0))x$((y1 + margin - y0))+$x0+$y0" +repage "$file"
  identify -format "%f: %w x %h pixels\n" "$file"
  [ "$(identify -format %w "$file")" -ge 620 ] || fail "$file is narrower than 620 pixels"
}

main="$(find_window '^Klaxo ' 20)" || fail "Klaxo's window did not show: $(cat "$work/klaxo.log")"
# Windows are placed by their client area, under a title bar of about 20 pixels.
xdotool windowmove --sync "$main" 24 48
sleep 0.5
read -r main_x _ main_wide _ < <(frame_of "$main")

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
xdotool windowmove --sync "$console" $((main_x + main_wide + 24)) 48
sleep 0.5
read -r _ console_y _ console_tall < <(frame_of "$console")
# Alerts go below the console, so that none covers the transcript.
alert_y=$((console_y + console_tall + 48))

# The window manager gives the new console the focus; the words go to the
# main window's word box once it has settled.
sleep 1
click "$main" 188 $((top + 145))
for word in coffee cake umbrella; do
  type_text "$word"
  xdotool key Return
  sleep 0.3
done

alert="$(find_window '^Alert$' 90)" || fail "no alert came within 90 seconds"
xdotool windowmove --sync "$alert" $((main_x + main_wide + 24)) "$alert_y"
# The alert's notification is the subject of a picture of its own.
dunstctl close-all
sleep 1
mkdir -p docs
shoot docs/alert.png "$main" "$console" "$alert"
click "$alert" 10 10
xdotool key Return

# The console's message box: 281 by 19 pixels, 8 from the left and 216 from the top.
click "$console" 148 225
type_text "Hello everyone!"
xdotool key Return
sleep 8
for window in $(xdotool search --onlyvisible --name '^Alert$' 2>/dev/null); do
  xdotool windowmove --sync "$window" $((main_x + main_wide + 24)) "$alert_y"
done
sleep 0.5
shoot docs/watching.png "$main" "$console"

# The next alert's notification, beside the main window; its alert box is
# answered first.
for _ in $(seq 90); do
  notification="$(xdotool search --onlyvisible --class '^Dunst$' 2>/dev/null | head -n 1)" && [ -n "$notification" ] && break
  sleep 1
done
[ -n "${notification:-}" ] || fail "no notification came within 90 seconds: $(cat "$work/dunst.log")"
for window in $(xdotool search --onlyvisible --name '^Alert$' 2>/dev/null); do
  click "$window" 10 10
  xdotool key Return
done
sleep 0.5
shoot docs/notification.png "$main" "$console" "$notification"

# File, then its second item: Alert History, alone, as it is wider than
# the room beside the main window.
dunstctl close-all
click "$main" 16 $((top / 2))
xdotool key Down Down Return
history="$(find_window '^Alert History$' 10)" || fail "the alert history did not show"
xdotool windowmove --sync "$history" 24 48
sleep 1
shoot docs/history.png "$history"
echo "saved docs/alert.png, docs/watching.png, docs/notification.png and docs/history.png"
