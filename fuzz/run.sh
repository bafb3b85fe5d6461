#!/usr/bin/env bash
# Builds the libFuzzer targets (preset "fuzz") and runs them.
#   fuzz/run.sh --ci              every target for a short, fixed number of runs,
#                                 plus every kept regression input
#   fuzz/run.sh --campaign [N]    every target for N executions (default 10,000,000)
#   fuzz/run.sh --seconds S       every target for S seconds (a campaign build)
#   fuzz/run.sh --target NAME ... only the named targets (repeatable)
# Seeds come from the project's own tools; findings land in build/fuzz/findings/.
set -uo pipefail
cd "$(dirname "$0")/.."
mode=ci
runs=20000
seconds=0
targets=()
while [ $# -gt 0 ]; do
  case "$1" in
    --ci) mode=ci; runs=20000 ;;
    --campaign) mode=campaign; runs=10000000
                if [[ "${2:-}" =~ ^[0-9]+$ ]]; then runs=$2; shift; fi ;;
    --seconds) mode=campaign; runs=-1; seconds=$2; shift ;;
    --target) targets+=("$2"); shift ;;
    *) echo "usage: fuzz/run.sh [--ci | --campaign [RUNS]] [--target NAME]..." >&2; exit 2 ;;
  esac
  shift
done

# CI runs every check (AddressSanitizer and UndefinedBehaviorSanitizer); a
# campaign runs AddressSanitizer alone, which is about three times faster.
if [ $mode = ci ]; then
  build=build/fuzz
  cmake --preset fuzz >/dev/null || exit 1
else
  build=build/fuzz-campaign
  cmake --preset fuzz -B "$build" -DFUZZ_UBSAN=OFF >/dev/null || exit 1
fi
cmake --build "$build" -j "$(nproc)" >/dev/null || { cmake --build "$build"; exit 1; }
[ ${#targets[@]} -gt 0 ] || targets=($(cd "$build/bin" && ls fuzz_* 2>/dev/null | sed 's/^fuzz_//'))

bash fuzz/make-seeds.sh "$build" || exit 1

status=0
for t in "${targets[@]}"; do
  bin=$build/bin/fuzz_$t
  [ -x "$bin" ] || { echo "no fuzz target $t"; status=1; continue; }
  corpus=$build/corpus/$t
  findings=$build/findings/$t
  mkdir -p "$corpus" "$findings"
  # Inputs that once crashed a target are kept and replayed on every run.
  if [ -d "fuzz/regressions/$t" ] && [ -n "$(ls -A "fuzz/regressions/$t")" ]; then
    "$bin" fuzz/regressions/$t/* >"$build/$t-regressions.log" 2>&1 ||
      { echo "FAIL $t: a kept regression input fails again"; tail -30 "$build/$t-regressions.log"; status=1; continue; }
  fi
  seeds=$build/seeds/$t
  start=$(date +%s)
  targetRuns=$runs
  case $t in
    # The encoder's search dominates this target: small inputs, and in CI
    # fewer runs than the others.
    lh5_roundtrip) maxlen=16384; [ $mode = ci ] && targetRuns=1000 ;;
    *) maxlen=262144 ;;
  esac
  limit=()
  [ "$seconds" -gt 0 ] && limit=(-max_total_time="$seconds")
  "$bin" -runs="$targetRuns" "${limit[@]}" -max_len=$maxlen -timeout=20 -rss_limit_mb=2048 -print_final_stats=1 \
         -artifact_prefix="$findings/" "$corpus" "$seeds" >"$build/$t.log" 2>&1
  rc=$?
  execs=$(grep -E '^stat::number_of_executed_units' "$build/$t.log" | awk '{print $2}')
  echo "fuzz $t: ${execs:-?} executions in $(( $(date +%s) - start )) s, exit $rc"
  if [ $rc -ne 0 ]; then tail -40 "$build/$t.log"; status=1; fi
done
exit $status
