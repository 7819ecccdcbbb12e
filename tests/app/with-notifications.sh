#!/usr/bin/env bash
# Runs the command given in a D-Bus session of its own, on a virtual X
# display of its own, with a real notification daemon (dunst) serving
# org.freedesktop.Notifications. Nothing of the user's own session or
# settings is used.
set -euo pipefail
if [ -z "${KLAXO_NOTIFY_HOME:-}" ]; then
  exec "$(dirname "$0")/../../tools/in-own-session.sh" KLAXO_NOTIFY_HOME "$0" "$@"
fi
number="$KLAXO_NOTIFY_HOME/display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$number" >/dev/null 2>&1 &
xvfb=$!
trap 'kill ${dunst:-} "$xvfb" 2>/dev/null || true; wait 2>/dev/null || true' EXIT
for _ in $(seq 100); do [ -s "$number" ] && break; sleep 0.1; done
[ -s "$number" ] || { echo "with-notifications.sh: Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$(cat "$number")"
dunst >"$KLAXO_NOTIFY_HOME/dunst.log" 2>&1 &
dunst=$!
owned() {
  dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
    org.freedesktop.DBus.NameHasOwner string:org.freedesktop.Notifications 2>/dev/null | grep -q true
}
for _ in $(seq 100); do owned && break; sleep 0.1; done
owned || { echo "with-notifications.sh: dunst did not start:" >&2; cat "$KLAXO_NOTIFY_HOME/dunst.log" >&2; exit 1; }
"$@"
