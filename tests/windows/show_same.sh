#!/usr/bin/env bash
# velmora.exe under Wine against the Linux build, on the tiny show:
#  - 300 frames at 320 x 180 end with status 0 and no OpenGL error;
#  - the camera file and the shader twins it writes are the same bytes as Linux's;
#  - its contact sheet matches Linux's scene by scene (SSIM >= 0.97, each channel's mean
#    within 4 levels, contrast within 10 %);
#  - --capture FOLDER\ writes the same frames as Linux's (each PNG's mean difference under
#    half a level) and the same span of sound (a WAV as long, samples within 4 steps: the
#    two MP3 decoders round apart);
#  - --capture to a video, which needs FFmpeg, is refused in one line with status 2 naming
#    the folder form;
#  - in a folder without the show it says so in one line, status 2, writing nothing.
# Each build runs in its own copy of the show: both write into their working folder.
# usage: show_same.sh LINUX_BUILD WINDOWS_BIN WINE SOURCE_DIR WORK
set -uo pipefail
linux=$1 windows=$2 wine=$3 source=$4 work=$5
rm -rf "$work" && mkdir -p "$work" || exit 1
"$source/tests/clips/tiny_show.sh" "$linux/tools/velmora-data" "$linux/tiny-show" "$source/show/shaders" || exit 1
for side in linux windows; do
  mkdir -p "$work/$side"
  cp -rL "$linux/tiny-show/." "$work/$side/"
  rm -f "$work/$side/FreeCam.bin" "$work/$side"/shaders/*.xxx
done
failed=0
run() {  # run SIDE ARGS...: the side's build in the side's folder; output in SIDE.log
  local side=$1 status; shift
  if [ "$side" = linux ]; then (cd "$work/linux" && "$linux/velmora" "$@") >"$work/linux.log" 2>&1; return
  fi
  # Into a file, not a pipe: Wine's services, when this starts them, keep a pipe open.
  (cd "$work/windows" && "$wine" "$windows/velmora.exe" "$@") >"$work/windows.raw" 2>&1
  status=$?
  tr -d '\r' <"$work/windows.raw" >"$work/windows.log"
  return $status
}

args=(--no-launcher --windowed --res 320x180 --frames 300 --no-audio --gl-check)
run linux "${args[@]}" || { echo "FAILED: the Linux build's run"; tail "$work/linux.log"; exit 1; }
run windows "${args[@]}"; status=$?
errors=$(sed -n 's/^gl-check: \([0-9]*\) OpenGL errors.*/\1/p' "$work/windows.log")
echo "velmora.exe ${args[*]}: exit $status, ${errors:-no count of} OpenGL errors"
if [ "$status" -ne 0 ] || [ "${errors:-x}" != 0 ]; then tail -20 "$work/windows.log"; failed=1; fi

same=0
twins=$(cd "$work/linux" && ls shaders/*.xxx 2>/dev/null)
[ -n "$twins" ] || { echo "FAILED: no shader twins written"; failed=1; }
for file in FreeCam.bin $twins; do
  [ -f "$work/linux/$file" ] || continue
  if cmp -s "$work/linux/$file" "$work/windows/$file"; then same=$((same + 1))
  else echo "FAILED: $file differs from Linux's"; failed=1; fi
done
echo "FreeCam.bin and shader twins written under Wine: $same files, byte-identical to Linux's"
[ -f "$work/linux/FreeCam.bin" ] || { echo "FAILED: no FreeCam.bin written"; failed=1; }

sheet=(--no-launcher --windowed --res 320x180 --no-audio --contact-sheet sheet.png)
run linux "${sheet[@]}" || { echo "FAILED: the Linux build's contact sheet"; tail "$work/linux.log"; exit 1; }
run windows "${sheet[@]}" || { echo "FAILED: velmora.exe --contact-sheet"; tail "$work/windows.log"; exit 1; }
"$linux/tools/velmora-sheet-compare" "$work/linux/sheet.png" "$work/windows/sheet.png" --min 0.97 --max-mean 4 \
  --max-contrast 0.10 >"$work/sheets.txt"
[ $? -eq 0 ] || { cat "$work/sheets.txt"; failed=1; }
echo "contact sheet under Wine against Linux's: $(tail -1 "$work/sheets.txt")"
run windows --no-launcher --windowed --res 320x180 --capture show.mp4; status=$?
lines=$(grep -c . "$work/windows.log")
echo "velmora.exe --capture: exit $status, $lines line: $(head -1 "$work/windows.log")"
if [ "$status" -ne 2 ] || [ "$lines" -ne 1 ] || ! grep -qF -- "--capture FOLDER/" "$work/windows.log"; then
  echo "FAILED: --capture to a video should be refused in one line naming the folder form, status 2"; failed=1
fi

capture=(--res 320x180 --fps 10 --start 12 --duration 1 --capture frames/)
run linux "${capture[@]}" || { echo "FAILED: the Linux build's capture into a folder"; tail "$work/linux.log"; exit 1; }
run windows "${capture[@]}"; status=$?
frames=$(cd "$work/windows/frames" 2>/dev/null && ls frame*.png | wc -l)
echo "velmora.exe ${capture[*]}: exit $status, $frames frames, $(stat -c %s "$work/windows/frames/sound.wav" 2>/dev/null || echo no) bytes of sound.wav"
if [ "$status" -ne 0 ] || [ "$frames" -ne 10 ] || [ "$(cd "$work/linux/frames" && ls)" != "$(cd "$work/windows/frames" && ls)" ]; then
  tail "$work/windows.log"; echo "FAILED: the folders hold other files"; failed=1
else
  worst=0
  for f in "$work"/linux/frames/frame*.png; do
    mae=$(compare -metric MAE "$f" "$work/windows/frames/$(basename "$f")" null: 2>&1 | sed 's/ .*//')
    worst=$(awk -v a="$worst" -v b="$mae" 'BEGIN { print (b > a) ? b : a }')
  done
  steps=$(paste <(od -An -v -td2 -w2 -j44 "$work/linux/frames/sound.wav") <(od -An -v -td2 -w2 -j44 "$work/windows/frames/sound.wav") |
          awk '{ d = $1 - $2; if (d < 0) d = -d; if (d > m) m = d } END { print m + 0 }')
  same_size=$([ "$(stat -c %s "$work/linux/frames/sound.wav")" = "$(stat -c %s "$work/windows/frames/sound.wav")" ] && echo yes)
  echo "frames under Wine against Linux's: largest mean difference $(awk -v w="$worst" 'BEGIN { printf "%.3f", w / 257 }') levels; sound.wav $([ "$same_size" = yes ] || echo "not ")as long, samples at most $steps steps apart"
  if [ "$(awk -v w="$worst" 'BEGIN { print (w / 257 < 0.5) }')" != 1 ] || [ "$same_size" != yes ] || [ "$steps" -gt 4 ]; then
    echo "FAILED: the folder's frames or sound differ from Linux's"; failed=1
  fi
fi

mkdir -p "$work/empty" && (cd "$work/empty" && "$wine" "$windows/velmora.exe" --no-launcher) >"$work/empty.raw" 2>&1
status=$?
echo "velmora.exe in an empty folder: exit $status, $(grep -c . "$work/empty.raw") line: $(head -1 "$work/empty.raw" | tr -d '\r')"
if [ "$status" -ne 2 ] || [ "$(grep -c . "$work/empty.raw")" -ne 1 ] || [ -n "$(ls -A "$work/empty")" ]; then
  echo "FAILED: an empty folder should be said in one line, status 2, nothing written"; failed=1
fi
exit $failed
