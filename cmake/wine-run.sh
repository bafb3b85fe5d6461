#!/bin/sh
# Runs a Windows program under Wine for the tests.
# A test session (tests/wine-session.sh) exports a throwaway HOME and WINEPREFIX
# and keeps one wineserver alive; when run on its own (ctest by hand) this
# falls back to a prefix below the build tree, never the user's own.
#
# The program's output goes to a file, copied out when the program ends. A
# program of Wine's own that the test program starts (the desktop,
# explorer.exe, when none runs yet) inherits its output and lives on after
# it: on the pipe ctest reads, ctest would wait for that program until the
# test's timeout, though the test had ended.
if [ -z "$WINEPREFIX" ]; then
  base="${WINE_TEST_BASE:-$(pwd)/wine-test}"
  mkdir -p "$base/home"
  export HOME="$base/home"
  export WINEPREFIX="$base/prefix"
fi
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=;winemenubuilder.exe=d}"
out=$(mktemp "${TMPDIR:-/tmp}/wine-run.XXXXXX") || exit 1
wine "$@" </dev/null >"$out" 2>&1 &
pid=$!
# Stopped from outside (ctest's timeout): the program goes too, and what it
# printed so far is shown.
trap 'kill "$pid" 2>/dev/null; cat "$out"; rm -f "$out"; exit 124' HUP INT TERM
wait "$pid"
rc=$?
cat "$out"
rm -f "$out"
exit "$rc"
