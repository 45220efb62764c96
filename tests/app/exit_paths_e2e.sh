#!/usr/bin/env bash
# Every way out of a show that plays music ends with status 0: --frames, SIGINT, SIGTERM,
# Escape and the end of the show (a window close takes Escape's path; without a window
# manager here nothing can ask for one). The audio device must be closed before
# the decoded track is freed; a sanitizer build of the executable reports it otherwise.
set -um  # job control: a background show must not start with SIGINT ignored
exe=$1 show=$2
if [ -z "${DISPLAY:-}" ]; then echo "needs an X display (run the suite under xvfb-run)"; exit 1; fi
[ -f "$show/music/Zo-velmora.mp3" ] || { echo "needs the tiny show pack at $show"; exit 1; }
work=$(mktemp -d)
pid=
cleanup() { [ -n "$pid" ] && kill -9 "$pid" 2>/dev/null; rm -rf "$work"; }
trap cleanup EXIT
for f in "$show"/*; do ln -s "$f" "$work/"; done
cd "$work" || exit 1
export SDL_AUDIODRIVER=dummy

start() {  # the show in the background, with music, timed
  "$exe" --no-launcher --windowed --res 320x180 --timing "$@" >out.txt 2>&1 &
  pid=$!
}
finish() {  # finish NAME: waits for the exit and checks it
  for _ in $(seq 600); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  kill -0 "$pid" 2>/dev/null && { echo "FAIL ($1): still running"; tail -20 out.txt; exit 1; }
  wait "$pid"; local status=$?
  pid=
  [ "$status" -eq 0 ] || { echo "FAIL ($1): exit status $status"; tail -30 out.txt; exit 1; }
  grep -qE "^music: [0-9]+ seeks" out.txt || { echo "FAIL ($1): the music did not play"; tail -20 out.txt; exit 1; }
  echo "$1: exit 0"
}
playing() {  # waits for the first saved camera: frame 30 has been drawn
  rm -f FreeCam.bin
  for _ in $(seq 1200); do [ -e FreeCam.bin ] && return 0; sleep 0.1; done
  echo "FAIL: the show never reached frame 30"; tail -20 out.txt; exit 1
}
window() { xdotool search --name "Velmora" 2>/dev/null | head -1; }

start --frames 40; finish "--frames"
start; playing; kill -INT "$pid"; finish "SIGINT"
start; playing; kill -TERM "$pid"; finish "SIGTERM"
start --start 295.5; finish "end of the show"
if command -v xdotool >/dev/null; then
  start; playing; xdotool key --window "$(window)" Escape; finish "Escape"
fi
echo "exit paths end to end: ok"
