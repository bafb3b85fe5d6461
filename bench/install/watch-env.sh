# Sourced inside a Wine session: BENCH_WATCH for install_timer names this
# session's wineserver and X server, whose processor time is then taken
# around every timed run.
bench_server=$(for p in $(pgrep -x "wineserver(64)?"); do
  tr '\0' '\n' <"/proc/$p/environ" 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX" && echo "$p"
done | head -1)
bench_xserver=$(pgrep -f "^Xvfb $DISPLAY( |$)" | head -1)
export BENCH_WATCH="wineserver=/proc/${bench_server:-0}/stat,xvfb=/proc/${bench_xserver:-0}/stat"
