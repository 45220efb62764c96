#!/usr/bin/env bash
# The tools built for Windows, run under Wine, write the same files as the Linux tools:
# crt-encode's streams, crt-decode's PLY and OBJ, velmora-pack's archive (rewriting an
# existing archive included, and UTF-8 file names), and print the same reports, line
# ends aside (a Windows program's text output ends its lines with CR LF).
# usage: same_tools.sh LINUX_BUILD WINDOWS_BIN WINE TESTDATA WORK
set -uo pipefail
linux=$1 windows=$2 wine=$3 testdata=$4 work=$5
# Wine takes the command line in the locale's encoding: UTF-8, as the programs expect.
export LC_ALL=C.UTF-8
rm -rf "$work" && mkdir -p "$work/linux" "$work/windows" || exit 1
cd "$work" || exit 1
files=0 reports=0 failed=0

# Runs the tool in both builds, each in its own folder with the same relative paths;
# keeps the exit status and the report with LF line ends.
run_windows() {  # run_windows TOOL ARGS...
  local tool=$1; shift
  (cd windows && "$wine" "$windows/$tool.exe" "$@" 2>&1 | tr -d '\r' >report.txt; echo "exit ${PIPESTATUS[0]}" >>report.txt)
}
both() {  # both TOOL ARGS...
  local tool=$1; shift
  (cd linux && "$linux/tools/$tool" "$@" >report.txt 2>&1; echo "exit $?" >>report.txt)
  run_windows "$tool" "$@"
  # A fault Wine itself reports is tried once more: one appeared once in a fresh prefix (on
  # a BVH report whose every line and exit status matched Linux's), and never again in a
  # hundred runs. A fault of the program's own comes back and still fails.
  if grep -q '^wine: Unhandled' windows/report.txt && ! cmp -s linux/report.txt windows/report.txt; then
    echo "note: Wine reported a fault running $tool $*; run again"
    run_windows "$tool" "$@"
  fi
  reports=$((reports + 1))
  if ! cmp -s linux/report.txt windows/report.txt; then
    echo "FAILED: $tool $* reports differently:"
    diff linux/report.txt windows/report.txt | head -10
    failed=1
  fi
}
same_file() {  # same_file PATH (relative to both folders)
  files=$((files + 1))
  if [ ! -f "linux/$1" ] || ! cmp -s "linux/$1" "windows/$1"; then
    echo "FAILED: $1 differs (or is missing)"
    failed=1
  fi
}

meshes=()
for mesh in "$testdata"/meshes/*.ply "$testdata"/meshes/*.obj "$testdata"/obj/*.obj "$testdata"/ply/*.ply; do
  [ -f "$mesh" ] && meshes+=("$mesh")
done
for mesh in "${meshes[@]}"; do
  name=$(basename "$mesh")
  both crt-encode "$mesh" "$name.crt"
  [ -f "linux/$name.crt" ] || continue
  same_file "$name.crt"
  both crt-decode "$name.crt" "$name.ply"
  same_file "$name.ply"
  both crt-decode "$name.crt" "$name.obj"
  same_file "$name.obj"
  both velmora-inspect "$mesh"
done
for bvh in "$testdata"/bvh/*.bvh; do
  [ -f "$bvh" ] && both velmora-inspect "$bvh"
done

# A file name outside ASCII, given on the command line.
name=$(printf 'c\xc3\xb4t\xc3\xa9')
for side in linux windows; do
  printf 'v 0 0 0\nv 1 0 0\nv 0 1 0\nv 1 1 1\nf 1 2 3\nf 2 4 3\n' >"$side/$name.obj"
done
both crt-encode "$name.obj" "$name.crt"
same_file "$name.crt"
both crt-decode "$name.crt" "$name.ply"
same_file "$name.ply"

# Frames to pack: numbered pictures with some contents twice (stored once), a manifest
# with a UTF-8 file name, then the same archive packed again over the first. The frames
# are one 16 x 8 JPEG told apart by a comment segment; the still is an 8 x 4 PNG.
jpeg=/9j/4AAQSkZJRgABAQAAAQABAAD/2wBDAAUDBAQEAwUEBAQFBQUGBwwIBwcHBw8LCwkMEQ8SEhEPERETFhwXExQaFRERGCEYGh0dHx8fExciJCIeJBweHx7/2wBDAQUFBQcGBw4ICA4eFBEUHh4eHh4eHh4eHh4eHh4eHh4eHh4eHh4eHh4eHh4eHh4eHh4eHh4eHh4eHh4eHh4eHh7/wAARCAAIABADASIAAhEBAxEB/8QAFQABAQAAAAAAAAAAAAAAAAAAAAT/xAAUEAEAAAAAAAAAAAAAAAAAAAAA/8QAFQEBAQAAAAAAAAAAAAAAAAAABgf/xAAUEQEAAAAAAAAAAAAAAAAAAAAA/9oADAMBAAIRAxEAPwCIBSBx/9k=
png=iVBORw0KGgoAAAANSUhEUgAAAAgAAAAECAIAAAA8r+mnAAAARElEQVR42g3JMQHAQAwDMSMJEiMJEo+H4pEYSRC1WiWJERYrIp6oOCGZMTZrYp6pOf8RJjhsSHih4fJHmeKyJeWVlisfuy4oYWMj9UUAAAAASUVORK5CYII=
for side in linux windows; do
  mkdir -p "$side/frames" "$side/stills"
  for n in $(seq 0 39); do
    { printf '\xff\xd8\xff\xfe\x00\x16frame %02d of the pack' $((n % 25)); base64 -d <<<"$jpeg" | tail -c +3; } \
      >"$side/frames/fog$(printf %05d $n).jpg"
  done
  echo "not a frame" >"$side/frames/notes.txt"
  base64 -d <<<"$png" >"$side/stills/$(printf '\xc3\xa9t\xc3\xa9').png"
  printf '# stills\nvideos//summer.png stills/\xc3\xa9t\xc3\xa9.png\n' >"$side/stills.txt"
done
both velmora-pack -o bin -f frames "c://videos//" -m stills.txt
same_file bin.txt
same_file bin.bin
cp windows/bin.bin windows/first.bin
both velmora-pack -o bin -f frames "c://videos//" -m stills.txt
same_file bin.txt
same_file bin.bin
if ! cmp -s windows/bin.bin windows/first.bin || ls windows | grep -q '\.tmp'; then
  echo "FAILED: packing over an existing archive did not give the same archive, or left temporaries"
  failed=1
fi

[ $failed -eq 0 ] && echo "Windows tools under Wine: $files files and $reports reports identical to the Linux tools' (${#meshes[@]} meshes)"
exit $failed
