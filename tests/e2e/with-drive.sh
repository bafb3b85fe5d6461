#!/usr/bin/env bash
# Runs a Windows test program with drive LETTER: mapped to a fresh folder of
# its own, for the scenarios that install into the root of a drive.
#   with-drive.sh LETTER EMULATOR PROGRAM [ARGS...]
set -u
letter=$1
shift
# The prefix the emulator will use (cmake/wine-run.sh falls back the same way).
prefix=${WINEPREFIX:-${WINE_TEST_BASE:-$(pwd)/wine-test}/prefix}
root=$(mktemp -d /tmp/test-drive.XXXXXX)
cleanup() {
  rm -f "$prefix/dosdevices/$letter:"
  rm -rf "$root"
}
trap cleanup EXIT
# Start the prefix first if needed, so that its drive folder exists.
[ -d "$prefix/dosdevices" ] || "$1" cmd /c exit >/dev/null 2>&1
ln -sfn "$root" "$prefix/dosdevices/$letter:"
"$@"
