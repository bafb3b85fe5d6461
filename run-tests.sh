#!/usr/bin/env bash
# Builds every preset and runs every test: native (plain and sanitized),
# the short fuzz runs, and the Windows tests under Wine with Xvfb.
# Installs what it needs first (Debian 12).
set -uo pipefail
cd "$(dirname "$0")"
bash .ci/install-deps || exit 1
jobs=$(nproc)
logdir=build/test-logs
mkdir -p "$logdir"
failures=0
passed=0
failed=0
skipped=0

step() { echo; echo "=== $*"; }

# Adds one step's case counts ("PASSED FAILED SKIPPED") to the final line.
add_counts() {
  local p f s
  read -r p f s <<<"$1"
  passed=$((passed + p)); failed=$((failed + f)); skipped=$((skipped + s))
  echo "($name: $p passed, $f failed, $s skipped)"
}

# Counts a finished ctest step (its JUnit report, its programs' reports in
# results, its exit code) case by case (tests/count-results.sh): a skipped
# case is a skip, never part of a passing entry.
count_step() {
  local name=$1 junit=$2 results=$3 rc=$4
  if [ -s "$junit" ]; then
    local counts
    counts=$(bash tests/count-results.sh "$junit" "$results")
    add_counts "$counts"
    [ "$rc" -eq 0 ] || [ "$(echo "$counts" | cut -d' ' -f2)" -gt 0 ] ||
      { failed=$((failed + 1)); echo "($name: ctest failed without a failing case)"; }
  else
    failed=$((failed + 1)); echo "($name: no test report)"
  fi
  [ "$rc" -eq 0 ] || failures=$((failures + 1))
}

# Runs ctest natively.
run_ctest() {
  local name=$1; shift
  local junit=$PWD/$logdir/$name.junit.xml
  rm -f "$junit"
  "$@" --output-junit "$junit" 2>&1 | tee "$logdir/$name.log"
  count_step "$name" "$junit" "" "${PIPESTATUS[0]}"
}

# The Windows tests of one preset under Wine (tests/wine-suite.sh). Where Wine
# cannot run programs of the preset's width, every test entry of the preset
# counts as skipped, with the reason printed.
run_wine_suite() {
  local preset=$1 junit=$PWD/$logdir/$1.junit.xml
  rm -f "$junit"
  bash tests/wine-session.sh bash tests/wine-suite.sh "$preset" "$junit" 2>&1 | tee "$logdir/$preset.log"
  local rc=${PIPESTATUS[0]}
  if [ "$rc" -eq 77 ]; then
    local total
    total=$(ctest --preset "$preset" -N | sed -n 's/^Total Tests: //p')
    local name=$preset
    add_counts "0 0 ${total:-0}"
    return
  fi
  count_step "$preset" "$junit" "build/$preset/gtest-results" "$rc"
}

build() {
  local preset=$1
  step "configure and build: $preset"
  cmake --preset "$preset" >/dev/null && cmake --build --preset "$preset" -j "$jobs" || {
    echo "BUILD FAILED: $preset"; failures=$((failures + 1)); failed=$((failed + 1)); return 1; }
}

# The sources as clang-format writes them (.clang-format); one case.
step "format: every C and C++ file as clang-format writes it"
if bash tests/check-format.sh; then passed=$((passed + 1)); else failed=$((failed + 1)); failures=$((failures + 1)); fi

if build native; then
  step "tests: native"
  run_ctest native ctest --preset native -j "$jobs"
fi

if build asan; then
  step "tests: native with AddressSanitizer and UndefinedBehaviorSanitizer"
  run_ctest asan ctest --preset asan -j "$jobs"
fi

if [ -x fuzz/run.sh ]; then
  step "fuzz: short runs of every target"
  if bash fuzz/run.sh --ci; then passed=$((passed + 1)); else failed=$((failed + 1)); failures=$((failures + 1)); fi
fi

# The Windows tests for both widths: win32 builds the installer vendors ship,
# run under Wine's 32-bit half (WoW64) as on 64-bit Windows.
for preset in win32 win64; do
  if build "$preset"; then
    step "tests: $preset under Wine"
    run_wine_suite "$preset"
  fi
done

# Release checks, each one step: another checkout builds the same setup.exe
# and stubs (unsigned, both presets), and signing in the build (win32, and
# win64 run under Wine), each in build folders of their own making only
# `setup`; zar's Debian package, unpacked, makes another product's installers
# with an empty PATH, checked by tools that are not ours and installed under
# Wine (both widths).
release_check() {
  local name=$1; shift
  step "release: $name"
  local start=$SECONDS
  if "$@"; then passed=$((passed + 1)); else failed=$((failed + 1)); failures=$((failures + 1)); fi
  echo "(release: $name took $((SECONDS - start)) s)"
}
release_check "another checkout builds the same setup.exe" bash tests/release/check-reproducible.sh
release_check "signed setup.exe" bash tests/release/signing-test.sh
release_check "zar's package makes installers without a compiler" bash tests/release/package-test.sh

echo
if [ "$failures" -eq 0 ]; then echo "ALL GREEN"; else echo "FAILURES: $failures step(s) failed"; fi
echo "$passed passed, $failed failed, $skipped skipped"
[ "$failures" -eq 0 ]
