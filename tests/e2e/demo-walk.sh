#!/usr/bin/env bash
# Inside a Wine session on an X display without a window manager (Xvfb):
# walks through one install with gui_walk and takes the screenshots it asks
# for (dialog idle, during the extraction, finish prompt) into SHOTS_DIR.
#   demo-walk.sh BIN_DIR SHOTS_DIR
set -uo pipefail
bin=$1
shots=$2
mkdir -p "$shots"
rm -f "$shots"/*.ready "$shots"/*.done
wine "$bin/gui_walk.exe" "$bin/setup.exe" "$shots" &
walk=$!
while kill -0 "$walk" 2>/dev/null; do
  for ready in "$shots"/*.ready; do
    [ -e "$ready" ] || continue
    name=$(basename "$ready" .ready)
    read -r x y w h < "$ready"
    # The window and a small margin of the (black) screen around it.
    import -window root -crop "$((w + 16))x$((h + 16))+$((x - 8))+$((y - 8))" +repage \
      "$shots/$name.png" && echo "screenshot: $shots/$name.png"
    rm -f "$ready"
    touch "$shots/$name.done"
  done
  sleep 0.1
done
wait "$walk"
status=$?
rm -f "$shots"/*.done
exit $status
