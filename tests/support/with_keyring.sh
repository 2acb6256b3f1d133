#!/bin/bash
# Runs the keyring tests against a Secret Service of their own: a private
# D-Bus session with a fresh gnome-keyring whose login keyring is unlocked
# for the run ("keyring"), or with no session bus at all ("none"). HOME and
# the XDG folders point into a temporary folder, so the user's own keyring
# is never touched.
# Usage: with_keyring.sh keyring|none TEST_EXECUTABLE
set -euo pipefail
mode=$1
tests=$2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
export HOME=$scratch/home XDG_DATA_HOME=$scratch/home/.local/share XDG_CONFIG_HOME=$scratch/home/.config
export XDG_RUNTIME_DIR=$scratch/run
mkdir -p "$HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
if [ "$mode" = none ]; then
  export DBUS_SESSION_BUS_ADDRESS=unix:path=$scratch/no-such-bus
  exec "$tests" --gtest_filter='NoKeyring.*'
fi
# gnome-keyring-daemon ends with the session bus that dbus-run-session ends.
exec dbus-run-session -- bash -c '
  eval "$(printf vamlo-test | gnome-keyring-daemon --unlock --components=secrets)"
  exec "$0" --gtest_filter="Keyring.*"' "$tests"
