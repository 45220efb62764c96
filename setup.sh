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
  libmpg123-dev librtmidi-dev libmp3lame-dev libasound2-dev libturbojpeg0-dev
  libavcodec-dev libavformat-dev libswscale-dev libswresample-dev libavutil-dev zlib1g-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth xdotool x11-utils imagemagick
  clang libclang-rt-14-dev libomp-14-dev libdraco-dev
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
    # The default show data: made once, and again when the generator's version changes.
    want="$("$root/build/tools/velmora-data" --version) default"
    if [ "$(cat "$root/show/.velmora-data" 2>/dev/null)" != "$want" ]; then
      echo "Generating the default show data into show/ (a few minutes, once)..."
      "$root/build/tools/velmora-data" "$root/show"
    fi
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
    # The crt decoder under libFuzzer for a fixed minute, seeded with the test streams and
    # the header mutations of real ones; each input must finish within 2 s and 512 MB.
    CC=clang CXX=clang++ build build-fuzz crt_fuzz -DVELMORA_FUZZ=ON -DVELMORA_SANITIZE=ON -DVELMORA_BUILD_BENCH=OFF
    build build-fuzz crt_seed_corpus
    rm -rf "$root/build-fuzz/crt_corpus" && mkdir -p "$root/build-fuzz/crt_corpus"
    "$root/build-fuzz/tests/crt/crt_seed_corpus" "$root/build-fuzz/crt_corpus"
    "$root/build-fuzz/tests/crt/crt_fuzz" -max_total_time=60 -timeout=2 -rss_limit_mb=512 \
      -artifact_prefix="$root/build-fuzz/" "$root/build-fuzz/crt_corpus" >"$root/build-fuzz/crt_fuzz.log" 2>&1 \
      || { tail -40 "$root/build-fuzz/crt_fuzz.log"; echo "crt_fuzz found a crash (input saved in build-fuzz/)"; exit 1; }
    ;;
  *)
    echo "usage: $0 run [velmora options] | $0 test" >&2
    exit 2
    ;;
esac
