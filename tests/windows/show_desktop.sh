#!/usr/bin/env bash
# The show on a Windows desktop, under Wine on an X server of 1920 x 1080: each check is
# named after the fault it catches. Wine here cannot change the display's mode, has no task
# bar for Alt+Tab and no console window to close: the mode coming back, Alt+Tab itself and
# a closing console are not tried (another program coming to the front stands for Alt+Tab).
# usage: show_desktop.sh WINE WINDOWS_BIN
set -um  # job control: a background show must not start with SIGINT ignored
wine=$1 bin=$2
exe="$bin/velmora.exe" probe="$bin/window_probe.exe"
[ -n "${DISPLAY:-}" ] || { echo "needs an X display (run the suite under xvfb-run)"; exit 1; }
work=$(mktemp -d) pid=
trap '[ -n "$pid" ] && kill -9 "$pid" 2>/dev/null; rm -rf "$work"' EXIT
cd "$work" || exit 1
mkdir shaders && touch bin.txt bin.bin  # a show, if an empty one
failed=0 check=

fail() { echo "FAIL ($check): $*"; tr -d '\r' <out.txt | grep -av '^$' | tail -5; failed=1; }
said() { tr -d '\r' <out.txt | grep -aF -- "$1"; }
start() { "$wine" "$exe" --no-launcher --no-audio --no-midi "$@" >out.txt 2>&1 & pid=$!; }
window() {  # the show's window, once it has been up for a second
  for _ in $(seq 600); do
    id=$(xdotool search --name "Velmora by" 2>/dev/null | head -1)
    [ -n "$id" ] && { sleep 1; return 0; }
    sleep 0.1
  done
  return 1
}
size() { xdotool getwindowgeometry "$id" | sed -n 's/.*Geometry: //p'; }
alt_enter() { xdotool windowfocus "$id"; xdotool keydown alt; xdotool key Return; xdotool keyup alt; sleep 1; }
stop() {  # Ctrl-C, as Wine passes SIGINT on to the program's console handler
  kill -INT "$pid" 2>/dev/null
  for _ in $(seq 150); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  kill -9 "$pid" 2>/dev/null
  wait "$pid"; status=$?; pid=
}

check=windowed_1920x1080_fits_the_work_area
start --windowed --res 1920x1080
if window; then
  "$wine" "$probe" fits | tr -d '\r' || fail "the window does not fit"
  said "velmora: a 1920x1080 window does not fit the " || fail "the size chosen is not said"
else fail "no window"; fi
stop

check=alt_enter_toggles_full_screen
start --windowed --res 640x360
if window; then
  alt_enter; [ "$(size)" = 1920x1080 ] || fail "Alt+Enter gave $(size), not the display's 1920x1080"
  alt_enter; [ "$(size)" = 640x360 ] || fail "Alt+Enter again gave $(size), not 640x360"
else fail "no window"; fi
stop

check=full_screen_steps_aside_for_another_program
start --res 640x360
if window; then "$wine" "$probe" steps-aside | tr -d '\r' || fail "the show stayed in front, or did not come back"
else fail "no window"; fi
stop

# Ctrl-C ended the process at once: the take was cut, the exit handlers never ran.
check=ctrl_c_ends_the_show_cleanly
rm -f FreeCam.bin
start --windowed --res 320x180 --record ctrl-c.take
for _ in $(seq 600); do [ -e FreeCam.bin ] && break; sleep 0.1; done  # frame 30 reached
stop
[ "$status" -eq 0 ] || fail "exit status $status"
said "ended by Ctrl-C or a termination signal" >/dev/null || fail "the take has no closing record"
[ -s ctrl-c.take ] || fail "no take"

# With its console hidden (started from Explorer), a fatal error left nothing on screen.
# `script` gives the show a console of its own, as Explorer does; with its output in a pipe
# (no console), nothing may wait for a click.
check=fatal_error_shown_when_the_console_is_hidden
script -qec "$wine $exe --no-launcher --windowed --res 16384x16384 --frames 1" /dev/null >out.txt 2>&1 </dev/null &
pid=$!
box=
for _ in $(seq 300); do box=$(xdotool search --name '^Velmora$' 2>/dev/null | head -1); [ -n "$box" ] && break; sleep 0.1; done
if [ -n "$box" ]; then
  sleep 0.5
  kill -0 "$pid" 2>/dev/null || fail "the show did not wait for the box"
  xdotool windowfocus "$box"; xdotool key --window "$box" Return
else fail "no message box"; fi
for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$pid" 2>/dev/null && fail "still running after the box was closed"
kill -9 "$pid" 2>/dev/null; wait "$pid"; status=$?; pid=
[ "$status" -eq 2 ] || fail "exit status $status"
timeout 60 "$wine" "$exe" --no-launcher --windowed --res 16384x16384 --frames 1 >out.txt 2>&1
status=$?
[ "$status" -eq 2 ] && said "velmora: cannot render the show here: the size 16384x16384" >/dev/null ||
  fail "without a console: status $status"

# Names were printed as "caf\xc3\xa9"; control characters stay escaped. (Wine takes the
# command line in the locale's encoding.)
check=names_print_as_text
LC_ALL=C.UTF-8 timeout 60 "$wine" "$exe" --no-launcher --data $'caf\xc3\xa9\e' >out.txt 2>&1
said $'cannot enter the show directory "caf\xc3\xa9\\x1b"' >/dev/null || fail "the name is not shown as text"

[ "$failed" -eq 0 ] && echo "the show on a Windows desktop under Wine: ok"
exit $failed
