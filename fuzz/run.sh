#!/usr/bin/env bash
# Builds the libFuzzer targets (preset "fuzz") and runs them.
#   fuzz/run.sh --ci              every target for a short, fixed number of runs,
#                                 plus every kept regression input
#   fuzz/run.sh --campaign [N]    every target for N executions (default 10,000,000)
#   fuzz/run.sh --seconds S       every target for S seconds (a campaign build)
#   fuzz/run.sh --target NAME ... only the named targets (repeatable)
#   fuzz/run.sh --jobs J          a campaign's runs shared by J processes on one
#                                 corpus (default: one per core)
#   fuzz/run.sh --max-len N       inputs up to N bytes instead of each target's own
# Seeds come from the project's own tools; findings land in build/fuzz/findings/.
set -uo pipefail
cd "$(dirname "$0")/.."
mode=ci
runs=20000
seconds=0
targets=()
jobs=$(nproc)
maxLenOverride=0
while [ $# -gt 0 ]; do
  case "$1" in
    --ci) mode=ci; runs=20000 ;;
    --campaign) mode=campaign; runs=10000000
                if [[ "${2:-}" =~ ^[0-9]+$ ]]; then runs=$2; shift; fi ;;
    --seconds) mode=campaign; runs=-1; seconds=$2; shift ;;
    --target) targets+=("$2"); shift ;;
    --jobs) jobs=$2; shift ;;
    --max-len) maxLenOverride=$2; shift ;;
    *) echo "usage: fuzz/run.sh [--ci | --campaign [RUNS] | --seconds S] [--jobs J] [--max-len N] [--target NAME]..." >&2; exit 2 ;;
  esac
  shift
done

# CI runs every check (AddressSanitizer and UndefinedBehaviorSanitizer); a
# campaign runs AddressSanitizer alone, which is about three times faster.
# The round trip's campaign also leaves out comparison tracing, which costs
# the encoder's search loops nearly two thirds of their speed.
configure() {  # configure BUILD_DIR [CMAKE_ARGS...]
  local dir=$1; shift
  cmake --preset fuzz -B "$dir" "$@" >/dev/null || return 1
  cmake --build "$dir" -j "$(nproc)" >/dev/null || { cmake --build "$dir"; return 1; }
  bash fuzz/make-seeds.sh "$dir"
}
build_for() {
  if [ $mode = ci ]; then echo build/fuzz
  elif [ "$1" = lh5_roundtrip ]; then echo build/fuzz-campaign-roundtrip
  else echo build/fuzz-campaign; fi
}
if [ $mode = ci ]; then
  configure build/fuzz || exit 1
else
  configure build/fuzz-campaign -DFUZZ_UBSAN=OFF || exit 1
fi
[ ${#targets[@]} -gt 0 ] || targets=($(cd "$(build_for any)/bin" && ls fuzz_* 2>/dev/null | sed 's/^fuzz_//'))
if [ $mode = campaign ] && [[ " ${targets[*]} " == *" lh5_roundtrip "* ]]; then
  configure build/fuzz-campaign-roundtrip -DFUZZ_UBSAN=OFF -DFUZZ_TRACE_CMP=OFF || exit 1
fi

status=0
for t in "${targets[@]}"; do
  build=$(build_for "$t")
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
    # The encoder's full search dominates this target: short inputs, and in
    # CI fewer runs than the others.
    lh5_roundtrip) maxlen=16384
                   [ $mode = ci ] && targetRuns=1000
                   [ $mode = campaign ] && maxlen=1024 ;;
    *) maxlen=262144 ;;
  esac
  [ "$maxLenOverride" -gt 0 ] && maxlen=$maxLenOverride
  limit=()
  [ "$seconds" -gt 0 ] && limit=(-max_total_time="$seconds")
  # CI mutates with the same seed every time: on a fresh machine it tries the
  # same inputs, so its result never depends on chance. Campaigns explore
  # anew each time.
  [ $mode = ci ] && limit+=(-seed=1)
  # A campaign shares its runs among parallel processes on one corpus.
  procs=1
  [ $mode = campaign ] && procs=$jobs
  rm -f "$build/$t".*.log
  pids=()
  for j in $(seq 1 $procs); do
    share=$targetRuns
    [ "$targetRuns" -gt 0 ] && share=$(( (targetRuns + procs - 1) / procs ))
    "$bin" -runs="$share" "${limit[@]}" -max_len=$maxlen -timeout=20 -rss_limit_mb=2048 -print_final_stats=1 \
           -artifact_prefix="$findings/" "$corpus" "$seeds" >"$build/$t.$j.log" 2>&1 &
    pids+=($!)
  done
  rc=0
  for pid in "${pids[@]}"; do wait "$pid" || rc=$?; done
  execs=$(cat "$build/$t".*.log | grep -E '^stat::number_of_executed_units' | awk '{n += $2} END {print n}')
  echo "fuzz $t: ${execs:-?} executions in $(( $(date +%s) - start )) s by $procs process(es), max_len $maxlen, exit $rc"
  if [ $rc -ne 0 ]; then
    for j in $(seq 1 $procs); do tail -40 "$build/$t.$j.log"; done
    status=1
  fi
done
exit $status
