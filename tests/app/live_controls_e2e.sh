#!/usr/bin/env bash
# A performer's controls from outside the show: the printed map taken back, a bad map
# refused with its line, the show folder's controller.map used, a display that is not
# there refused with the list, and OSC from a real client (oscsend) recorded into a take
# that replays to the same frames.
set -u
exe=$1 show=$2
command -v oscsend >/dev/null || { echo "needs oscsend (liblo-tools)"; exit 1; }
work=$(mktemp -d) pid=
trap '[ -n "$pid" ] && kill -9 "$pid" 2>/dev/null; rm -rf "$work"' EXIT
for f in "$show"/*; do ln -s "$f" "$work/"; done
cd "$work" || exit 1
run() { SDL_AUDIODRIVER=dummy timeout 120 "$exe" --no-launcher --windowed --res 320x180 --no-audio --no-midi "$@" >out.txt 2>&1; }
fail() { echo "FAIL: $*"; tail -20 out.txt; exit 1; }

"$exe" --controls >map.txt || fail "--controls"
grep -q "^speed *= any 23 *# playback speed" map.txt || { cat map.txt; fail "--controls does not print the speed knob"; }
run --controller map.txt --frames 5 || fail "the printed map is not taken back"
grep -q '^Controller map: "map.txt", 16 bindings and every other' out.txt || fail "the map in use is not said"
printf 'k0 = cc 16\nk9 = cc 3\n' >bad.map
run --controller bad.map --frames 5
[ $? -eq 2 ] && [ "$(grep -c . out.txt)" -eq 1 ] && grep -q 'bad.map", line 2: no control is named "k9"' out.txt ||
  fail "a map's bad line is not refused in one line"
printf 'k0 = cc 16 ch 2  # mine\n' >controller.map
run --frames 5 || fail "the show folder's controller.map"
grep -q '^Controller map: "controller.map", 1 binding$' out.txt || fail "the show folder's map is not used"
rm controller.map
run --display 9
[ $? -eq 2 ] && grep -q "^velmora: there is no display 9; the displays: 0 " out.txt || fail "a missing display"
echo "maps and displays: ok"

# OSC into a recorded take: the speed and a shader knob move, then run stops the clock.
port=$((20000 + $$ % 20000))
run --osc-port "$port" --record osc.take --frames 900 --frame-hashes live.txt & pid=$!
for _ in $(seq 300); do grep -q "^OSC: listening" out.txt 2>/dev/null && break; sleep 0.1; done
for v in 0.2 0.7 1.0; do
  oscsend localhost "$port" /velmora/speed f "$v"; oscsend localhost "$port" /velmora/k0 i 100; sleep 0.3
done
oscsend localhost "$port" /velmora/run i 127; oscsend localhost "$port" /velmora/run i 0
oscsend localhost "$port" /velmora/nothing s x
wait "$pid"; status=$? pid=
[ "$status" -eq 0 ] || fail "the recording ended with status $status"
grep -q '"/velmora/nothing ,s" sets nothing' out.txt || fail "an unknown address is not said"
cp out.txt record.txt
run --replay osc.take --target-fps 240 --frame-hashes replayed.txt || fail "the replay"
cmp -s live.txt replayed.txt || { diff live.txt replayed.txt | head; fail "the replay's frames differ from the performance's"; }
# The clock stood still from the press of run on: the last frames all show one moment.
[ "$(tail -50 live.txt | awk '{ print $2 }' | sort -u | wc -l)" -eq 1 ] || fail "OSC's run did not stop the clock"
echo "OSC recorded and replayed: $(grep -c . live.txt) frames alike"
echo "live controls end to end: ok"
