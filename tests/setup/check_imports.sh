#!/bin/sh
# Fails unless every DLL that the given executable imports is a Windows
# system DLL that Windows always loads from its system folder (a KnownDLL),
# never from beside the program: no C or C++ runtime, no libgcc, no threading
# library, and no comctl32, uxtheme, version or the like, which a DLL planted
# beside setup.exe in a Downloads folder could replace before setup.exe runs
# its first instruction.
#   check_imports.sh OBJDUMP EXE
objdump=$1
exe=$2
dlls=$("$objdump" -p "$exe" | sed -n 's/^[[:space:]]*DLL Name: //p')
[ -n "$dlls" ] || { echo "no imports found in $exe"; exit 1; }
status=0
for dll in $dlls; do
  case $(echo "$dll" | tr 'A-Z' 'a-z') in
    kernel32.dll|user32.dll|gdi32.dll|advapi32.dll|shell32.dll|ole32.dll)
      echo "system: $dll" ;;
    *) echo "NOT A SYSTEM DLL: $dll"; status=1 ;;
  esac
done
exit $status
