#!/usr/bin/env bash
# Seed corpora from the project's own tools: payloads packed by zar from
# generated files, and raw lh5 streams from our encoder.
#   fuzz/make-seeds.sh BUILD_DIR
set -uo pipefail
build=$1
seeds=$build/seeds
rm -rf "$seeds"
mkdir -p "$seeds"/{lh5_decode,payload_walk,lh5_roundtrip,pe_lookup}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Sample inputs: text, code, runs, noise, empty.
mkdir -p "$work/tree/sub/deeper"
head -c 3000 README.md >"$work/tree/readme.txt"
head -c 20000 /bin/true >"$work/tree/sub/code.bin"
printf 'a%.0s' $(seq 1 9000) >"$work/tree/sub/deeper/run.txt"
head -c 600 /dev/urandom >"$work/tree/noise.bin"
: >"$work/tree/empty.txt"
cp "$work"/tree/readme.txt "$work"/tree/sub/code.bin "$work"/tree/noise.bin "$seeds/lh5_roundtrip/"

if [ -x "$build/bin/zar" ]; then
  "$build/bin/zar" pack -o "$seeds/payload_walk/tree.zar" "$work/tree" >/dev/null 2>&1 || true
  cp "$seeds/payload_walk/tree.zar" "$seeds/pe_lookup/" 2>/dev/null || true
fi
if [ -x "$build/bin/lh5enc" ]; then
  for f in "$work"/tree/readme.txt "$work"/tree/sub/code.bin "$work"/tree/sub/deeper/run.txt; do
    size=$(stat -c %s "$f")
    out=$seeds/lh5_decode/$(basename "$f").lh5
    # Two little-endian bytes of output size, then the stream.
    printf "$(printf '\\x%02x\\x%02x' $((size & 255)) $(((size >> 8) & 255)))" >"$out"
    "$build/bin/lh5enc" "$f" "$work/stream" >/dev/null 2>&1 && cat "$work/stream" >>"$out" || rm -f "$out"
  done
fi
# Small executables carrying a payload resource, made with the cross tools.
for triplet in x86_64-w64-mingw32 i686-w64-mingw32; do
  command -v $triplet-windres >/dev/null || continue
  printf 'int main(void){return 0;}\n' >"$work/stub.c"
  head -c 300 "$seeds/payload_walk/tree.zar" >"$work/small.zar" 2>/dev/null || printf 'zar\n' >"$work/small.zar"
  printf '119 ZAR "%s"\n' "$work/small.zar" >"$work/stub.rc"
  $triplet-windres "$work/stub.rc" -O coff -o "$work/stub.res" &&
    $triplet-gcc -s -Os -o "$seeds/pe_lookup/stub-$triplet.exe" "$work/stub.c" "$work/stub.res" \
      2>/dev/null || true
done
exit 0
