#!/usr/bin/env bash
# Builds the codec benchmark in its own build directory, gathers a corpus of
# text, executable code and BMP images from this machine, and prints two
# tables. Per file: our encoder's sizes and throughputs at both levels
# against a classic lh5 archiver (jlha, when installed) and gzip -9, and the
# decode throughput of our decoder against liblhasa's. Whole processes: zar
# pack at each level against jlha on one folder, zar test against lhasa t.
#   bench/codec/run.sh [BUILD_DIR]
# BENCH_ROUNDS (default 5) sets the number of interleaved rounds of the
# whole-process table.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$root/build/codec-bench}
mkdir -p "$build"
build=$(cd "$build" && pwd)
corpus=$build/codec-corpus

cmake --preset native -B "$build" >/dev/null
cmake --build "$build" --target codec_bench samplegen zar -j 2 >/dev/null

rm -rf "$corpus"
mkdir -p "$corpus"
files=()
add() {  # add KIND FILE: use the file when it exists and is not empty
  [ -s "$2" ] && files+=("$1:$2") || true
}

# Text: a licence, a long manual page, C headers.
add text /usr/share/common-licenses/GPL-3
if [ -f /usr/share/man/man1/bash.1.gz ]; then
  zcat /usr/share/man/man1/bash.1.gz >"$corpus/bash.1"
  add text "$corpus/bash.1"
fi
cat /usr/include/stdio.h /usr/include/stdlib.h /usr/include/string.h /usr/include/unistd.h \
    /usr/include/c++/*/bits/stl_algo.h /usr/include/c++/*/bits/basic_string.h \
    >"$corpus/headers.h" 2>/dev/null || true
add text "$corpus/headers.h"

