#!/usr/bin/env bash
# crt.dll exports the decoder's four C functions and nothing else, holds no encoder code,
# and it and the tools need no DLL but Windows' own (KERNEL32, msvcrt).
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

for file in crt.dll crt-encode.exe crt-decode.exe velmora-pack.exe velmora-inspect.exe; do
  dlls=$("$objdump" -p "$bin/$file" | awk '/DLL Name:/ {print $3}' | sort -f | tr '\n' ' ')
  echo "$file imports: $dlls"
  for dll in $dlls; do
    case "${dll,,}" in
      kernel32.dll | msvcrt.dll) ;;
      *) echo "FAILED: $file needs $dll, which is not part of Windows"; failed=1 ;;
    esac
  done
done
exit $failed
