#!/usr/bin/env bash
# crt.dll exports the decoder's four C functions and nothing else, holds no encoder code,
# and it, the tools and the show need no DLL but Windows' own (crt.dll and the crt tools
# KERNEL32 and msvcrt alone; velmora-pack the imaging component's COM; the show also the
# window, GL, the sound and MIDI services and the sockets OSC arrives on).
# usage: check_exports.sh OBJDUMP NM WINDOWS_BIN
set -uo pipefail
objdump=$1 nm=$2 bin=$3
failed=0

exports=$("$objdump" -p "$bin/crt.dll" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' | awk '/\[ *[0-9]+\]/ {print $3}')
echo "crt.dll exports:" $exports
if [ "$exports" != "$(printf '%s\n' CreateDecoder DecodeMesh DestroyDecoder GetLastDecoderError)" ]; then
  echo "FAILED: crt.dll should export exactly CreateDecoder, DecodeMesh, DestroyDecoder, GetLastDecoderError"
  failed=1
fi

encoder=$("$nm" -C "$bin/crt.dll" | grep ' crt::' |
          grep -E 'Encoder|encode|quantize_from|compute_residuals|write_residuals|write_u32|write_string|entropy_writer' || true)
if [ -n "$encoder" ]; then
  echo "FAILED: crt.dll holds encoder code:"
  echo "$encoder" | head -5
  failed=1
fi

allowed() {  # allowed FILE DLL
  case "${2,,}" in
    kernel32.dll | msvcrt.dll) return 0 ;;
    ole32.dll) [ "$1" = velmora-pack.exe ] || [ "$1" = velmora.exe ] ;;
    user32.dll | gdi32.dll | opengl32.dll | glu32.dll | ntdll.dll | winmm.dll | msacm32.dll | mfplat.dll | \
      mfreadwrite.dll | mf.dll | propsys.dll | oleaut32.dll | avrt.dll | ws2_32.dll) [ "$1" = velmora.exe ] ;;
    *) return 1 ;;
  esac
}
for file in crt.dll crt-encode.exe crt-decode.exe velmora-pack.exe velmora-inspect.exe velmora.exe; do
  [ -f "$bin/$file" ] || { echo "FAILED: no $file"; failed=1; continue; }
  dlls=$("$objdump" -p "$bin/$file" | awk '/DLL Name:/ {print $3}' | sort -f | tr '\n' ' ')
  echo "$file imports: $dlls"
  for dll in $dlls; do
    allowed "$file" "$dll" || { echo "FAILED: $file needs $dll, which is not one of Windows' own it may use"; failed=1; }
  done
done
exit $failed
