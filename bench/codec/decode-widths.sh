#!/usr/bin/env bash
# The decoder's speed as each preset compiles it, against liblhasa's: packs a
# corpus (GPL-3, bash and its manual page, MinGW DLLs, the sample product's
# files) with zar's fast level, then decodes its records with decode_speed,
# natively (ours and lhasa's, same streams) and as the win64 and win32
# builds under Wine (ours alone; lhasa exists here only as a native x86_64
# library, so each width is set against that). Runs alternate, ROUNDS times
# (default 3); the fastest run of each counts.
#   bench/codec/decode-widths.sh [ROUNDS]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
rounds=${1:-3}
work=$(mktemp -d /tmp/decode-widths.XXXXXX)
export WINE_TEST_BASE=$work/wine
trap 'WINEPREFIX=$WINE_TEST_BASE/prefix wineserver -k 2>/dev/null; rm -rf "$work"' EXIT

cmake --preset native >/dev/null
cmake --build --preset native --target decode_speed zar -j 2 >/dev/null
for preset in win64 win32; do
  [ -f "$root/build/$preset/CMakeCache.txt" ] || (cd "$root" && cmake --preset $preset >/dev/null)
  cmake --build --preset $preset --target decode_speed setup -j 2 >/dev/null
done

mkdir -p "$work/corpus"
cp /usr/share/common-licenses/GPL-3 /usr/bin/bash "$work/corpus/"
zcat /usr/share/man/man1/bash.1.gz >"$work/corpus/bash.1" 2>/dev/null || true
cp /usr/lib/gcc/i686-w64-mingw32/*-posix/libgomp-1.dll /usr/x86_64-w64-mingw32/lib/zlib1.dll \
   "$work/corpus/" 2>/dev/null || true
"$root/build/native/bin/zar" extract "$root/build/win32/bin/setup.exe" "$work/corpus/sample" >/dev/null
"$root/build/native/bin/zar" pack -o "$work/corpus.zar" "$work/corpus" >/dev/null

best() {  # best FIELD: the largest value of FIELD in the runs so far
  awk -v f="$1" '{ for (i = 1; i < NF; i++) if ($i == f && $(i + 1) > m) m = $(i + 1) } END { print m + 0 }'
}
: >"$work/native"; : >"$work/win64"; : >"$work/win32"
for round in $(seq "$rounds"); do
  "$root/build/native/bin/decode_speed" "$work/corpus.zar" >>"$work/native"
  for preset in win64 win32; do
    sh "$root/cmake/wine-run.sh" "$root/build/$preset/bin/decode_speed.exe" "$work/corpus.zar" \
      2>/dev/null | tail -1 >>"$work/$preset"
  done
done
lhasa=$(best lhasa_mbps <"$work/native")
echo "$(awk '{ print $2; exit }' "$work/native") bytes in $(find "$work/corpus" -type f | wc -l) files; MB/s, fastest of $rounds runs each"
printf '%-26s %8s %10s\n' "decoder" "MB/s" "vs lhasa"
printf '%-26s %8.1f %9.2fx\n' "lhasa (native x86_64)" "$lhasa" 1
for build in native win64 win32; do
  ours=$(best ours_mbps <"$work/$build")
  printf '%-26s %8.1f %9.2fx\n' "ours ($build)" "$ours" "$(awk -v a="$ours" -v b="$lhasa" 'BEGIN { print a / b }')"
done
