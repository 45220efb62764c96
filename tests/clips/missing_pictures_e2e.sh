#!/usr/bin/env bash
# Names the show asks for that bin.txt does not hold are said: the tiny show with its first
# scene's sequence written with backslashes (as an index written by hand on Windows would
# have it) says so once while it plays and sums it up at the end and in --timing, with the
# names bin.txt holds instead; the tiny show as packed says nothing of the kind.
set -u
exe=$1 pack=$2
if [ -z "${DISPLAY:-}" ]; then
  command -v xvfb-run >/dev/null || { echo "needs an X display or xvfb-run"; exit 1; }
  exec xvfb-run -a -s "-screen 0 1920x1080x24" "$0" "$@"
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/show"
for f in "$pack"/*; do
  case "$(basename "$f")" in FreeCam.bin | bin.txt) ;; *) ln -s "$(readlink -f "$f")" "$work/show/" ;; esac
done
fail() { echo "FAIL: $1"; tail -20 "$work/out.txt"; exit 1; }

play() {
  "$exe" --data "$work/show" --no-launcher --windowed --res 320x180 --no-audio --no-midi --frames 30 --timing \
    >"$work/out.txt" 2>&1 || fail "exit status $?"
}

cp "$pack/bin.txt" "$work/show/bin.txt"
play
! grep -q "does not hold\|names not in" "$work/out.txt" || fail "the show as packed said a name is missing"

# The show starts in the scene of c://videos//output6.
sed 's|^c://videos//output6|c:\\videos\\output6|' "$pack/bin.txt" >"$work/show/bin.txt"
play
first='bin.txt does not hold "c://videos//output6[0-9]*_n.jpg" (bin.txt has "c:\\videos\\output6[0-9]*_n.jpg")'
[ "$(grep -c "^Frames: $first" "$work/out.txt")" = 1 ] || fail "the first missing name was not said once"
grep -q '^Frames: the show asked for [0-9]* names bin.txt does not hold: "c://videos//output6' "$work/out.txt" ||
  fail "no summary at the end"
grep -q "^pictures: .*; [0-9]* names not in bin.txt$" "$work/out.txt" || fail "not counted in the --timing report"
[ "$(grep -c "does not hold" "$work/out.txt")" = 2 ] || fail "said more than once a run"
echo "missing pictures end to end: ok"
