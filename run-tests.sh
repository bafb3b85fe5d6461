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

step() { echo; echo "=== $*"; }

# Runs ctest, remembers its counts for the final line.
run_ctest() {
  local name=$1; shift
  local log=$logdir/$name.log
  "$@" 2>&1 | tee "$log"
  local rc=${PIPESTATUS[0]}
  local line
  line=$(grep -E '[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -1)
  if [ -n "$line" ]; then
    local total failedHere
    total=$(echo "$line" | sed -E 's/.*out of ([0-9]+).*/\1/')
    failedHere=$(echo "$line" | sed -E 's/.* ([0-9]+) tests? failed.*/\1/')
    passed=$((passed + total - failedHere))
    failed=$((failed + failedHere))
  elif [ "$rc" -ne 0 ]; then
    failed=$((failed + 1))
  fi
  [ "$rc" -eq 0 ] || failures=$((failures + 1))
}

build() {
  local preset=$1
  step "configure and build: $preset"
  cmake --preset "$preset" >/dev/null && cmake --build --preset "$preset" -j "$jobs" || {
    echo "BUILD FAILED: $preset"; failures=$((failures + 1)); failed=$((failed + 1)); return 1; }
}

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

build win32 && ls -l build/win32/bin/*.exe 2>/dev/null

if build win64; then
  step "tests: win64 under Wine"
  run_ctest win64 bash tests/wine-session.sh ctest --preset win64
fi

# Release checks, each one step: another checkout builds the same setup.exe
# (unsigned, both presets), and signing in the build (win32, and win64 run
# under Wine), each in build folders of their own making only `setup`.
release_check() {
  local name=$1; shift
  step "release: $name"
  local start=$SECONDS
  if "$@"; then passed=$((passed + 1)); else failed=$((failed + 1)); failures=$((failures + 1)); fi
  echo "(release: $name took $((SECONDS - start)) s)"
}
release_check "another checkout builds the same setup.exe" bash tests/release/check-reproducible.sh
release_check "signed setup.exe" bash tests/release/signing-test.sh

echo
if [ "$failures" -eq 0 ]; then echo "ALL GREEN"; else echo "FAILURES: $failures step(s) failed"; fi
echo "$passed passed, $failed failed"
[ "$failures" -eq 0 ]
