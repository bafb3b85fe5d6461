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

# Variants of those executables with unusual section tables: a section moved
# onto the resources' addresses (overlapping sections, refused), a section
# that spans nothing placed at the same addresses (ignored), and resources
# with no file data. Fields are patched in place; values are little-endian.
u16() { od -An -tu2 -j "$2" -N2 "$1" | tr -d ' '; }
u32() { od -An -tu4 -j "$2" -N4 "$1" | tr -d ' '; }
put32() {  # put32 FILE OFFSET VALUE
  printf "$(printf '\\x%02x\\x%02x\\x%02x\\x%02x' $(($3 & 255)) $((($3 >> 8) & 255)) \
    $((($3 >> 16) & 255)) $((($3 >> 24) & 255)))" | dd of="$1" bs=1 seek="$2" conv=notrunc status=none
}
for exe in "$seeds"/pe_lookup/stub-*.exe; do
  [ -f "$exe" ] || continue
  pe=$(u32 "$exe" 60)
  count=$(u16 "$exe" $((pe + 6)))
  optional=$((pe + 24))
  table=$((optional + $(u16 "$exe" $((pe + 20)))))
  case $(u16 "$exe" $optional) in
    267) resources=$((optional + 112)) ;;   # PE32
    523) resources=$((optional + 128)) ;;   # PE32+
    *) continue ;;
  esac
  rva=$(u32 "$exe" $resources)
  rsrc=-1
  for i in $(seq 0 $((count - 1))); do
    [ "$(u32 "$exe" $((table + 40 * i + 12)))" = "$rva" ] && rsrc=$i
  done
  [ $rsrc -ge 0 ] && [ $rsrc -ne 0 ] || continue
  base=${exe%.exe}
  cp "$exe" "$base-overlap.exe"      # the first section at the resources' address
  put32 "$base-overlap.exe" $((table + 12)) "$rva"
  # ...and only 16 bytes long, read from the file's end: a directory there
  # announcing four entries (the layout of fuzz/regressions/pe_lookup/).
  size=$(stat -c %s "$exe")
  cp "$exe" "$base-aliased.exe"
  put32 "$base-aliased.exe" $((table + 8)) 16
  put32 "$base-aliased.exe" $((table + 12)) "$rva"
  put32 "$base-aliased.exe" $((table + 16)) 16
  put32 "$base-aliased.exe" $((table + 20)) $((size - 16))
  put32 "$base-aliased.exe" $((size - 4)) $((4 << 16))
  cp "$exe" "$base-empty.exe"        # the first section spans nothing, at the resources' address
  put32 "$base-empty.exe" $((table + 8)) 0
  put32 "$base-empty.exe" $((table + 12)) "$rva"
  put32 "$base-empty.exe" $((table + 16)) 0
  cp "$exe" "$base-memory-only.exe"  # resources without file data
  put32 "$base-memory-only.exe" $((table + 40 * rsrc + 16)) 0
done
# Inputs kept from earlier findings seed the corpus too.
cp fuzz/regressions/pe_lookup/* "$seeds/pe_lookup/" 2>/dev/null || true
exit 0
