#!/usr/bin/env bash
# What setup.exe is made of, for both widths: builds the setup target of the
# win32 and win64 presets (unless --no-build), then prints for each the line
# the build prints after zar setup (the stub, what zar added, the payload's
# files, the whole file; the stub budget for win32), the payload as stored
# (wrestool), and setup.exe's sections: bytes in memory and in the file. The
# stub column is the stub file itself; "other sections" is what is left of
# setup.exe besides the payload, the listed sections and the headers.
#   bench/size/report.sh [--no-build] [--readme] [BUILD_ROOT]
# BUILD_ROOT holds the preset folders (default: build/ of this checkout).
# --readme also writes the table of the README's section "Size of setup.exe"
# (between its size-table markers) from these figures.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=yes
readme=no
builds=$root/build
for arg in "$@"; do
  case $arg in
    --no-build) build=no ;;
    --readme) readme=yes ;;
    -*) echo "usage: $0 [--no-build] [--readme] [BUILD_ROOT]" >&2; exit 2 ;;
    *) builds=$(cd "$arg" && pwd) ;;
  esac
done
budget=$(grep -E '^[0-9]+$' "$root/resources/stub_budget.txt")
objdump=x86_64-w64-mingw32-objdump

group() {  # 1234567 -> 1,234,567
  printf "%d" "$1" | sed ':a;s/\B[0-9]\{3\}\>/,&/;ta'
}

rows=()
for preset in win32 win64; do
  dir=$builds/$preset
  if [ $build = yes ]; then
    [ -f "$dir/CMakeCache.txt" ] || (cd "$root" && cmake --preset $preset >/dev/null)
    cmake --build "$dir" --target setup -j 2 >/dev/null
  fi
  exe=$dir/bin/setup.exe
  stubExe=$dir/bin/stub-$preset.exe
  zar=$(sed -n 's/^SAMPLE_HOST_TOOLS:PATH=//p' "$dir/CMakeCache.txt")
  zar=${zar:-$dir/host/bin}/zar
  # The same line as the build's, from the same script.
  line=$(cmake -DEXE="$exe" -DSTUB="$stubExe" -DZAR="$zar" "-DLABEL=$preset setup.exe" \
               -P "$root/cmake/setup_size.cmake" 2>&1) || { echo "$line" >&2; exit 1; }
  read -r stub stored files whole < <(echo "$line" |
    sed -E 's/.*stub ([0-9,]+) bytes \+ product [0-9,]+ bytes \(payload of ([0-9,]+) bytes in ([0-9]+) files.*\) = ([0-9,]+) bytes.*/\1 \2 \3 \4/' |
    tr -d ,)
  # The payload archive as zar stored it: resource ZAR/119 (icoutils).
  packed=$(wrestool -l "$exe" | sed -n "s/^--type='ZAR' --name=119 .*size=\([0-9]*\)\].*/\1/p")
  if [ $preset = win32 ]; then
    line+="; stub budget $(group "$budget") bytes"
    [ "$stub" -le "$budget" ] || line+=" EXCEEDED by $(group $((stub - budget))) bytes"
  fi
  echo "$line"

  # Sections: size in memory, and in the file (rounded up to the file
  # alignment); the headers take the file up to the first section.
  align=$((16#$($objdump -p "$exe" | awk '$1 == "FileAlignment" { print $2 }')))
  sections=$($objdump -h "$exe" | awk '$1 ~ /^[0-9]+$/ { name = $2; size = $3; off = $6;
      getline; print name, size, off, ($0 ~ /CONTENTS/) ? 1 : 0 }')
  printf '  %-10s %10s %10s\n' section memory file
  first=$(echo "$sections" | awk '$4 == 1 { print $3; exit }')
  printf '  %-10s %10s %10s\n' headers "" "$(group $((16#$first)))"
  declare -A fileBytes=()
  while read -r name size off contents; do
    mem=$((16#$size))
    raw=0
    [ "$contents" = 1 ] && raw=$(( (mem + align - 1) / align * align ))
    fileBytes[$name]=$raw
    note=""
    [ "$name" = .rsrc ] && note="  (payload $(group "$packed"), other resources $(group $((raw - packed))))"
    printf '  %-10s %10s %10s%s\n' "$name" "$(group $mem)" "$(group $raw)" "$note"
  done <<<"$sections"
  echo
  cell() { group "${fileBytes[$1]:-0}"; }
  otherResources=$((${fileBytes[.rsrc]:-0} - packed))
  other=$((whole - packed - 16#$first - otherResources))
  for name in .text .rdata .data .idata .reloc; do other=$((other - ${fileBytes[$name]:-0})); done
  rows+=("| $preset | $(group "$stub") | $(group $((16#$first))) | $(cell .text) | $(cell .rdata) | $(cell .data) | $(cell .idata) | $(group $otherResources) | $(cell .reloc) | $(group $other) | $(group "$packed") | $(group "$stored") ($files files) | $(group "$whole") |")
  unset fileBytes
done

table="| preset | stub | headers | .text | .rdata | .data | .idata | .rsrc without payload | .reloc | other sections | payload | payload's files | setup.exe |
|---|---|---|---|---|---|---|---|---|---|---|---|---|"
for row in "${rows[@]}"; do table+=$'\n'"$row"; done
echo "$table"

if [ $readme = yes ]; then
  file=$root/README.md
  begin='<!-- size table: written by bench/size/report.sh --readme -->'
  end='<!-- end of size table -->'
  grep -qF "$begin" "$file" && grep -qF "$end" "$file" || {
    echo "README.md has no size-table markers" >&2; exit 1; }
  tmp=$file.size-table.$$
  TABLE=$table awk -v begin="$begin" -v end="$end" '
    $0 == begin { print; print ENVIRON["TABLE"]; skip = 1; next }
    $0 == end { skip = 0 }
    !skip { print }' "$file" >"$tmp"
  mv "$tmp" "$file"
  echo "README.md: size table written"
fi
