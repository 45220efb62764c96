#!/usr/bin/env bash
# The launcher end to end on a real X server: the banner is drawn, a click on "+ Run +"
# (a quick one, released before the next poll) opens the real window at the default choice
# (1920 x 1080), Escape ends with status 0.
# usage: launcher_e2e.sh COMMAND... (the show's program, with what starts it: wine X.exe)
set -u
command=("$@")
if [ -z "${DISPLAY:-}" ]; then echo "needs an X display (run the suite under xvfb-run)"; exit 1; fi
work=$(mktemp -d)
pid=
cleanup() { [ -n "$pid" ] && kill "$pid" 2>/dev/null; rm -rf "$work"; }
trap cleanup EXIT
cd "$work" || exit 1
mkdir shaders  # a show's folder, if an empty one: the launcher opens only for a show
title="Velmora by QRX / Tandel - 2025"

wait_window() {  # wait_window WIDTH HEIGHT -> prints the window id
  for _ in $(seq 200); do
    for id in $(xdotool search --name "$title" 2>/dev/null); do
      geo=$(xdotool getwindowgeometry "$id" 2>/dev/null | sed -n 's/.*Geometry: //p')
      [ "$geo" = "$1x$2" ] && { echo "$id"; return 0; }
    done
    sleep 0.1
  done
  return 1
}

"${command[@]}" >out.txt 2>&1 &
pid=$!
launcher=$(wait_window 380 240) || { echo "FAIL: no 380x240 launcher window titled \"$title\""; cat out.txt; exit 1; }
sleep 0.5
pos=$(xdotool getwindowgeometry "$launcher" | sed -n 's/.*Position: \([0-9]*\),\([0-9]*\).*/\1 \2/p')
read -r lx ly <<<"$pos"

# Count lit pixels in the banner's band (row 1: y 4..34) and in the empty band between
# the banner and the resolution row, where nothing is drawn.
import -window root "$work/launcher.png" 2>/dev/null || { echo "FAIL: screenshot"; exit 1; }
count() {  # count WxH+X+Y
  convert "$work/launcher.png" -crop "$1" +repage -colorspace Gray -threshold 15% \
    -format "%[fx:round(mean*w*h)]" info:
}
banner=$(count "380x30+$lx+$((ly + 4))")
gap=$(count "380x20+$lx+$((ly + 36))")
echo "banner pixels: $banner, empty band pixels: $gap"
if [ "$banner" -lt 400 ] || [ "$gap" -ne 0 ]; then echo "FAIL: banner not drawn as expected"; exit 1; fi

# Click the run row (row 7: y between 184 and 214) as a tap does: pressed and released
# at once, between two of the launcher's polls.
xdotool mousemove --sync --window "$launcher" 190 200
sleep 0.2
xdotool click 1

real=$(wait_window 1920 1080) || { echo "FAIL: no 1920x1080 window after Run"; cat out.txt; exit 1; }
# On a busy machine the window may still be loading when the first key arrives: press
# Escape again each second until the show has gone.
for _ in $(seq 30); do
  xdotool windowfocus "$real" 2>/dev/null
  xdotool key --window "$real" Escape 2>/dev/null
  for _ in $(seq 10); do kill -0 "$pid" 2>/dev/null || break 2; sleep 0.1; done
done
if kill -0 "$pid" 2>/dev/null; then echo "FAIL: still running after Escape"; cat out.txt; exit 1; fi
wait "$pid"; status=$?
pid=
tr -d '\r' <out.txt | grep -q "^KEY: 41$" ||  # a Windows program's lines end in CR LF { echo "FAIL: no 'KEY: 41' line"; cat out.txt; exit 1; }
[ "$status" -eq 0 ] || { echo "FAIL: exit status $status"; cat out.txt; exit 1; }
echo "launcher end to end: ok"
