#!/usr/bin/env bash
# Runs the Windows tests of one preset (win32 or win64) under Wine, inside a
# session of tests/wine-session.sh, with ctest's JUnit report in JUNIT and
# each test program's own report in build/PRESET/gtest-results/.
#   wine-suite.sh PRESET JUNIT
# First a tiny program of the preset's width must run and say its width:
# where Wine cannot run programs of that width (no wine32 for win32, say),
# this prints why and exits 77 without running anything.
set -uo pipefail
preset=$1
junit=$2
want=${preset#win}
probe=build/$preset/bin/width_probe.exe
wine "$probe" >/dev/null 2>"$junit.probe-errors"
got=$?
if [ "$got" != "$want" ]; then
  echo "Wine cannot run $want-bit programs on this machine (the probe $probe exited $got):"
  sed 's/^/  /' "$junit.probe-errors" | head -5
  exit 77
fi
rm -rf "build/$preset/gtest-results"
ctest --preset "$preset" --output-junit "$junit"