# Executable code: a Linux binary and Windows DLLs from MinGW-w64.
add exe /usr/bin/bash
for dll in /usr/lib/gcc/i686-w64-mingw32/*-posix/libgomp-1.dll \
           /usr/lib/gcc/x86_64-w64-mingw32/*-posix/libgcc_s_seh-1.dll \
           /usr/x86_64-w64-mingw32/lib/zlib1.dll; do
  [ -f "$dll" ] && add exe "$dll"
done

# BMP images made now: photo-like, cartoon-like, a 256-colour one and a
# flat user-interface picture.
if command -v convert >/dev/null 2>&1; then
  convert -seed 7 -size 640x480 plasma:fractal -blur 0x1 BMP3:"$corpus/plasma.bmp"
  convert rose: -resize 400% BMP3:"$corpus/rose.bmp"
  convert logo: -type TrueColor BMP3:"$corpus/logo.bmp"
  convert logo: -colors 256 -type Palette BMP3:"$corpus/logo8.bmp"
  convert -size 800x600 gradient:'#d8d8e8'-'#f8f8ff' \
          -fill '#2050a0' -draw 'rectangle 0,0 800,40' \
          -fill white -draw 'rectangle 40,80 760,560' \
          -fill black -pointsize 18 -annotate +60+120 'Choose the folder to install into' \
          -fill '#c0c0c0' -draw 'rectangle 60,500 300,530' BMP3:"$corpus/ui.bmp"
  for f in plasma rose logo logo8 ui; do add bmp "$corpus/$f.bmp"; done
else
  echo "ImageMagick's convert is missing: no BMP images in the corpus"
fi

# The sample product's template images: what an installer typically carries
# (small BMPs; the PNGs are already compressed). Only their totals are shown.
summary=()
if [ -x "$build/bin/samplegen" ]; then
  mapfile -t styles < <(sed -n 's/^templateStyle=//p' "$root/product/product.ini")
  "$build/bin/samplegen" images "$corpus/sample" "${styles[@]}" >/dev/null
  while IFS= read -r f; do files+=("sample:$f"); done < <(find "$corpus/sample" -name '*.bmp' | sort)
  summary=(--summary sample)
fi

if ! command -v jlha >/dev/null 2>&1; then
  echo "jlha (Debian package jlha-utils, a classic lh5 archiver) is not installed:"
  echo "the lh5 archiver column stays empty. Install it with: apt-get install jlha-utils"
fi
echo
status=0
"$build/bin/codec_bench" "${summary[@]}" "${files[@]}" || status=1

# --- Whole processes, as the vendor runs them ---------------------------------
# One folder: some of the files above and a mixed file of about 13 MB made of
# executables, images and text back to back, like a large program file with
# its resources.
command -v jlha >/dev/null 2>&1 && command -v lha >/dev/null 2>&1 || {
  echo; echo "jlha or lhasa's lha missing: no whole-process table"; exit $status; }
pack=$corpus/pack
mkdir -p "$pack"
gcc32=$(ls -d /usr/lib/gcc/i686-w64-mingw32/*-posix 2>/dev/null | head -1)
for f in /usr/share/common-licenses/GPL-3 "$corpus/bash.1" "$corpus/headers.h" \
         /usr/lib/gcc/x86_64-w64-mingw32/*-posix/libgcc_s_seh-1.dll /usr/x86_64-w64-mingw32/lib/zlib1.dll \
         "$corpus/plasma.bmp" "$corpus/rose.bmp" "$corpus/logo8.bmp"; do
  [ -s "$f" ] && cp "$f" "$pack/"
done
{
  cat /usr/bin/bash "$gcc32/libgomp-1.dll"
  [ -d "$corpus/sample" ] && find "$corpus/sample" -name '*.bmp' | LC_ALL=C sort | xargs cat
  cat "$corpus/logo.bmp" "$gcc32/libquadmath-0.dll" "$corpus/ui.bmp" "$gcc32/libgcc_s_dw2-1.dll" \
      "$corpus/bash.1" "$gcc32/libobjc-4.dll" "$corpus/headers.h"
  head -c 4080000 "$gcc32/libgfortran-5.dll"
} >"$pack/mixed.bin" 2>/dev/null || true
mkdir -p "$corpus/one"
cp "$pack/mixed.bin" "$corpus/one/"
packBytes=$(cat "$pack"/* | wc -c)
names=$(cd "$pack" && ls | tr "\n" " ")

rounds=${BENCH_ROUNDS:-5}
zar=$build/bin/zar
results=$corpus/times
: >"$results"
timed() {  # timed LABEL COMMAND...: appends "LABEL wall cpu" (seconds) to $results
  local label=$1; shift
  local TIMEFORMAT='%R %U %S' line
  line=$( { time "$@" >/dev/null 2>&1; } 2>&1 | tail -1) || true
  echo "$label $line" | awk '{ printf "%s %s %.3f\n", $1, $2, $3 + $4 }' >>"$results"
}
"$zar" pack -o "$corpus/one.zar" "$corpus/one" >/dev/null
(cd "$corpus/one" && rm -f "$corpus/one.lzh" && jlha co5q "$corpus/one.lzh" mixed.bin >/dev/null 2>&1)
for round in $(seq "$rounds"); do
  rm -f "$corpus/jlha.lzh"
  timed fast "$zar" pack -o "$corpus/fast.zar" "$pack"
  timed jlha sh -c "cd '$pack' && jlha co5q '$corpus/jlha.lzh' $names"
  timed best "$zar" pack --best -o "$corpus/best.zar" "$pack"
  timed fast1 "$zar" pack --threads 1 -o "$corpus/fast1.zar" "$pack"
  timed unzar "$zar" test "$corpus/one.zar"
  timed unlha lha t "$corpus/one.lzh"
done
median() {  # median LABEL FIELD
  awk -v l="$1" -v f="$2" '$1 == l { print $f }' "$results" | sort -g |
    awk '{ v[NR] = $1 } END { if (NR) print v[int((NR + 1) / 2)]; else print 0 }'
}
size() { wc -c <"$1"; }
div() { awk -v a="$1" -v b="$2" 'BEGIN { print (b > 0 ? a / b : 0) }'; }
jw=$(median jlha 2); js=$(size "$corpus/jlha.lzh")
echo
echo "Whole processes on $(ls "$pack" | wc -l) files, $packBytes bytes ($(nproc) processors; median of $rounds interleaved rounds):"
printf '%-34s %11s %8s %8s %9s %9s\n' "" "bytes" "vs jlha" "wall s" "cpu s" "jlha/ours"
row() {  # row TEXT LABEL ARCHIVE
  local w c s
  w=$(median "$2" 2); c=$(median "$2" 3); s=$(size "$3")
  printf '%-34s %11d %8.3f %8.2f %9.2f %8.2fx\n' "$1" "$s" "$(div "$s" "$js")" "$w" "$c" \
    "$(div "$jw" "$w")"
}
row "zar pack (default, every core)" fast "$corpus/fast.zar"
row "zar pack --threads 1" fast1 "$corpus/fast1.zar"
row "zar pack --best" best "$corpus/best.zar"
row "jlha co5q (-lh5-)" jlha "$corpus/jlha.lzh"
cmp -s "$corpus/fast.zar" "$corpus/fast1.zar" || { echo "zar pack gave different archives for 1 and $(nproc) threads"; status=1; }
uw=$(median unlha 2)
printf '%-34s %11s %8s %8.2f %9.2f\n' "zar test, mixed.bin alone" "" "" "$(median unzar 2)" "$(median unzar 3)"
printf '%-34s %11s %8s %8.2f %9.2f   zar test %.2fx faster\n' "lha t (lhasa), mixed.bin alone" "" "" "$uw" \
  "$(median unlha 3)" "$(div "$uw" "$(median unzar 2)")"
echo
echo "bytes: archive files; wall, cpu: median seconds of each command in the rounds (cpu = user + system"
echo "of the whole process and its threads); jlha/ours: jlha's wall time over ours. The decoders run"
echo "their own tools on a one-file archive (zar pack's default, jlha's -lh5-)."
exit $status
