#!/usr/bin/env bash
# The show near its end: started at 290 s it plays on and exits 0 by itself shortly after
# 296 s, with no frame archive at all and with a small one (its frames decode and show).
set -u
exe=$1 pack=$2
if [ -z "${DISPLAY:-}" ]; then echo "needs an X display (run the suite under xvfb-run)"; exit 1; fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
mkdir shaders  # a show's folder, if one without a single shader source

play() {
  local start=$SECONDS
  timeout 90 "$exe" --no-launcher --windowed --res 320x180 --start 290 --no-audio --no-midi >out.txt 2>&1
  local status=$? took=$((SECONDS - start))
  [ "$status" -eq 0 ] || { echo "FAIL ($1): exit status $status"; tail -20 out.txt; exit 1; }
  # 6 s of show plus loading; a run that ended at once or hung would miss this window.
  [ "$took" -ge 5 ] && [ "$took" -le 60 ] || { echo "FAIL ($1): ended after $took s"; exit 1; }
  echo "$1: ended by itself after $took s"
}

play "no archive"

# A small archive: one picture under every grain name and under the frames of the
# credits-time sequence.
convert -size 64x36 gradient:red-blue frame.jpg
: >manifest.txt
for n in $(seq 1 10000); do printf 'c://videos//outputN%05d_n.jpg frame.jpg\n' "$n"; done >>manifest.txt
for n in $(seq 1 200); do printf 'c://videos//outputMRI%05d_n.jpg frame.jpg\n' "$n"; done >>manifest.txt
"$pack" -o bin -m manifest.txt >pack.txt 2>&1 || { echo "FAIL: packing"; cat pack.txt; exit 1; }
play "small archive"
echo "show end end to end: ok"
