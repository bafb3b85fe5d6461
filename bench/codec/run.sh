#!/usr/bin/env bash
# Builds the codec benchmark in its own build directory, gathers a corpus of
# text, executable code and BMP images from this machine, and prints the
# table: our encoder's sizes against a classic lh5 archiver (jlha, when
# installed) and gzip -9, encode throughput, and decode throughput of our
# decoder against liblhasa's.
#   bench/codec/run.sh [BUILD_DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$root/build/codec-bench}
corpus=$build/codec-corpus

cmake --preset native -B "$build" >/dev/null
cmake --build "$build" --target codec_bench samplegen -j 2 >/dev/null

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
"$build/bin/codec_bench" "${summary[@]}" "${files[@]}"
