#!/usr/bin/env bash
# zar's Debian package, as a vendor gets it: builds it
# (`cmake --build --preset native --target package`), unpacks it into a
# throwaway root (dpkg -x) and, with that zar alone, run with an empty
# environment and an empty PATH, so that no compiler, linker or resource tool
# can be reached, makes the installer of tests/config/other-product.ini from a
# folder of its 12 files, for win32 and for win64. Then checks each with tools
# that are not ours and installs it under Wine:
#  - the package holds /usr/bin/zar, both stubs in /usr/lib/zar, the manual
#    page and the copyright file, and its stubs are the presets' own;
#  - zar finds its stub without being told (the same bytes as with --stub),
#    and build/native/bin/zar finds the stubs beside itself;
#  - wrestool (icoutils) lists the payload ZAR/119, the configuration
#    ZCFG/120, icon group 108, the version information, dialog 110 and the
#    manifest; pefile checks the headers (machine, no time stamp, SizeOfImage,
#    the resource directory, relocations), the checksum and the version
#    information's names;
#  - a vendor's icon given with --icon replaces group 108 (icotool lists its
#    32 x 32 and 16 x 16 images);
#  - osslsigncode signs the installer with a throwaway key and verifies it,
#    and zar still tests the signed file;
#  - under Wine the installer shows "Installing Orbit Studio 7" and proposes
#    c:\apps\Orbit, and installs the 12 files, the Start Menu and desktop
#    shortcuts and the uninstall entry as the description says
#    (SetupGui.OtherProductInstallsAsItsDescriptionSays, tests/e2e, given the
#    installer through SETUP_OTHER_PRODUCT_EXE).
#   tests/release/package-test.sh [--no-wine]
set -uo pipefail
cd "$(dirname "$0")/../.."
root=$PWD
wine=1
[ "${1:-}" = "--no-wine" ] && wine=0
jobs=${JOBS:-$(nproc)}
python=/usr/bin/python3   # Debian's, which has python3-pefile

work=$(mktemp -d /tmp/package-test.XXXXXX)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { echo "ok: $*"; }
ini=$root/tests/config/other-product.ini

echo "=== the package"
rm -f build/native/zar_*.deb
if ! { cmake --preset native >"$work/configure.log" 2>&1 &&
       cmake --build --preset native --target package -j "$jobs" >"$work/package.log" 2>&1; }; then
  tail -30 "$work/configure.log" "$work/package.log"
  echo "FAIL: cannot build the package"; exit 1
fi
deb=$(ls build/native/zar_*.deb 2>/dev/null | head -1)
[ -n "$deb" ] || { echo "FAIL: no build/native/zar_*.deb"; exit 1; }
dpkg-deb -c "$deb" | awk '{ print $NF }' | sed 's|^\./||' | sort >"$work/contents"
missing=""
for path in usr/bin/zar usr/lib/zar/stub-win32.exe usr/lib/zar/stub-win64.exe \
            usr/share/man/man1/zar.1.gz usr/share/doc/zar/copyright; do
  grep -qx "$path" "$work/contents" || missing+=" $path"
done
if [ -z "$missing" ]; then
  pass "$(basename "$deb") holds zar, both stubs, the manual page and the copyright file"
else
  fail "$(basename "$deb") lacks$missing"; cat "$work/contents"
fi
# The same sources give the same package: packed again after zar was
# rebuilt (new file times everywhere), it is the same bytes, and every time
# it carries is the release's (or the packager's SOURCE_DATE_EPOCH).
cp "$deb" "$work/first.deb"
touch tools/zar/zar_main.cpp
if ! cmake --build --preset native --target package -j "$jobs" >"$work/package-again.log" 2>&1; then
  tail -30 "$work/package-again.log"; fail "cannot build the package a second time"
elif ! cmp -s "$deb" "$work/first.deb"; then
  fail "the package packed again from the same sources differs: $(cmp "$deb" "$work/first.deb" | head -1)"
else
  epoch=${SOURCE_DATE_EPOCH:-$(sed -n 's/^set(ZAR_RELEASE_EPOCH \([0-9]*\)).*/\1/p' tools/dist/CMakeLists.txt)}
  stamp=$(date -u -d "@$epoch" '+%Y-%m-%d %H:%M')
  times=$( (TZ=UTC ar tv "$deb" | grep -v "$(date -u -d "@$epoch" '+%b %e %H:%M %Y')"
            dpkg-deb -c "$deb" | grep -v "$stamp") | grep -c .)
  if [ "$times" = 0 ]; then
    pass "packed again from the same sources, the package is the same bytes; all its times are $stamp"
  else
    fail "$times entries of the package carry a time other than $stamp"; ar tv "$deb"; dpkg-deb -c "$deb"
  fi
fi
pkg=$work/root
dpkg -x "$deb" "$pkg" || { echo "FAIL: dpkg -x $deb"; exit 1; }
zar=$pkg/usr/bin/zar
for width in win32 win64; do
  preset=build/$width/bin/stub-$width.exe
  if [ ! -f "$preset" ]; then
    echo "(no $preset to compare the packaged stub with)"
  elif cmp -s "$pkg/usr/lib/zar/stub-$width.exe" "$preset"; then
    pass "the packaged stub-$width.exe is the $width preset's, byte for byte"
  else
    fail "the packaged stub-$width.exe differs from $preset"
  fi
