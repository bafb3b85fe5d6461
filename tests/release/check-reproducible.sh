#!/usr/bin/env bash
# Checks that setup.exe, zar's output, and the stub it is made from build to
# the same bytes in another checkout: copies the source tree (the files git
# knows of, with their uncommitted changes) to a fresh folder elsewhere,
# builds only the `setup` target of each preset there, and compares setup.exe
# and stub-<width>.exe byte for byte with build/<preset>/bin/ of this tree
# (built first if it is not up to date). Neither may carry the path of its
# source or build folder. Where the native build holds the stubs it carries
# for zar's package (build/native/bin/stub-<width>.exe, built there by the
# same sources), they must be the presets' stubs byte for byte.
#   tests/release/check-reproducible.sh [PRESET...]      (default: win32 win64)
# The copy builds its own host tools (zar, samplegen) for the first preset
# and reuses them for the others. Both builds must be unsigned.
set -uo pipefail
cd "$(dirname "$0")/../.."
root=$PWD
presets=("$@")
[ ${#presets[@]} -gt 0 ] || presets=(win32 win64)
jobs=${JOBS:-$(nproc)}

work=$(mktemp -d /tmp/reproducible.XXXXXX)
trap 'rm -rf "$work"' EXIT
copy=$work/checkout

echo "copying the sources to $copy"
mkdir -p "$copy"
if git -C "$root" rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  git -C "$root" ls-files -z --cached --others --exclude-standard |
    (cd "$root" && xargs -0 tar --no-recursion --ignore-failed-read -cf - 2>/dev/null) |
    tar -C "$copy" -xf - || { echo "FAIL: cannot copy the sources"; exit 1; }
else
  tar -C "$root" --exclude=./build -cf - . | tar -C "$copy" -xf - ||
    { echo "FAIL: cannot copy the sources"; exit 1; }
fi

# Exits with a message unless FILE holds none of the given paths, as ASCII or
# UTF-16 text.
no_paths() {
  local file=$1; shift
  local path
  for path in "$@"; do
    if strings -a -n 8 "$file" | grep -F "$path" >/dev/null ||
       strings -a -n 8 -e l "$file" | grep -F "$path" >/dev/null; then
      echo "FAIL: $file holds the build path $path"
      return 1
    fi
  done
}

failures=0
hostTools=""
for preset in "${presets[@]}"; do
  echo "=== $preset"
  if grep -q '^SETUP_SIGN_PKCS12:[A-Z]*=.' "build/$preset/CMakeCache.txt" 2>/dev/null; then
    echo "FAIL: build/$preset signs setup.exe; the comparison needs an unsigned build"
    failures=$((failures + 1)); continue
  fi
  if ! { cmake --preset "$preset" >/dev/null &&
         cmake --build --preset "$preset" --target setup -j "$jobs" >/dev/null; }; then
    echo "FAIL: cannot build build/$preset/bin/setup.exe"
    failures=$((failures + 1)); continue
  fi
  extra=()
  [ -z "$hostTools" ] || extra=(-DSAMPLE_HOST_TOOLS="$hostTools")
  log=$work/$preset.log
  if ! (cd "$copy" && cmake --preset "$preset" "${extra[@]}" &&
        cmake --build --preset "$preset" --target setup -j "$jobs") >"$log" 2>&1; then
    tail -30 "$log"
    echo "FAIL: the copy does not build setup.exe for $preset"
    failures=$((failures + 1)); continue
  fi
  [ -n "$hostTools" ] || hostTools=$copy/build/$preset/host/bin
  ok=1
  for name in setup.exe "stub-$preset.exe"; do
    first=build/$preset/bin/$name
    second=$copy/build/$preset/bin/$name
    if cmp -s "$first" "$second"; then
      echo "identical: $first and $second ($(stat -c %s "$first") bytes)"
    else
      ok=0
      echo "FAIL: $first and $second differ ($(cmp -l "$first" "$second" | wc -l) bytes; offsets in hex):"
      cmp -l "$first" "$second" | head -8 |
        awk '{ printf "  0x%06x: %s / %s (octal)\n", $1 - 1, $2, $3 }'
      [ "$name" != setup.exe ] ||
        for part in bin/varnik.exe "bin/stub-$preset.exe"; do
          cmp -s "build/$preset/$part" "$copy/build/$preset/$part" || echo "  (and $part differs)"
        done
    fi
    no_paths "$first" "$root" "$copy" || ok=0
    no_paths "$second" "$root" "$copy" || ok=0
  done
  packaged=build/native/bin/stub-$preset.exe
  if [ -f "$packaged" ]; then
    if cmp -s "$packaged" "build/$preset/bin/stub-$preset.exe"; then
      echo "identical: $packaged, the stub zar's package carries"
    else
      ok=0
      echo "FAIL: $packaged (zar's package) differs from build/$preset/bin/stub-$preset.exe"
    fi
  fi
  [ "$ok" -eq 1 ] || failures=$((failures + 1))
done

if [ "$failures" -eq 0 ]; then
  echo "setup.exe and its stub are reproducible: ${presets[*]}"
fi
[ "$failures" -eq 0 ]
