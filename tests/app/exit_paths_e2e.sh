#!/usr/bin/env bash
# Every way out of a show that plays music ends with status 0: --frames, SIGINT, SIGTERM,
# Escape and the end of the show (a window close takes Escape's path). The audio device
# must be closed before the decoded track is freed: a sanitizer build would report it.
set -um  # job control: a background show must not start with SIGINT ignored
exe=$1 show=$2
[ -n "${DISPLAY:-}" ] && [ -f "$show/music/Zo-velmora.mp3" ] || { echo "needs an X display and the tiny show"; exit 1; }
work=$(mktemp -d) pid=
trap '[ -n "$pid" ] && kill -9 "$pid" 2>/dev/null; rm -rf "$work"' EXIT
for f in "$show"/*; do ln -s "$f" "$work/"; done
cd "$work" || exit 1
start() { rm -f FreeCam.bin; SDL_AUDIODRIVER=dummy "$exe" --no-launcher --windowed --res 320x180 --timing "$@" >out.txt 2>&1 & pid=$!; }
playing() {  # until frame 30 has saved the camera
  for _ in $(seq 1200); do [ -e FreeCam.bin ] && return 0; sleep 0.1; done
  echo "FAIL: the show never reached frame 30"; tail -20 out.txt; exit 1
}
finish() {
  for _ in $(seq 600); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  kill -0 "$pid" 2>/dev/null && { echo "FAIL ($1): still running"; exit 1; }
  wait "$pid"; local status=$?; pid=
  [ "$status" -eq 0 ] || { echo "FAIL ($1): exit status $status"; tail -30 out.txt; exit 1; }
  grep -qE "^music: [0-9]+ seeks" out.txt || { echo "FAIL ($1): no music played"; tail -20 out.txt; exit 1; }
  echo "$1: exit 0"
}
echo "left by a killed run" >FreeCam.bin.2147483000.tmp
start --frames 40; finish "--frames"
[ -e FreeCam.bin.2147483000.tmp ] && { echo "FAIL: a dead run's temporary camera file was not removed"; exit 1; }
# Outputs that would destroy an input or wait on a pipe are refused at once, in one line.
before=$(cksum <bin.bin) && mkfifo pipe
refused() {  # expected status 2, one line naming the file, and bin.bin as it was
  timeout 60 "$exe" --no-launcher --windowed --res 320x180 --no-audio "$@" >out.txt 2>&1
  local status=$?
  [ "$status" -eq 2 ] && [ "$(grep -c . out.txt)" -eq 1 ] && [ "$(cksum <bin.bin)" = "$before" ] ||
    { echo "FAIL ($*): status $status"; cat out.txt; exit 1; }
  echo "$*: $(cat out.txt)"
}
refused --contact-sheet bin.bin
refused --plot-edit ./bin.txt
refused --dump-edit pipe
start; playing; kill -INT "$pid"; finish "SIGINT"
start; playing; kill -TERM "$pid"; finish "SIGTERM"
start --start 295.5; finish "end of the show"
start; playing; xdotool key --window "$(xdotool search --pid "$pid" --name Velmora | head -1)" Escape; finish "Escape"
# A track cut short plays, and says that the show goes on in silence after it.
rm music && mkdir music && head -c 200000 "$show/music/Zo-velmora.mp3" >music/Zo-velmora.mp3
start --frames 40; finish "a cut track"
grep -qE "holds [0-9.]+ s of music, and the show runs 296 s" out.txt || { echo "FAIL: the cut track is not said"; exit 1; }
echo "exit paths end to end: ok"