done
if gzip -dc "$pkg/usr/share/man/man1/zar.1.gz" | grep '^\.B zar setup' >/dev/null; then
  pass "the manual page describes zar setup"
else
  fail "the manual page does not describe zar setup"
fi
# The packaged zar with nothing else: no environment, an empty PATH.
bare() { env -i PATH= "$@"; }
if bare "$zar" --help >"$work/help.txt" 2>&1 && grep -q "zar setup" "$work/help.txt"; then
  pass "zar --help runs with an empty PATH and names zar setup"
else
  fail "zar --help fails with an empty PATH:"; head -5 "$work/help.txt"
fi
if bare /bin/sh -c 'command -v gcc || command -v i686-w64-mingw32-g++ || command -v windres ||
                   command -v x86_64-w64-mingw32-windres || command -v ld' >/dev/null 2>&1; then
  fail "an empty PATH still reaches a compiler, linker or resource compiler"
fi

# The product's folder: 12 files, its program a small Windows program of the
# installer's width.
stage() {
  local width=$1 tree=$2 probe=build/$1/bin/gui_launch_probe.exe
  [ -f "$probe" ] || cmake --build --preset "$width" --target gui_launch_probe -j "$jobs" >/dev/null 2>&1
  cmake -DPROGRAM="$root/$probe" -DTREE="$tree" -P tests/config/stage_other_product.cmake
}

