#!/usr/bin/env bash
# Checks a Windows executable of this project: GUI subsystem, the expected
# machine (i386 or x86-64) and imports from Windows' own DLLs only (no
# MinGW runtime DLLs, since everything is linked statically).
#   scripts/check-windows-exe.sh <file.exe> <i386|x86-64>
set -euo pipefail
exe=$1
machine=$2
case "$machine" in
  i386) objdump=i686-w64-mingw32-objdump; format=pei-i386 ;;
  x86-64) objdump=x86_64-w64-mingw32-objdump; format=pei-x86-64 ;;
  *) echo "check-windows-exe: unknown machine $machine" >&2; exit 2 ;;
esac
headers=$("$objdump" -p "$exe")
fail=0
if ! grep -q "file format $format" <<<"$headers"; then
  echo "check-windows-exe: $exe is not $format" >&2
  fail=1
fi
if ! grep -q "Subsystem.*(Windows GUI)" <<<"$headers"; then
  echo "check-windows-exe: $exe is not a GUI-subsystem program" >&2
  fail=1
fi
allowed=" advapi32.dll comctl32.dll gdi32.dll gdiplus.dll kernel32.dll msvcrt.dll ole32.dll \
oleaut32.dll shell32.dll shlwapi.dll user32.dll wininet.dll ws2_32.dll crypt32.dll bcrypt.dll "
while read -r dll; do
  lower=$(tr '[:upper:]' '[:lower:]' <<<"$dll")
  if [[ "$allowed" != *" $lower "* ]]; then
    echo "check-windows-exe: $exe imports $dll, which is not part of Windows" >&2
    fail=1
  fi
done < <(sed -n 's/^\s*DLL Name: //p' <<<"$headers")
if [ "$fail" -eq 0 ]; then
  echo "$exe: $format, Windows GUI, imports: $(sed -n 's/^\s*DLL Name: //p' <<<"$headers" | tr '\n' ' ')"
fi
exit "$fail"
