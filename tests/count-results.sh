#!/usr/bin/env bash
# Counts one test step's results case by case: "PASSED FAILED SKIPPED".
#   count-results.sh CTEST_JUNIT [GTEST_XML_DIR]
# CTEST_JUNIT is ctest's --output-junit file. A ctest entry that ran a test
# program writing GTEST_XML_DIR/<entry>.xml (every program under Wine, where
# ctest has one entry per program) counts as its test cases, skipped cases as
# skipped; every other entry counts once, by ctest's status ("notrun" is a
# skip). An entry that failed although its cases all passed (it crashed after
# them, or wrote no report) counts one failure more.
set -euo pipefail
junit=$1
xmldir=${2:-}
passed=0 failed=0 skipped=0
while IFS=$'\t' read -r name status; do
  xml=${xmldir:+$xmldir/$name.xml}
  if [ -n "$xml" ] && [ -s "$xml" ]; then
    read -r t f s < <(awk '/<testsuite / {
        for (i = 1; i <= NF; ++i) {
          if ($i ~ /^tests="/) { gsub(/[^0-9]/, "", $i); t += $i }
          if ($i ~ /^failures="/ || $i ~ /^errors="/) { gsub(/[^0-9]/, "", $i); f += $i }
          if ($i ~ /^skipped="/) { gsub(/[^0-9]/, "", $i); s += $i }
        } } END { print t + 0, f + 0, s + 0 }' "$xml")
    passed=$((passed + t - f - s)); failed=$((failed + f)); skipped=$((skipped + s))
    [ "$status" = fail ] && [ "$f" -eq 0 ] && failed=$((failed + 1))
  else
    case $status in
      run) passed=$((passed + 1)) ;;
      notrun|disabled) skipped=$((skipped + 1)) ;;
      *) failed=$((failed + 1)) ;;
    esac
  fi
done < <(grep -o '<testcase name="[^"]*"[^>]*status="[^"]*"' "$junit" |
         sed -E 's/<testcase name="([^"]*)".*status="([^"]*)"/\1\t\2/')
echo "$passed $failed $skipped"
