#!/usr/bin/env bash
# Checks that every C and C++ file git knows of is as clang-format (with the
# repository's .clang-format) would write it; names each file that is not.
#   tests/check-format.sh      (exit 0: all in format)
# To put a file in format: clang-format -i FILE
set -uo pipefail
cd "$(dirname "$0")/.."
command -v clang-format >/dev/null || { echo "check-format: clang-format is not installed" >&2; exit 1; }
mapfile -d '' files < <(git ls-files -z -- '*.c' '*.cpp' '*.h')
[ ${#files[@]} -gt 0 ] || { echo "check-format: no sources found" >&2; exit 1; }
bad=()
for f in "${files[@]}"; do
  clang-format --dry-run --Werror "$f" >/dev/null 2>&1 || bad+=("$f")
done
if [ ${#bad[@]} -ne 0 ]; then
  echo "check-format: ${#bad[@]} of ${#files[@]} files are not in format (clang-format -i FILE):"
  printf '  %s\n' "${bad[@]}"
  exit 1
fi
echo "check-format: ${#files[@]} files in format"