# check_pe EXE MACHINE: pefile's view of an installer zar wrote.
check_pe() {
  "$python" - "$1" "$2" <<'PY'
import sys, pefile
path, machine = sys.argv[1], int(sys.argv[2], 16)
pe = pefile.PE(path)
problems = []
fh, oh = pe.FILE_HEADER, pe.OPTIONAL_HEADER
if fh.Machine != machine:
    problems.append("machine 0x%x" % fh.Machine)
if fh.TimeDateStamp != 0:
    problems.append("time stamp %d" % fh.TimeDateStamp)
if not pe.verify_checksum() or oh.CheckSum != pe.generate_checksum():
    problems.append("checksum 0x%x, computed 0x%x" % (oh.CheckSum, pe.generate_checksum()))
last = max(pe.sections, key=lambda s: s.VirtualAddress)
end = last.VirtualAddress + max(last.Misc_VirtualSize, last.SizeOfRawData)
align = oh.SectionAlignment
if oh.SizeOfImage != (end + align - 1) // align * align:
    problems.append("SizeOfImage 0x%x, sections end at 0x%x" % (oh.SizeOfImage, end))
res = oh.DATA_DIRECTORY[pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_RESOURCE"]]
rsrc = [s for s in pe.sections if s.Name.rstrip(b"\0") == b".rsrc"]
if not rsrc or res.VirtualAddress != rsrc[0].VirtualAddress or res.Size > rsrc[0].Misc_VirtualSize:
    problems.append("the resource directory is not the .rsrc section")
reloc = oh.DATA_DIRECTORY[pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_BASERELOC"]]
if reloc.Size == 0 or not hasattr(pe, "DIRECTORY_ENTRY_BASERELOC"):
    problems.append("no relocations")
for s in pe.sections:
    if s.PointerToRawData % oh.FileAlignment or s.VirtualAddress % align:
        problems.append("section %s not aligned" % s.Name)
strings = {}
for info in getattr(pe, "FileInfo", []):
    for entry in info:
        for table in getattr(entry, "StringTable", []):
            strings.update({k.decode(): v.decode() for k, v in table.entries.items()})
for key, want in (("ProductName", "Orbit Studio"), ("CompanyName", "Orbit Works"),
                  ("FileVersion", "7.0.0.0")):
    if strings.get(key) != want:
        problems.append("version information %s = %r, not %r" % (key, strings.get(key), want))
if problems:
    print("; ".join(problems))
    sys.exit(1)
print("machine 0x%x, SizeOfImage 0x%x, checksum 0x%08x, %d sections, version %s" %
      (fh.Machine, oh.SizeOfImage, oh.CheckSum, len(pe.sections), strings["FileVersion"]))
PY
}

# A throwaway signing key, made here.
openssl req -x509 -newkey rsa:2048 -noenc -days 2 -keyout "$work/vendor.key" -out "$work/vendor.pem" \
  -subj "/CN=Orbit Works Test Signing" -addext "extendedKeyUsage=codeSigning" \
  -addext "keyUsage=critical,digitalSignature" >/dev/null 2>&1 ||
  fail "openssl cannot make the test certificate"

for width in win32 win64; do
  echo "=== $width"
  tree=$work/orbit-$width
  stage "$width" "$tree" || { fail "cannot stage the product for $width"; continue; }
  out=$work/orbit-$width-setup.exe
  args=()
  machine=0x14c
  if [ "$width" = win64 ]; then args=(--win64); machine=0x8664; fi
  if bare "$zar" setup -o "$out" "${args[@]}" "$ini" "$tree" >"$work/setup-$width.log" 2>&1; then
    pass "the packaged zar makes the $width installer with an empty PATH"
  else
    fail "the packaged zar cannot make the $width installer:"; cat "$work/setup-$width.log"; continue
  fi
  bare "$zar" setup -o "$work/explicit.exe" "${args[@]}" --stub "$pkg/usr/lib/zar/stub-$width.exe" \
    "$ini" "$tree" >/dev/null 2>&1
  if cmp -s "$out" "$work/explicit.exe"; then
    pass "zar took /usr/lib/zar/stub-$width.exe without being told"
  else
    fail "zar's own choice of stub gives other bytes than --stub $pkg/usr/lib/zar/stub-$width.exe"
  fi
  # The build tree's zar finds the stubs the native build put beside it.
  if bare "$root/build/native/bin/zar" setup -o "$work/beside.exe" "${args[@]}" "$ini" "$tree" \
       >/dev/null 2>&1 && cmp -s "$out" "$work/beside.exe"; then
    pass "build/native/bin/zar finds stub-$width.exe beside itself: the same installer"
  else
    fail "build/native/bin/zar does not make the same $width installer from the stub beside it"
  fi

  wrestool -l "$out" >"$work/resources-$width.txt" 2>&1
  missing=""
  for want in "--type='ZAR' --name=119" "--type='ZCFG' --name=120" "--type=14 --name=108" \
              "--type=16 --name=1" "--type=5 --name=110" "--type=24 --name=1"; do
    grep -qF -- "$want" "$work/resources-$width.txt" || missing+=" [$want]"
  done
  if [ -z "$missing" ]; then
    pass "wrestool lists the payload, configuration, icon group, version, dialog and manifest"
  else
    fail "wrestool does not list$missing:"; cat "$work/resources-$width.txt"
  fi
  if check_pe "$out" "$machine" >"$work/pefile-$width.txt" 2>&1; then
    pass "pefile: $(cat "$work/pefile-$width.txt")"
  else
    fail "pefile: $(cat "$work/pefile-$width.txt")"
  fi

  if osslsigncode sign -certs "$work/vendor.pem" -key "$work/vendor.key" -h sha256 -n "Orbit Studio" \
       -in "$out" -out "$work/signed-$width.exe" >"$work/sign-$width.log" 2>&1 &&
     osslsigncode verify -CAfile "$work/vendor.pem" -in "$work/signed-$width.exe" >>"$work/sign-$width.log" 2>&1 &&
     bare "$zar" test "$work/signed-$width.exe" >>"$work/sign-$width.log" 2>&1; then
    pass "osslsigncode signs and verifies it; zar tests the signed file"
  else
    fail "signing the $width installer:"; tail -15 "$work/sign-$width.log"
  fi

  if [ "$wine" -eq 1 ]; then
    [ -f "build/$width/bin/e2e_setup_tests.exe" ] ||
      cmake --build --preset "$width" --target e2e_setup_tests -j "$jobs" >/dev/null 2>&1
    if SETUP_OTHER_PRODUCT_EXE=$work/signed-$width.exe bash tests/wine-session.sh \
         wine "build/$width/bin/e2e_setup_tests.exe" \
         --gtest_filter=SetupGui.OtherProductInstallsAsItsDescriptionSays >"$work/wine-$width.log" 2>&1 &&
       grep -q '^\[  PASSED  \] 1 test' "$work/wine-$width.log"; then
      pass "under Wine the signed $width installer shows and installs Orbit Studio as its description says"
    else
      fail "the $width installer under Wine:"; tail -30 "$work/wine-$width.log"
    fi
  fi
done

echo "=== a vendor's icon"
icon=$work/vendor.ico
if [ -x build/native/bin/samplegen ] && build/native/bin/samplegen icon "$icon" program >/dev/null 2>&1 &&
   bare "$zar" setup -o "$work/icon.exe" --icon "$icon" "$ini" "$work/orbit-win32" >/dev/null 2>&1 &&
   wrestool -x --type=14 --name=108 "$work/icon.exe" >"$work/icon-out.ico" 2>/dev/null; then
  sizes=$(icotool -l "$work/icon-out.ico" | sed -E 's/.*--width=([0-9]+) --height=([0-9]+).*/\1x\2/' | sort -u | tr '\n' ' ')
  if cmp -s "$icon" "$work/icon-out.ico" || { grep -q 32x32 <<<"$sizes" && grep -q 16x16 <<<"$sizes" &&
       ! wrestool -x --type=14 --name=108 "$pkg/usr/lib/zar/stub-win32.exe" | cmp -s - "$work/icon-out.ico"; }; then
    pass "--icon replaces icon group 108 (icotool: $sizes)"
  else
    fail "--icon: group 108 is not the vendor's icon (icotool: $sizes)"
  fi
else
  fail "cannot make an installer with a vendor's icon"
fi

[ "$failures" -eq 0 ] && echo "package: all checks passed"
[ "$failures" -eq 0 ]
