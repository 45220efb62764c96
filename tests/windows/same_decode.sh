#!/usr/bin/env bash
# crt.dll under Wine and libcrt.so decode every test stream, and damaged copies of each,
# to the same bytes: both builds of crt_decode_dump write all that the exported functions
# give back (results, counts, error texts, every output array with guard bytes after it)
# into a pipe each, and cmp reads the two side by side. Nothing is stored on disk.
# usage: same_decode.sh LINUX_BUILD WINDOWS_BIN WINE TESTDATA WORK
set -uo pipefail
linux=$1 windows=$2 wine=$3 testdata=$4 work=$5
rm -rf "$work" && mkdir -p "$work/streams" || exit 1
cd "$work" || exit 1

# The decoder tests' streams and the fuzzer's seeds (header mutations of real streams)...
"$linux/tests/crt/crt_seed_corpus" streams || exit 1
# ...and the shared meshes, as the Linux encoder writes them.
for mesh in "$testdata"/meshes/*.ply "$testdata"/meshes/*.obj "$testdata"/obj/*.obj "$testdata"/ply/*.ply; do
  [ -f "$mesh" ] && "$linux/tools/crt-encode" "$mesh" "streams/mesh_$(basename "$mesh").crt" >/dev/null 2>&1
done
ls streams/*.crt >list.txt

mkfifo linux.pipe windows.pipe || exit 1
"$linux/tests/crt/crt_decode_dump" linux.pipe list.txt >linux.count &
linux_dump=$!
"$wine" "$windows/crt_decode_dump.exe" windows.pipe list.txt >windows.count &
windows_dump=$!
timeout 900 cmp linux.pipe windows.pipe
same=$?
wait $linux_dump; linux_status=$?
wait $windows_dump; windows_status=$?
if [ $same -ne 0 ] || [ $linux_status -ne 0 ] || [ $windows_status -ne 0 ]; then
  echo "FAILED: the decodes differ (cmp $same) or a dump failed (libcrt.so $linux_status, crt.dll $windows_status)"
  exit 1
fi
count=$(tr -d '\r' <linux.count)
if [ "$count" != "$(tr -d '\r' <windows.count)" ]; then
  echo "FAILED: $count with libcrt.so, $(tr -d '\r' <windows.count) with crt.dll"
  exit 1
fi
echo "crt.dll under Wine and libcrt.so: identical output for $count (each as written, cut short and with bits flipped)"
