#!/usr/bin/env bash
# The demo: installs what it needs (Debian 12), builds the sample product's
# installer as vendors ship it, build/win32/bin/setup.exe (32-bit), and runs
# that very file under Wine in a throwaway prefix, as 64-bit Windows runs it
# (WoW64).
#  - With $DISPLAY set, setup.exe opens on your display; afterwards the demo
#    prints what was installed.
#  - Without a display (or with DEMO_HEADLESS=1) it runs under Xvfb with an
#    automatic walk: Install on the proposed directory, No at the finish
#    prompt, then a report of the files, shortcuts and uninstall entry, and
#    where they landed. Screenshots of the dialog land in build/demo/.
set -euo pipefail
cd "$(dirname "$0")"
bash .ci/install-deps

echo "=== build: win32, the shipped installer"
cmake --preset win32 >/dev/null
cmake --build --preset win32 --target setup gui_walk
setup=build/win32/bin/setup.exe
ls -l "$setup"

# Where a 32-bit installer's results land on 64-bit Windows, seen from
# outside the program: the files on the Unix side of drive c:, the entry in
# the 32-bit registry view as a 64-bit tool lists it.
where_it_landed='
  echo
  echo "=== where it landed (seen from outside the installer)"
  files="$WINEPREFIX/drive_c/Program Files/VarnikPlus"
  [ -d "$files" ] && echo "files: $(find "$files" -type f | wc -l) below drive c:/Program Files/VarnikPlus"
  [ -d "$WINEPREFIX/drive_c/Program Files (x86)/VarnikPlus" ] && echo "files: also below Program Files (x86)!"
  echo "uninstall entry, as a 64-bit tool (reg query /reg:64) lists it:"
  wine reg query "HKLM\\Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\VarnikPlus" /reg:64 2>/dev/null | tr -d "\r" | sed "/^$/d; s/^/  /"'

if [ -n "${DISPLAY:-}" ] && [ -z "${DEMO_HEADLESS:-}" ]; then
  echo "=== $setup (the shipped 32-bit installer) on display $DISPLAY, in a throwaway Wine prefix"
  bash tests/wine-session.sh bash -c '
    wine "$1"
    echo "setup.exe has ended."
    wine build/win32/bin/gui_walk.exe --report || true
    eval "$2"
    if [ -t 0 ]; then
      read -r -p "Press Enter to end the demo (this closes the Wine session) " _
    fi' demo "$setup" "$where_it_landed"
else
  echo "=== $setup (the shipped 32-bit installer) headless under Xvfb, with an automatic walk through the install"
  WINE_TEST_XVFB=1 bash tests/wine-session.sh bash -c '
    bash tests/e2e/demo-walk.sh build/win32/bin build/demo || exit 1
    eval "$1"' demo "$where_it_landed"
  echo
  echo "Screenshots: $(ls build/demo/*.png | tr '\n' ' ')"
fi
