#!/usr/bin/env bash
# Makes a large product folder from real, distinct files found on this
# machine, in the proportions of a desktop product: machine code (Wine's
# Windows DLLs and the system's shared libraries), text (C headers) and
# images (icon themes), with a main program and a help document, plus a
# product description for it.
#   bench/product/make-product.sh FOLDER [FILES]     (default 1925 files)
# Writes FOLDER/product/ (the files) and FOLDER/product.ini. The same machine
# gives the same folder every time: candidates are taken in name order, and a
# file whose contents were taken already is passed over.
set -eu
out=${1:?usage: make-product.sh FOLDER [FILES]}
total=${2:-1925}
# Shares of the file count: a fifth machine code, a half text, the rest images.
n_code=$((total / 5))
n_text=$((total / 2))
n_image=$((total - n_code - n_text - 2))
rm -rf "$out/product"
mkdir -p "$out/product"
declare -A seen=()
taken=0

# take KIND LIMIT MAXBYTES DEST: copies up to LIMIT files named on stdin
# (absolute paths) below product/DEST, keeping their path below the first
# two components short; files over MAXBYTES, with unusual names or already
# seen contents are passed over.
take() {
  local kind=$1 limit=$2 max=$3 dest=$4 count=0 f rel sum size
  while IFS= read -r f; do
    [ "$count" -ge "$limit" ] && break
    [ -f "$f" ] && [ ! -L "$f" ] || continue
    size=$(stat -c %s "$f")
    [ "$size" -gt 0 ] && [ "$size" -le "$max" ] || continue
    rel=${f#/usr/}
    rel=${rel#share/}
    rel=${rel#lib/}
    [[ "$rel" =~ ^[A-Za-z0-9._/+-]+$ ]] || continue
    [ ${#rel} -le 120 ] || continue
    case "$rel" in *./*|*/.*|*.) continue ;; esac
    sum=$(md5sum <"$f" | cut -c1-32)
    [ -z "${seen[$sum]:-}" ] || continue
    seen[$sum]=1
    mkdir -p "$out/product/$dest/$(dirname "$rel")"
    cp "$f" "$out/product/$dest/$rel"
    count=$((count + 1))
  done
  taken=$((taken + count))
  echo "$kind: $count files" >&2
}

find /usr/lib/x86_64-linux-gnu/wine /usr/lib/i386-linux-gnu/wine /usr/lib/x86_64-linux-gnu \
     -maxdepth 2 \( -name '*.dll' -o -name '*.so*' \) 2>/dev/null | LC_ALL=C sort |
  take "machine code" "$n_code" 600000 bin
find /usr/include -name '*.h' 2>/dev/null | LC_ALL=C sort | take text "$n_text" 2000000 include
find /usr/share/icons /usr/share/pixmaps \( -name '*.png' -o -name '*.svg' -o -name '*.xpm' \) 2>/dev/null |
  LC_ALL=C sort | take images "$n_image" 2000000 images

# The main program and the help document, which the installer puts first.
program=$(ls /usr/lib/i386-linux-gnu/wine/i386-windows/winver.exe \
             /usr/lib/x86_64-linux-gnu/wine/x86_64-windows/winver.exe 2>/dev/null | head -1)
[ -n "$program" ] || { echo "make-product.sh: no Wine program to stand for the main program" >&2; exit 1; }
cp "$program" "$out/product/atlas.exe"
printf '<html><body><h1>Atlas Suite</h1><p>Benchmark product.</p></body></html>\n' >"$out/product/readme.htm"
count=$(find "$out/product" -type f | wc -l)
bytes=$(du -sb "$out/product" | cut -f1)
cat >"$out/product.ini" <<INI
; A large product made by bench/product/make-product.sh from this machine's files.
[Product]
titleText=Atlas Suite 3
productName=Atlas Suite
folderName=Atlas
exeBaseName=atlas
helpFileName=readme.htm
helpShortcutName=Atlas Suite Help.lnk
defaultParentDir=c:\\program files
version=3.0.0.0
company=Atlas Works
copyrightYear=2026

[Options]
desktopIcon=1
registerUninstall=1
uninstallSwitch=/uninstall
uninstallIconIndex=0
createHelpShortcut=1

[Payload]
fileCount=$count
templateStyle=One
templateStyle=Two
templateStyle=Three
templateStyle=Four
templateStyle=Five
templateStyle=Six
templateStyle=Seven
INI
echo "product: $count files, $bytes bytes in $out/product; description $out/product.ini" >&2
