#!/usr/bin/env bash
# Install throughput at product scale, against the file system's floor and
# the peers, side by side in one Wine session with the runs alternating:
#  - ours: the win32 setup.exe, from the Install click to the finish prompt
#    (the live panel repainted for every file);
#  - Wine's xcopy of the same folder (the floor: reading and writing the
#    files, nothing decoded);
#  - Debian's makensis installers of the same folder: zlib and solid LZMA,
#    silent (/S), and zlib with its progress page.
# Two products: the sample, and a large one made from this machine's own
# files by make-product.sh (kept in build/bench/large; --remake makes it
# again). Also the packing, time and size side by side: zar pack and zar
# setup (our installer, made without a compiler from the generic stub) at
# both levels, and makensis.
# The installs go to drive T:, a folder in RAM (/dev/shm): on this
# machine's ext4 disk each run's files are made right after the previous
# run's were deleted, and ext4's search for inodes not deleted in the last
# minute then varied single runs by a factor of two. --disk installs on the
# prefix's drive C: instead.
#   bench/product/run.sh [--runs N] [--files N] [--remake] [--disk] [--readme]
# Prints each run, the medians and their ratios; --readme writes the table
# into README.md. Installs nsis (apt-get) when makensis is missing.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
cd "$root"
runs=3 files=1925 remake=0 readme=0 disk=0
while [ $# -gt 0 ]; do
  case $1 in
    --runs) runs=$2; shift 2 ;;
    --files) files=$2; shift 2 ;;
    --remake) remake=1; shift ;;
    --readme) readme=1; shift ;;
    --disk) disk=1; shift ;;
    *) echo "usage: run.sh [--runs N] [--files N] [--remake] [--disk] [--readme]" >&2; exit 2 ;;
  esac
done
work=$root/build/bench
mkdir -p "$work"

if ! command -v makensis >/dev/null; then
  echo "=== installing nsis (makensis) for the peer installers"
  apt-get install -y nsis >/dev/null
fi
echo "=== building zar, the win32 setup stub and the install timer"
[ -f build/native/build.ninja ] || cmake --preset native >/dev/null
[ -f build/win32/build.ninja ] || cmake --preset win32 >/dev/null
cmake --build build/native --target zar >/dev/null
cmake --build build/win32 --target setup setup_stub install_timer >/dev/null
zar=$root/build/native/bin/zar
stub=$root/build/win32/bin/stub-win32.exe

# The products: NAME FOLDER PRODUCT_INI.
if [ "$remake" = 1 ] || [ ! -f "$work/large/product.ini" ] ||
   [ "$(find "$work/large/product" -type f | wc -l)" != "$files" ]; then
  echo "=== making the large product ($files files) from this machine's files"
  bash bench/product/make-product.sh "$work/large" "$files"
fi
products=("sample $root/build/win32/sample/tree $root/product/product.ini"
          "large $work/large/product $work/large/product.ini")

seconds() { local s; s=$(date +%s.%N); "$@" >/dev/null; echo "$(date +%s.%N) - $s" | bc; }
winpath() { local p=${1//\//\\}; echo "Z:$p"; }

declare -A pack_s size
for entry in "${products[@]}"; do
  read -r name folder ini <<<"$entry"
  echo "=== packing $name ($folder)"
  dir=$work/$name
  mkdir -p "$dir"
  exe=$(sed -n 's/^exeBaseName=//p' "$ini").exe
  help=$(sed -n 's/^helpFileName=//p' "$ini")
  # zar pack makes the archive alone; zar setup packs the same way and puts
  # the archive, the configuration and the version information into the
  # stub: the difference is the resource work. Ours, as shipped, is zar
  # setup's default (best) level.
  pack_s[$name.pack]=$(seconds "$zar" pack -o "$dir/payload.zar" "$folder" --first "$exe" --first "$help")
  size[$name.pack]=$(stat -c %s "$dir/payload.zar")
  pack_s[$name.packbest]=$(seconds "$zar" pack --best -o "$dir/payload.zar" "$folder" --first "$exe" --first "$help")
  size[$name.packbest]=$(stat -c %s "$dir/payload.zar")
  pack_s[$name.setupfast]=$(seconds "$zar" setup --fast --stub "$stub" -o "$dir/setup-fast.exe" "$ini" "$folder")
  size[$name.setupfast]=$(stat -c %s "$dir/setup-fast.exe")
  pack_s[$name.setup]=$(seconds "$zar" setup --stub "$stub" -o "$dir/setup.exe" "$ini" "$folder")
  size[$name.setup]=$(stat -c %s "$dir/setup.exe")
  for c in zlib lzma; do
    bash bench/product/nsis-script.sh "$folder" "$dir/nsis-$c.exe" "$c" >"$dir/nsis-$c.nsi"
    pack_s[$name.$c]=$(seconds makensis -V1 "$dir/nsis-$c.nsi")
    size[$name.$c]=$(stat -c %s "$dir/nsis-$c.exe")
  done
done

echo "=== installing, $runs runs each, alternating, in one Wine session"
target='C:\bench-target' ram=
if [ "$disk" = 0 ]; then
  ram=$(mktemp -d /dev/shm/bench-target.XXXXXX)
  trap 'rm -rf "$ram"' EXIT
  target='T:\bench-target'
fi
timer_args=()
for entry in "${products[@]}"; do
  read -r name folder ini <<<"$entry"
  dir=$work/$name
  n=$runs
  [ "$name" = sample ] && n=$((runs * 3))
  timer_args+=("$name" "$n" "$target"
    "ours=setup:$dir/setup.exe"
    "xcopy=run:xcopy $(winpath "$folder") {target} /E /I /Q /Y"
    "nsis-zlib-silent=run:$(winpath "$dir/nsis-zlib.exe") /S /D={target}"
    "nsis-lzma-silent=run:$(winpath "$dir/nsis-lzma.exe") /S /D={target}"
    "nsis-zlib-page=run:$(winpath "$dir/nsis-zlib.exe") /D={target}")
done
log=$work/install-runs.log
BENCH_RAM=$ram WINE_TEST_XVFB=1 bash tests/wine-session.sh bash -c '
  [ -z "$BENCH_RAM" ] || ln -s "$BENCH_RAM" "$WINEPREFIX/dosdevices/t:"
  . bench/install/watch-env.sh
  timer=$1; shift
  while [ $# -gt 0 ]; do
    echo "product $1"
    wine "$timer" "$2" "$3" "${@:4:5}" || exit 1
    shift 8
  done' bench "$root/build/win32/bin/install_timer.exe" "${timer_args[@]}" | tr -d '\r' | tee "$log"

declare -A median memory
product=
while read -r kind a b c; do
  case $kind in
    product) product=$a ;;
    median) median[$product.$a]=$b ;;
    memory) memory[$product.$a]="$b $c" ;;
  esac
