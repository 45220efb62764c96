#!/usr/bin/env bash
# One-stop set-up for a Debian 12 machine, run as root:
#   ./setup.sh run [velmora options]   install what is missing, build, and start the show
#   ./setup.sh test                    the same set-up, then the whole test suite
set -euo pipefail
cd "$(dirname "$0")"
root=$(pwd)

packages=(
  cmake ninja-build g++ pkg-config
  libsdl2-dev libglew-dev libglu1-mesa-dev libgl-dev
  libopencv-core-dev libopencv-imgcodecs-dev libopencv-imgproc-dev
  libmpg123-dev librtmidi-dev libmp3lame-dev libasound2-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth xdotool x11-utils imagemagick
)

install_missing() {
  local missing=()
  for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
  fi
}

build() {  # build DIR TARGET [cmake args]
  local dir=$1 target=$2; shift 2
  if [ ! -f "$dir/build.ninja" ]; then
    cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >"$dir.configure.log" 2>&1 \
      || { cat "$dir.configure.log"; exit 1; }
  fi
  cmake --build "$dir" --target "$target" >"$dir.build.log" 2>&1 \
    || { grep -E 'error|FAILED' -A3 "$dir.build.log" | head -60; exit 1; }
}

with_display() {  # a display for GL: the user's, or a virtual one
  if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then "$@"; else xvfb-run -a -s "-screen 0 1920x1080x24" "$@"; fi
}

cmd=${1:-}
shift || true
case "$cmd" in
  run)
    install_missing
    build build all
    cd "$root/show"
    exec "$root/build/velmora" "$@"
    ;;
  test)
    install_missing
    build build all
    (cd "$root/build" && with_display ctest --output-on-failure -j2)
    # The tests that handle untrusted input again, under AddressSanitizer and UBSan.
    build build-asan sanitize_tests -DVELMORA_SANITIZE=ON -DVELMORA_BUILD_BENCH=OFF
    (cd "$root/build-asan" && ctest --output-on-failure -j2 -L sanitize)
    ;;
  *)
    echo "usage: $0 run [velmora options] | $0 test" >&2
    exit 2
    ;;
esac
