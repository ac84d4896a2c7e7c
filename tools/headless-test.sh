#!/usr/bin/env bash
# Runs one test program with no display and a fresh, empty home and configuration folder.
set -e
tmp=$(mktemp -d /tmp/velloby-test.XXXXXX)
trap 'rm -rf "$tmp"' EXIT
mkdir -p "$tmp/home" "$tmp/config" "$tmp/runtime"
chmod 700 "$tmp/runtime"
export HOME="$tmp/home" XDG_CONFIG_HOME="$tmp/config" XDG_RUNTIME_DIR="$tmp/runtime"
export QT_QPA_PLATFORM=offscreen
export VELLOBY_TEST_TMP="$tmp"
"$@"
