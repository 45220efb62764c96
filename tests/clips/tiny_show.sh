#!/usr/bin/env bash
# Makes the tiny show pack the scene tests play (once per generator version), with the
# tracked shaders linked in, as a show folder would have them.
set -eu
gen=$1 dir=$2 shaders=$3
want="$("$gen" --version) tiny"
if [ "$(cat "$dir/.velmora-data" 2>/dev/null)" != "$want" ]; then
  mkdir -p "$dir"
  "$gen" --tiny "$dir" >"$dir.log" 2>&1 || { tail -20 "$dir.log"; exit 1; }
fi
ln -sfn "$shaders" "$dir/shaders"