done <"$log"

# The median over the rounds of ours / OTHER, each round's two runs taken
# side by side: steadier than the ratio of the medians on a shared machine.
paired() {
  awk -v product="$1" -v other="$2" '
    $1 == "product" { p = $2 }
    p == product && $1 == "run" { t[$2, $3] = $4; if ($2 > n) n = $2 }
    END {
      for (r = 1; r <= n; ++r) if (t[r, other] > 0) v[++m] = t[r, "ours"] / t[r, other]
      for (i = 1; i <= m; ++i) for (j = i + 1; j <= m; ++j) if (v[j] < v[i]) { x = v[i]; v[i] = v[j]; v[j] = x }
      printf "%.2f", m % 2 ? v[(m + 1) / 2] : (v[m / 2] + v[m / 2 + 1]) / 2
    }' "$log"
}
thousands() { echo "$1" | sed -E ':a; s/([0-9])([0-9]{3})($|,)/\1,\2\3/; ta'; }
count_of() { find "$1" -type f | wc -l; }
bytes_of() { find "$1" -type f -printf '%s\n' | awk '{s += $1} END {print s}'; }
mb() { echo "scale=1; $1 / 1000000" | bc | sed 's/^\./0./'; }
table=$(
  echo "| product | ours (Install → finish) | Wine's \`xcopy\` (the floor) | NSIS 3 zlib, silent | NSIS 3 solid LZMA, silent | NSIS 3 zlib with its progress page | ours / \`xcopy\`, by round | ours / NSIS zlib silent, by round |"
  echo "|---|---|---|---|---|---|---|---|"
  for entry in "${products[@]}"; do
    read -r name folder ini <<<"$entry"
    n=$(count_of "$folder")
    ours=${median[$name.ours]}
    printf '| %s, %s files, %s MB | %s s (%s ms a file) | %s s | %s s | %s s | %s s | %s | %s |\n' \
      "$name" "$(thousands "$n")" "$(mb "$(bytes_of "$folder")")" "$ours" \
      "$(echo "scale=2; $ours * 1000 / $n" | bc | sed 's/^\./0./')" \
      "${median[$name.xcopy]}" "${median[$name.nsis-zlib-silent]}" "${median[$name.nsis-lzma-silent]}" \
      "${median[$name.nsis-zlib-page]}" "$(paired "$name" xcopy)" "$(paired "$name" nsis-zlib-silent)"
  done
  echo
  echo "| product | \`zar pack\` | \`zar setup --fast\` | \`zar pack --best\` | \`zar setup\` (best) | makensis zlib | makensis solid LZMA |"
  echo "|---|---|---|---|---|---|---|"
  for entry in "${products[@]}"; do
    read -r name folder ini <<<"$entry"
    printf '| %s |' "$name"
    for k in pack setupfast packbest setup zlib lzma; do
      printf ' %.2f s, %s bytes |' "${pack_s[$name.$k]}" "$(thousands "${size[$name.$k]}")"
    done
    echo
  done
  echo
  echo "| setup.exe at the finish prompt | peak working set | peak private bytes | setup.exe |"
  echo "|---|---|---|---|"
  for entry in "${products[@]}"; do
    read -r name folder ini <<<"$entry"
    read -r ws pv <<<"${memory[$name.ours]}"
    printf '| %s | %s KB | %s KB | %s KB |\n' "$name" "$(thousands "$ws")" "$(thousands "$pv")" \
      "$(thousands $((size[$name.setup] / 1024)))"
  done
)
echo
echo "$table"

if [ "$readme" = 1 ]; then
  python3 - "$root/README.md" "$table" <<'PY'
import sys
path, table = sys.argv[1], sys.argv[2]
text = open(path, encoding="utf-8").read()
start = "<!-- install table: written by bench/product/run.sh --readme -->"
end = "<!-- end of install table -->"
a = text.index(start) + len(start)
b = text.index(end)
open(path, "w", encoding="utf-8").write(text[:a] + "\n" + table + "\n" + text[b:])
PY
  echo "README.md: install table written"
fi
