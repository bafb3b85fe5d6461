#!/usr/bin/env bash
# Where a file's time goes under Wine: the wineserver requests that
# setup.exe's thread makes during the walk through the payload, by request,
# per file. One install of each SETUP_EXE (FILES files in its payload) into
# a new folder, traced with WINEDEBUG=+server in a session of its own; the
# walk is taken from the thread's first lock_file to its last unlock_file.
#   bench/install/server-requests.sh FILES SETUP_EXE [SETUP_EXE]
# Needs build/win32/bin/install_timer.exe.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
files=$1
shift
for exe in "$@"; do
  trace=$(mktemp /tmp/server-requests.XXXXXX)
  WINE_TEST_XVFB=1 bash "$root/tests/wine-session.sh" bash -c '
    WINEDEBUG=+server wine "$1" 1 "C:\\server-requests" "setup=setup:$2" 2>&1 >/dev/null' \
    requests "$root/build/win32/bin/install_timer.exe" "$exe" >"$trace" 2>&1 || true
  echo "=== $exe: requests per file of the walk ($files files)"
  # A request's line is "TID: name( arguments )", its reply's "TID: name() = ...".
  grep -vE '^[0-9a-f]+: [a-z_]+\(.*\) = ' "$trace" |
    sed -nE 's/^([0-9a-f]+): ([a-z_]+)\(.*/\1 \2/p' | awk -v files="$files" '
    {
      ++n; tid[n] = $1; req[n] = $2
      if ($2 == "lock_file" && !($1 in first)) first[$1] = n
      if ($2 == "unlock_file") last[$1] = n
    }
    END {
      for (t in first) walker = t
      total = 0
      for (i = first[walker]; i <= last[walker]; ++i)
        if (tid[i] == walker) { count[req[i]]++; total++ }
      for (r in count) printf "%8.2f  %s\n", count[r] / files, r | "sort -rn"
      close("sort -rn")
      printf "%8.2f  all requests\n", total / files
    }'
  rm -f "$trace"
done
