#!/usr/bin/env bash
# Runs a Windows test program with the drive q: on a file system of 64 KiB,
# where writes fail once it is full. Mounting needs root; without that right
# the program runs without q: and skips its full-disk cases (it says so).
#   with-full-disk.sh EMULATOR PROGRAM [ARGS...]
set -u
# The prefix the emulator will use (cmake/wine-run.sh falls back the same way).
prefix=${WINEPREFIX:-${WINE_TEST_BASE:-$(pwd)/wine-test}/prefix}
mnt=$(mktemp -d /tmp/full-disk.XXXXXX)
if ! mount -t tmpfs -o size=64k tmpfs "$mnt" 2>/dev/null; then
  echo "with-full-disk.sh: cannot mount a small file system here"
  rmdir "$mnt"
  exec "$@"
fi
cleanup() {
  rm -f "$prefix/dosdevices/q:"
  umount "$mnt" && rmdir "$mnt"
}
trap cleanup EXIT
# Start the prefix first if needed, so that its drive folder exists.
[ -d "$prefix/dosdevices" ] || "$1" cmd /c exit >/dev/null 2>&1
ln -sfn "$mnt" "$prefix/dosdevices/q:"
"$@"
