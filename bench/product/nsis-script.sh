#!/usr/bin/env bash
# Writes an NSIS 3 script that installs every file below FOLDER into the
# folder given with /D=, with its progress page (closed by itself at the end)
# or silently with /S: the peer installer for the same product.
#   bench/product/nsis-script.sh FOLDER OUT_EXE zlib|lzma > SCRIPT.nsi
set -eu
folder=$1
out=$2
case $3 in
  zlib) compressor="SetCompressor zlib" ;;
  lzma) compressor="SetCompressor /SOLID lzma" ;;
  *) echo "nsis-script.sh: compressor must be zlib or lzma" >&2; exit 2 ;;
esac
cat <<NSI
Unicode true
Name "Benchmark product"
OutFile "$out"
$compressor
RequestExecutionLevel user
InstallDir "C:\\bench-target"
AutoCloseWindow true
Page instfiles
Section
  SetOutPath "\$INSTDIR"
  File /r "$folder/*"
SectionEnd
NSI
