#!/usr/bin/env bash
# Runs a Windows build's tests under Wine and sums them up. One prefix inside the build
# folder (never ~/.wine), and one wineserver kept for the whole run: every test program is
# one Windows process, and starting Wine's server and services for each would cost seconds.
# usage: wine_tests.sh BUILD_DIR [ctest options]
set -uo pipefail
build=$(cd "$1" && pwd) || exit 1
shift
export WINEPREFIX="$build/wine" WINEDEBUG=-all WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=;mshtml="
# The server and Wine's own services (started by the first program of a session) outlive
# the programs that start them: started here, they never hold a test's output pipe open,
# which would keep ctest waiting for the test to end until its timeout.
wineserver -p </dev/null >/dev/null 2>&1
trap 'wineserver -k 2>/dev/null' EXIT
# Without mscoree and mshtml a new prefix is made in seconds, with no download offered.
wineboot -i </dev/null >/dev/null 2>&1 || { echo "wineboot could not start Wine in $WINEPREFIX"; exit 1; }

# A program that hangs is tried once more: one did here once under Wine 8, after all of
# its tests had passed, and never again in the next thirty runs.
(cd "$build" && ctest --output-on-failure -j2 --repeat after-timeout:2 "$@")
status=$?

# Each test program's own count, from ctest's log of this run.
log="$build/Testing/Temporary/LastTest.log"
programs=$(grep -c '^\[==========\] .* ran\.' "$log" 2>/dev/null)
passed=$(sed -n 's/^\[  PASSED  \] \([0-9]*\) tests\?\..*/\1/p' "$log" | awk '{n += $1} END {print n + 0}')
failed=$(sed -n 's/^\[  FAILED  \] \([0-9]*\) tests\?, listed below:.*/\1/p' "$log" | awk '{n += $1} END {print n + 0}')
echo "Windows build under $(wine --version 2>/dev/null): $passed tests passed and $failed failed in $programs test programs"
grep -E '^(crt.dll under Wine|Windows tools under Wine|crt.dll exports:|Windows music decode under Wine|velmora.exe loaded by another program)' "$log" | sort -u
exit $status
