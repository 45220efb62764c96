#!/usr/bin/env bash
# The look test: the contact sheet of the tiny show at 128 x 72 against the reference kept in
# the repository, scene by scene, on structure and on colour. The limits are tighter than
# velmora-sheet-compare's defaults (the rule for a change that keeps the look): llvmpipe's
# rounding moves a sheet by far less, and one grading constant or one knob's designed
# value moved by a third already shifts a scene's mean by 2 levels; the test shows that it
# notices such a move every time it runs.
# With --update it rewrites the reference and its figures instead, for a change of look made
# on purpose; the figures' diff shows the reviewer which scenes changed and how.
set -u
exe=$1 compare=$2 pack=$3 reference=$4 mode=${5:-}
if [ -z "${DISPLAY:-}" ]; then
  command -v xvfb-run >/dev/null || { echo "needs an X display or xvfb-run"; exit 1; }
  exec xvfb-run -a -s "-screen 0 1920x1080x24" "$0" "$@"
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The pack without a camera file another run may have left: the sheet uses the initial camera.
mkdir "$work/show"
for f in "$pack"/*; do
  [ "$(basename "$f")" = FreeCam.bin ] || ln -s "$(readlink -f "$f")" "$work/show/"
done
limits=(--min 0.99 --max-mean 1.5 --max-contrast 0.05)

sheet() {
  "$exe" --data "$work/show" --contact-sheet "$work/$1" --res 128x72 >"$work/log.txt" 2>&1 && return
  echo "FAIL: the contact sheet was not written"
  tail -20 "$work/log.txt"
  exit 1
}

sheet sheet.png
if [ "$mode" = --update ]; then
  cp "$work/sheet.png" "$reference" && "$compare" --describe "$reference" >"${reference%.png}.txt" || exit 1
  echo "look reference rewritten: $reference and ${reference%.png}.txt"
  exit 0
fi
"$compare" "$reference" "$work/sheet.png" "${limits[@]}" || exit 1

# The same sheet with the print a shade darker in the mid-tones must fail.
rm "$work/show/shaders"
cp -r "$(readlink -f "$pack/shaders")" "$work/show/shaders"
sed -i 's/y \* (0\.74 + 0\.26 \* y)/y * (0.7 + 0.3 * y)/' "$work/show/shaders/film.cpp"
if cmp -s "$work/show/shaders/film.cpp" "$pack/shaders/film.cpp"; then
  echo "FAIL: the print curve's constant to move for the check is no longer in film.cpp; pick another"
  exit 1
fi
sheet darker.png
if "$compare" "$reference" "$work/darker.png" "${limits[@]}" >"$work/darker.txt"; then
  echo "FAIL: a darker print curve passed the look test"
  exit 1
fi
echo "a darker print curve fails it: $(tail -1 "$work/darker.txt")"
