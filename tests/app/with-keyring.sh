#!/usr/bin/env bash
# Runs the command given in a D-Bus session of its own whose Secret Service
# is a fresh gnome-keyring, unlocked with a test password. The keyring is kept
# in a temporary folder, never in the user's own.
set -euo pipefail
if [ -z "${KLAXO_KEYRING_HOME:-}" ]; then
  home="$(mktemp -d)"
  trap 'rm -rf "$home"' EXIT
  mkdir -m 700 "$home/run"
  KLAXO_KEYRING_HOME="$home" HOME="$home" XDG_DATA_HOME="$home/data" XDG_CONFIG_HOME="$home/config" \
    XDG_RUNTIME_DIR="$home/run" dbus-run-session -- "$0" "$@"
  exit
fi
printf 'test password' | gnome-keyring-daemon --unlock --components=secrets >/dev/null
exec "$@"
