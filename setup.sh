#!/usr/bin/env bash
# One-stop set-up for a Debian 12 machine, run as root:
#   ./setup.sh run [velmora options]   install what is missing, build, and start the show
#   ./setup.sh test                    the same set-up, then the whole test suite (the
#                                      Windows build's under Wine included)
#   ./setup.sh windows [--no-data]     cross-build for Windows into dist/velmora-windows/
#                                      (with the default show data) and its zip
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
  xvfb xauth xdotool x11-utils imagemagick ffmpeg liblo-tools
  clang libclang-rt-14-dev libomp-14-dev libdraco-dev
)
# The Windows build: Debian's cross compiler and Wine to test under; the OpenGL loader
# generator and stb_image for the show's Windows build. GoogleTest's sources come with
# libgtest-dev.
windows_packages=(
  cmake ninja-build libgtest-dev
  g++-mingw-w64-x86-64-posix mingw-w64-tools wine wine64 python3-glad libstb-dev
)

install_missing() {  # install_missing PACKAGE...
  local missing=()
  for p in "$@"; do
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

# The Windows build in build-win/, configured to compare itself with the Linux build in
# build/ when tested.
build_windows() {  # build_windows TARGET
  build build-win "$1" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" -DCMAKE_BUILD_TYPE=Release \
    -DVELMORA_LINUX_BUILD="$root/build"
}

fuzz() {  # fuzz NAME SECONDS [SEED_WRITER]: runs build-fuzz's NAME_fuzz on a fresh corpus
  local name=$1 seconds=$2 seeds=${3:-} dir="$root/build-fuzz"
  build build-fuzz "${name}_fuzz"
  rm -rf "$dir/${name}_corpus" && mkdir -p "$dir/${name}_corpus"
  if [ -n "$seeds" ]; then build build-fuzz "$(basename "$seeds")"; "$dir/$seeds" "$dir/${name}_corpus"; fi
  "$dir/tests/"*"/${name}_fuzz" -max_total_time="$seconds" -timeout=2 -rss_limit_mb=512 -artifact_prefix="$dir/" \
    "$dir/${name}_corpus" >"$dir/${name}_fuzz.log" 2>&1 \
    || { tail -40 "$dir/${name}_fuzz.log"; echo "${name}_fuzz found a crash (input saved in build-fuzz/)"; exit 1; }
}

with_display() {  # a display for GL: the user's, or a virtual one
  if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then "$@"; else xvfb-run -a -s "-screen 0 1920x1080x24" "$@"; fi
}

# The default show data: made once, and again when the generator's version changes.
make_default_show() {
  local want
  want="$("$root/build/tools/velmora-data" --version) default"
  if [ "$(cat "$root/show/.velmora-data" 2>/dev/null)" != "$want" ]; then
    echo "Generating the default show data into show/ (a few minutes, once)..."
    "$root/build/tools/velmora-data" "$root/show"
  fi
}

cmd=${1:-}
shift || true
case "$cmd" in
  run)
    install_missing "${packages[@]}"
    build build all
    make_default_show
    cd "$root/show"
    exec "$root/build/velmora" "$@"
    ;;
  test)
    install_missing "${packages[@]}" "${windows_packages[@]}"
    build build all
    (cd "$root/build" && with_display ctest --output-on-failure -j2)
    # The tests that handle untrusted input again, under AddressSanitizer and UBSan.
    build build-asan sanitize_tests -DVELMORA_SANITIZE=ON -DVELMORA_BUILD_BENCH=OFF
    (cd "$root/build-asan" && ctest --output-on-failure -j2 -L sanitize)
    # The readers of untrusted input under libFuzzer for a fixed time each, seeded where a
    # seed writer exists; each input must finish within 2 s and 512 MB. The crt decoder for
    # a minute (seeded with the test streams and the header mutations of real ones), the
    # take reader for half a minute (takes of every record kind, whole, cut and with bytes
    # after their end), the OSC packet reader for 20 s.
    CC=clang CXX=clang++ build build-fuzz crt_fuzz -DVELMORA_FUZZ=ON -DVELMORA_SANITIZE=ON -DVELMORA_BUILD_BENCH=OFF
    fuzz crt 60 tests/crt/crt_seed_corpus
    fuzz take 30 tests/take/take_seed_corpus
    fuzz osc 20
    # The PLY reader for 30 s, seeded with generated header layouts and the shared PLY files.
    fuzz ply 30 tests/models/ply_seed_corpus
    # The Windows build under Wine: its unit tests, crt.dll's exports, and crt.dll and the
    # tools compared with the Linux build byte for byte. (With a display, as Wine's
    # OpenGL needs one.)
    build_windows all
    with_display "$root/tests/windows/wine_tests.sh" "$root/build-win"
    ;;
  windows)
    install_missing "${windows_packages[@]}"
    for target in crt_shared crt-encode crt-decode velmora-pack velmora-inspect velmora; do build_windows "$target"; done
    # What a Windows user gets: 64-bit programs and crt.dll, stripped, needing only
    # Windows' own DLLs, and the decoder's C header and export list.
    dist="$root/dist/velmora-windows"
    rm -rf "$dist" "$dist.zip" && mkdir -p "$dist"
    for file in velmora.exe crt.dll crt-encode.exe crt-decode.exe velmora-pack.exe velmora-inspect.exe; do
      x86_64-w64-mingw32-strip -o "$dist/$file" "$root/build-win/bin/$file"
    done
    cp "$root/crt/crt.h" "$dist/"
    # The export list, from which MSVC's lib.exe makes an import library.
    (cd "$dist" && gendef crt.dll >/dev/null 2>&1)
    # The show beside velmora.exe, which reads it from its working folder: the shaders,
    # and the default data, generated here on Linux (velmora-data is a Linux program),
    # unless --no-data asks for the programs alone.
    cp -r "$root/show/shaders" "$dist/shaders"
    rm -f "$dist"/shaders/*.xxx
    if [ "${1:-}" != "--no-data" ]; then
      install_missing "${packages[@]}"
      build build velmora-data
      make_default_show
      for item in bin.bin bin.txt music resources3 videos; do cp -r "$root/show/$item" "$dist/"; done
    fi
    # One file to hand over: unzip, double-click velmora.exe (a stored zip: the frames are
    # JPEG already and the rest is small).
    (cd "$root/dist" && python3 -m zipfile -c velmora-windows.zip velmora-windows/)
    echo "Windows build in $dist (and $dist.zip):"
    (cd "$dist" && ls -l | tail -n +2)
    ;;
  *)
    echo "usage: $0 run [velmora options] | $0 test | $0 windows" >&2
    exit 2
    ;;
esac
