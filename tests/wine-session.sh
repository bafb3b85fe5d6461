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
# On our own X server there is no window manager: Wine would wait two
# seconds for each hidden top-level window to be withdrawn by one (after the
# dialog is destroyed, after the finish prompt). Unmanaged windows, which
# Wine places and decorates itself, have no such wait. A session on the
# user's display keeps its window manager.
if [ -n "${WINE_SESSION_INNER:-}" ]; then
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
fi
# Wine draws the caption's buttons with glyphs of the Marlett font; the
# prefix does not find Wine's own copy, and the close box would show the
# letter "r" in a fallback font instead of its cross.
for font in /usr/share/wine/fonts/marlett.ttf; do
  [ -f "$font" ] && cp "$font" "$WINEPREFIX/drive_c/windows/Fonts/"
done
# The desktop (explorer.exe) starts here, with no output of ours to hold:
# started by the first test program that opens a window, it would inherit
# that program's output and keep it open after the program ends.
wine rundll32.exe user32.dll,GetDesktopWindow </dev/null >/dev/null 2>&1
# Wine closes the desktop a moment after the last program leaves it, and the
# next program that opens a window then waits seconds for a new one. A
# console program idling on an empty pipe keeps the desktop open until this
# script ends and the pipe's writer goes with it.
mkfifo "$session/keep-desktop"
wine cmd /c "set /p x=" <"$session/keep-desktop" >/dev/null 2>&1 &
exec 9>"$session/keep-desktop"
"$@" 9>&-
