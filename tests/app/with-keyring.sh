#!/usr/bin/env bash
# Runs the command given in a D-Bus session of its own whose Secret Service
# is a fresh gnome-keyring, unlocked with a test password. The keyring is kept
# in a temporary folder, never in the user's own.
set -euo pipefail
if [ -z "${KLAXO_KEYRING_HOME:-}" ]; then
  exec "$(dirname "$0")/../../tools/in-own-session.sh" KLAXO_KEYRING_HOME "$0" "$@"
fi
printf 'test password' | gnome-keyring-daemon --unlock --components=secrets >/dev/null
exec "$@"
