#!/usr/bin/env bash
# Runs a command in a D-Bus session of its own, with a temporary home and XDG
# folders, so that nothing of the user's own session or settings is used or
# changed. The temporary folder is named in the variable given first, which
# the command sees set (a script that calls this for itself runs its own work
# once it is set); the folder is removed when the command ends.
#   tools/in-own-session.sh VARIABLE COMMAND [ARGUMENT...]
set -euo pipefail
variable="$1"
shift
home="$(mktemp -d)"
trap 'rm -rf "$home"' EXIT
mkdir -m 700 "$home/run"
env "$variable=$home" HOME="$home" XDG_DATA_HOME="$home/data" XDG_CONFIG_HOME="$home/config" \
  XDG_RUNTIME_DIR="$home/run" dbus-run-session -- "$@"
