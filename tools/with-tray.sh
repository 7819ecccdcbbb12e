#!/usr/bin/env bash
# Runs the command given on a virtual X display (Xvfb) with trayer as its
# system tray, and names that display in KLAXO_TRAY_DISPLAY, where the tray
# tests look for it. Both are stopped when the command ends.
set -euo pipefail
number="$(mktemp)"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$number" >/dev/null 2>&1 &
xvfb=$!
trap 'kill ${tray:-} "$xvfb" 2>/dev/null || true; wait 2>/dev/null || true; rm -f "$number"' EXIT
for _ in $(seq 100); do [ -s "$number" ] && break; sleep 0.1; done
[ -s "$number" ] || { echo "with-tray.sh: Xvfb did not start" >&2; exit 1; }
display=":$(cat "$number")"
DISPLAY="$display" trayer --edge top --align right --widthtype request --height 24 >/dev/null 2>&1 &
tray=$!
KLAXO_TRAY_DISPLAY="$display" "$@"
