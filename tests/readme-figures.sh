#!/bin/bash
# Regenerates the README's figures about the Wine suite from one run of it:
# the Windows test programs ctest runs and its other checks, the time the
# whole suite takes in one Wine session, and the number of payloads the
# bad-input campaign installs. Build the preset first.
#   bash tests/readme-figures.sh [PRESET]      (default win64)
set -euo pipefail
cd "$(dirname "$0")/.."
preset=${1:-win64}
log=$(mktemp)
trap 'rm -f "$log"' EXIT

commands=$(ctest --preset "$preset" -N -V | sed -n 's/^[0-9]*: Test command: //p')
total=$(printf '%s\n' "$commands" | grep -c .)
runs=$(printf '%s\n' "$commands" | grep -c 'wine-run\.sh')
# The program a Wine run starts: the first .exe after wine-run.sh.
programs=$(printf '%s\n' "$commands" | sed -n 's/.*wine-run\.sh"\{0,1\} "\([^"]*\.exe\)".*/\1/p' | sort -u | wc -l)

if ! bash tests/wine-session.sh ctest --preset "$preset" -V >"$log" 2>&1; then
  tail -40 "$log"
  echo "readme-figures: the suite failed; README left as it is" >&2
  exit 1
fi
seconds=$(sed -n 's/^Total Test time (real) = *\([0-9.]*\) sec.*/\1/p' "$log" | tail -1)
payloads=$(sed -n 's/.*bad-input campaign: \([0-9]*\) payloads installed.*/\1/p' "$log" | tail -1)
seconds=$(printf '%.0f' "$seconds")

# Each figure sits between <!-- name --> and <!-- /name --> in README.md.
figure() {
  sed -i "s|<!-- $1 -->[^<]*<!-- /$1 -->|<!-- $1 -->$2<!-- /$1 -->|g" README.md
}
figure wine-programs "$programs"
figure wine-runs "$runs"
figure other-checks "$((total - runs))"
figure wine-seconds "$seconds"
figure badinput-payloads "$payloads"
echo "$programs Windows test programs in $runs runs, $((total - runs)) other checks," \
     "${seconds} s; $payloads bad-input payloads ($preset, commit $(git rev-parse --short HEAD))"
