#!/usr/bin/env bash
# The music as the Windows build decodes it under Wine (the system's ACM MP3 codec) against
# the Linux build's (libmpg123): the same number of frames, gapless, and the same samples
# within the decoders' rounding. On test tones made by LAME (with and without the tag that
# carries the encoder delay; 48, 44.1, 32 and 22.05 kHz; mono and stereo) and on the
# default show's music.
# usage: same_music.sh LINUX_BUILD WINDOWS_BIN WINE WORK [SHOW_MP3 ...] (the first that exists)
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
linux=$1 windows=$2 wine=$3 work=$4
show_mp3=
for candidate in "${@:5}"; do [ -f "$candidate" ] && { show_mp3=$candidate; break; }; done
tool=$linux/tests/platform/mp3_tool
rm -rf "$work" && mkdir -p "$work" && cd "$work" || exit 1
failed=0 tones=0 gapless=0 worst_max=0 worst_rms=0 worst_corr=1

# compare NAME A B: counts must be equal, the best alignment no shift, the differences a
# few steps of 16 bits; the figures are kept for the summary.
compare() {
  local line
  line=$("$tool" compare "$2" "$3" "${4:-0}")
  local status=$?
  read -r _ a b _ _ max _ rms _ corr _ shift <<<"$(tr -d ',' <<<"$line")"
  if [ $status -ne 0 ] || [ "$shift" != 0 ] || [ "$max" -gt "${5:-16}" ] ||
     awk -v c="$corr" -v m="${6:-0.9999}" 'BEGIN { exit !(c < m) }'; then
    echo "FAILED: $1: $line"
    failed=1
  fi
  echo "$1: $line"
  case $1 in *gapless) gapless=$((gapless + 1)); return ;; esac
  worst_max=$(awk -v a="$worst_max" -v b="$max" 'BEGIN { print (b > a ? b : a) }')
  worst_rms=$(awk -v a="$worst_rms" -v b="$rms" 'BEGIN { print (b > a ? b : a) }')
  worst_corr=$(awk -v a="$worst_corr" -v b="$corr" 'BEGIN { print (b < a ? b : a) }')
}

decode_both() {  # decode_both MP3 STEM [MAXFRAMES]: STEM.linux.raw and STEM.windows.raw
  "$tool" decode "$1" "$2.linux.raw" ${3:-} >/dev/null || { echo "FAILED: Linux decode of $1"; failed=1; }
  "$wine" "$windows/mp3_tool.exe" decode "$1" "$2.windows.raw" ${3:-} >/dev/null ||
    { echo "FAILED: Windows decode of $1"; failed=1; }
}

for rate in 48000 44100 32000 22050; do
  for channels in 1 2; do
    for tag in 1 0; do
      name=tone-$rate-$channels-$tag
      # An odd length, so that the encoder's padding is not a whole frame.
      "$tool" encode $name.mp3 $rate $channels 70001 $tag || { echo "FAILED: LAME"; failed=1; continue; }
      decode_both $name.mp3 $name
      compare "$name" $name.linux.raw $name.windows.raw 2
      tones=$((tones + 1))
      # Gapless: with the tag, a 48 kHz decode is the source itself, frame for frame and in
      # place (MP3 at 128 kbit/s keeps the waveform to well within a percent).
      if [ $rate = 48000 ] && [ $tag = 1 ]; then
        compare "$name gapless" $name.mp3.pcm $name.windows.raw 4 2000 0.99
      fi
    done
  done
done

# Damaged files: cut inside a frame, and a false frame start written into the audio.
head -c 12345 tone-44100-2-1.mp3 >cut.mp3
cp tone-48000-2-1.mp3 damaged.mp3 && printf '\377\373\220\104\000\000' | dd of=damaged.mp3 bs=1 seek=9000 conv=notrunc 2>/dev/null
for name in cut damaged; do
  decode_both $name.mp3 $name
  compare "$name" $name.linux.raw $name.windows.raw 2
done

if [ -z "$show_mp3" ]; then
  echo "the default show's music is not made yet: compared the test tones only"
else
  decode_both "$show_mp3" show
  compare "default show" show.linux.raw show.windows.raw
  # Decoded only as far as the show plays: the same first 296 s.
  decode_both "$show_mp3" show296 $((296 * 48000))
  compare "default show, first 296 s" show296.linux.raw show296.windows.raw
  [ "$(stat -c %s show296.windows.raw)" = $((296 * 48000 * 4)) ] || { echo "FAILED: not 296 s"; failed=1; }
fi
# The player itself, on a device: SDL's dummy output on Linux, and under Wine ALSA's null
# output, which gives Wine a waveOut device to play into. Without it Wine here has none:
# one line says so, and the show would run on its own clock.
"$tool" encode ten.mp3 44100 2 441000 1 || failed=1
SDL_AUDIODRIVER=dummy "$tool" play ten.mp3 || { echo "FAILED: the Linux player"; failed=1; }
ALSA_CONFIG_PATH="/usr/share/alsa/alsa.conf:$here/alsa_null.conf" "$wine" "$windows/mp3_tool.exe" play ten.mp3 \
  2>/dev/null | tr -d '\r' | sed 's/^play:/waveOut player under Wine:/'
[ "${PIPESTATUS[0]}" = 0 ] || { echo "FAILED: the Windows player"; failed=1; }
silent=$("$wine" "$windows/mp3_tool.exe" play ten.mp3 2>/dev/null | tr -d '\r')
case $silent in
  "Audio: no sound device (no waveOut device); the show runs silently on its own clock.") echo "no device: $silent" ;;
  "play: ok"*) echo "this machine has a sound device: the no-device line was not seen" ;;
  *) echo "FAILED: without a sound device: $silent"; failed=1 ;;
esac
# Files that are no MP3 are refused by both with the same reason.
printf "the show's notes, saved under the music's name\n" >notes.mp3
head -c 20000 ten.mp3 | tr '\377' '\000' >zeroed.mp3
for bad in notes.mp3 zeroed.mp3 "$work"; do
  for side in "$tool" "$wine $windows/mp3_tool.exe"; do
    out=$($side decode "$bad" bad.raw 2>/dev/null)
    [ "${out#decode failed: }" != "$out" ] || { echo "FAILED: $side decoded $bad: $out"; failed=1; }
  done
done

also=" and the show's music"
[ -z "$show_mp3" ] && also=
[ $failed -eq 0 ] &&
  echo "Windows music decode under Wine: the same frame counts as Linux's in $tones test tones, a cut and a damaged file$also, samples within $worst_max (rms $worst_rms, correlation >= $worst_corr); $gapless tagged tones gapless, in place"
exit $failed
