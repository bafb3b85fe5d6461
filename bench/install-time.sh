#!/usr/bin/env bash
# Median time from the Install click to the finish prompt, the sample
# installed into a new folder, under one Wine session; with two setup
# programs the runs alternate between them.
#   bench/install-time.sh [RUNS] [SETUP_EXE [SETUP_EXE]]
# Defaults: 6 runs of build/win64/bin/setup.exe. bench/product/run.sh times
# large products against the peers.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-6}
shift || true
[ $# -gt 0 ] || set -- "$root/build/win64/bin/setup.exe"
cmake --build "$root/build/win64" --target install_timer setup >/dev/null
exec bash "$root/tests/wine-session.sh" wine "$root/build/win64/bin/install_timer.exe" "$runs" "$@"
