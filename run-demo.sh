#!/usr/bin/env bash
# The demo: installs what it needs (Debian 12), builds the sample product's
# installer (build/win64/bin/setup.exe, run here, and build/win32/bin/setup.exe,
# the shipped 32-bit one) and runs it under Wine in a throwaway prefix.
#  - With $DISPLAY set, setup.exe opens on your display; afterwards the demo
#    prints what was installed.
#  - Without a display (or with DEMO_HEADLESS=1) it runs under Xvfb with an
#    automatic walk: Install on the proposed directory, No at the finish
#    prompt, then a report of the files, shortcuts and uninstall entry.
#    Screenshots of the dialog land in build/demo/.
set -euo pipefail
cd "$(dirname "$0")"
bash .ci/install-deps

echo "=== build: win32 (the shipped installer)"
cmake --preset win32 >/dev/null
cmake --build --preset win32 --target setup
echo "=== build: win64 (run under Wine)"
cmake --preset win64 >/dev/null
cmake --build --preset win64 --target setup gui_walk
ls -l build/win32/bin/setup.exe build/win64/bin/setup.exe

if [ -n "${DISPLAY:-}" ] && [ -z "${DEMO_HEADLESS:-}" ]; then
  echo "=== setup.exe on display $DISPLAY, in a throwaway Wine prefix"
  bash tests/wine-session.sh bash -c '
    wine build/win64/bin/setup.exe
    echo "setup.exe has ended."
    wine build/win64/bin/gui_walk.exe --report || true
    if [ -t 0 ]; then
      read -r -p "Press Enter to end the demo (this closes the Wine session) " _
    fi'
else
  echo "=== setup.exe headless under Xvfb, with an automatic walk through the install"
  WINE_TEST_XVFB=1 bash tests/wine-session.sh bash tests/gui/demo-walk.sh build/win64/bin build/demo
  echo
  echo "Screenshots: $(ls build/demo/*.png | tr '\n' ' ')"
fi
