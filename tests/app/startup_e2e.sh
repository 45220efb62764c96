#!/usr/bin/env bash
# Start-up without a sound card or MIDI sequencer: the show loads, runs a fixed number of
# frames and exits 0; the camera file is written every 30 frames. In a folder without the
# show it stops at once and says so.
set -u
exe=$1
if [ -z "${DISPLAY:-}" ]; then echo "needs an X display (run the suite under xvfb-run)"; exit 1; fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
run() { timeout 120 "$exe" --no-launcher --windowed --res 320x180 --frames "$1" >out.txt 2>err.txt; }

# An empty folder holds no show: one line says so and how to name the show's folder, with
# status 2, before any window opens, and nothing is written there. So does a show's folder
# without its shaders; one without its frame archive plays (see show_end_e2e.sh).
for way in "" "--contact-sheet sheet.png" "--capture frames/"; do
  # shellcheck disable=SC2086
  timeout 60 "$exe" --no-launcher --windowed --res 320x180 --frames 5 $way >out.txt 2>err.txt
  status=$?
  [ "$status" -eq 2 ] || { echo "FAIL: status $status in an empty folder ($way)"; cat out.txt err.txt; exit 1; }
  [ "$(cat out.txt err.txt | grep -c .)" -eq 1 ] || { echo "FAIL: not one line ($way)"; cat out.txt err.txt; exit 1; }
  grep -qF "there is no show in \"$work\" (no shaders/, bin.txt or bin.bin); run velmora in the show's folder, or name that folder with --data DIR" err.txt ||
    { echo "FAIL: the line does not say it"; cat err.txt; exit 1; }
  [ "$(ls -A | grep -cv '^out.txt$\|^err.txt$')" -eq 0 ] || { echo "FAIL: files written in an empty folder ($way)"; ls -A; exit 1; }
done
touch bin.txt bin.bin
timeout 60 "$exe" --no-launcher --windowed --res 320x180 --frames 5 >out.txt 2>err.txt
[ $? -eq 2 ] && grep -qF "holds no shaders/ folder" err.txt || { echo "FAIL: the missing shaders not said"; cat err.txt; exit 1; }
# From here on the folder is a show without a single picture, model or shader source.
mkdir shaders

run 29 || { echo "FAIL: exit status $? after 29 frames"; cat out.txt err.txt; exit 1; }
[ ! -e FreeCam.bin ] || { echo "FAIL: camera file written before frame 30"; exit 1; }
run 60 || { echo "FAIL: exit status $? after 60 frames"; cat out.txt err.txt; exit 1; }
size=$(stat -c %s FreeCam.bin 2>/dev/null || echo 0)
[ "$size" -eq 292 ] || { echo "FAIL: FreeCam.bin is $size bytes"; exit 1; }
for line in "======== MidiIn::printDeviceNames() ========" "MidiIn::start() : midiInOpen() failed...err=" \
            "nano_kontrol2.start() failed..." "the show runs silently on its own clock."; do
  grep -qF -- "$line" out.txt || { echo "FAIL: no line \"$line\""; cat out.txt; exit 1; }
done
# The camera resumes from the file: a run without input writes it back unchanged.
cp FreeCam.bin saved.bin
run 30 || exit 1
cmp -s FreeCam.bin saved.bin || { echo "FAIL: camera file changed without input"; exit 1; }
# A camera file that cannot be written is said once, and the show goes on.
rm -f FreeCam.bin && mkdir FreeCam.bin
run 61 || { echo "FAIL: exit status $? with an unwritable camera file"; cat out.txt err.txt; exit 1; }
[ "$(grep -c "FreeCam.bin cannot be written" out.txt)" -eq 1 ] || { echo "FAIL: no single line on the camera"; cat out.txt; exit 1; }
# A size the machine cannot render is refused before any window or target exists.
timeout 60 "$exe" --no-launcher --windowed --res 16384x16384 --frames 1 >out.txt 2>err.txt
status=$?
[ "$status" -eq 2 ] || { echo "FAIL: an oversized window gave status $status"; cat out.txt err.txt; exit 1; }
grep -qF "the size 16384x16384" err.txt || { echo "FAIL: the refusal names no size"; cat err.txt; exit 1; }
# A window larger than the screen, borders included, is made smaller to fit it, its shape
# kept, and said in one line.
timeout 60 "$exe" --no-launcher --windowed --res 2560x1440 --frames 3 >out.txt 2>err.txt ||
  { echo "FAIL: exit status $? for a window larger than the screen"; cat out.txt err.txt; exit 1; }
grep -qF "velmora: a 2560x1440 window does not fit the 1920x1080 free on the screen; it opens at 1920x1080" out.txt ||
  { echo "FAIL: the window's size is not said"; grep velmora: out.txt err.txt; exit 1; }
# Names that are not files: pipes that never deliver, devices that never end. Each is said
# in a line and passed over; the show starts at once and memory stays put.
mkdir -p hostile/resources3 hostile/videos hostile/music hostile/shaders
( cd hostile
  mkfifo resources3/scul2.ply resources3/box.obj bin.txt FreeCam.bin videos/overlay.jpg music/Zo-velmora.mp3 \
         shaders/f_simpleblur.cpp
  ln -s /dev/zero resources3/scul1.ply; ln -s /dev/zero resources3/avatar_female_walk.bvh
  ln -s /dev/urandom resources3/Terrain.obj; ln -s /dev/zero bin.bin )
( ulimit -v 4000000; cd hostile && SDL_AUDIODRIVER=dummy timeout 60 "$exe" --no-launcher --windowed --res 320x180 \
    --frames 3 --no-midi >../out.txt 2>../err.txt )
status=$?
[ "$status" -eq 0 ] || { echo "FAIL: status $status with pipes and devices in the show's folder"; tail out.txt err.txt; exit 1; }
lines=$(grep -c "not a regular file" out.txt)
[ "$lines" -ge 9 ] || { echo "FAIL: $lines lines name what is not a file"; cat out.txt; exit 1; }
# A folder name reaches the terminal escaped.
timeout 60 "$exe" --no-launcher --data $'nowhere\e[2J' --frames 1 >out.txt 2>err.txt
[ $? -eq 2 ] && grep -qF 'nowhere\x1b[2J' err.txt || { echo "FAIL: --data shown unescaped"; cat -v err.txt; exit 1; }
# A name in UTF-8 is printed as text where the locale is UTF-8, escaped where it is not.
LC_ALL=C.UTF-8 timeout 60 "$exe" --no-launcher --data $'caf\xc3\xa9\e' --frames 1 >out.txt 2>err.txt
[ $? -eq 2 ] && grep -qF $'"caf\xc3\xa9\\x1b"' err.txt || { echo "FAIL: a UTF-8 name not shown as text"; cat -v err.txt; exit 1; }
LC_ALL=C timeout 60 "$exe" --no-launcher --data $'caf\xc3\xa9' --frames 1 >out.txt 2>err.txt
[ $? -eq 2 ] && grep -qF 'caf\xc3\xa9' err.txt || { echo "FAIL: a UTF-8 name not escaped in the C locale"; cat -v err.txt; exit 1; }
echo "start-up end to end: ok"
