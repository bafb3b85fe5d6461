#!/usr/bin/env bash
# Runs a command inside one throwaway Wine session: a fresh HOME and
# WINEPREFIX (the prefix's Desktop links into that HOME), one wineserver and
# one desktop kept alive for the whole run, and an X server (Xvfb) for the
# windows.
#   tests/wine-session.sh COMMAND [ARGS...]
set -uo pipefail
if [ -z "${WINE_SESSION_INNER:-}" ]; then
  if [ -z "${DISPLAY:-}" ] || [ -n "${WINE_TEST_XVFB:-}" ]; then
    exec env WINE_SESSION_INNER=1 xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$@"
  fi
fi
session=$(mktemp -d /tmp/wine-session.XXXXXX)
export HOME=$session/home
export WINEPREFIX=$session/prefix
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
mkdir -p "$HOME" "$WINEPREFIX"
cleanup() {
  wineserver -k >/dev/null 2>&1
  rm -rf "$session"
}
trap cleanup EXIT
echo "Wine session: prefix $WINEPREFIX"
# The persistent server must start first: wineserver -p does not change a
# server that already runs, and the one wineboot starts on its own quits a
# few seconds after its last client, racing the next program's start.
wineserver -p
wineboot -i >/dev/null 2>&1
# Wine closes the desktop (explorer.exe) a moment after the last program
# leaves it, and the next program that opens a window then waits seconds for
# a new one. A console program idling on an empty pipe keeps the desktop open
# until this script ends and the pipe's writer goes with it.
mkfifo "$session/keep-desktop"
wine cmd /c "set /p x=" <"$session/keep-desktop" >/dev/null 2>&1 &
exec 9>"$session/keep-desktop"
"$@" 9>&-
