#!/bin/sh
# Runs a Windows program under Wine for the tests.
# A test session (tests/wine-session.sh) exports a throwaway HOME and WINEPREFIX
# and keeps one wineserver alive; when run on its own (ctest by hand) this
# falls back to a prefix below the build tree, never the user's own.
if [ -z "$WINEPREFIX" ]; then
  base="${WINE_TEST_BASE:-$(pwd)/wine-test}"
  mkdir -p "$base/home"
  export HOME="$base/home"
  export WINEPREFIX="$base/prefix"
fi
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=;winemenubuilder.exe=d}"
exec wine "$@"
