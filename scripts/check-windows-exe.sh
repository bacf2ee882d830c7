#!/usr/bin/env bash
# Checks a Windows executable of this project: GUI subsystem and its Windows
# version, the expected machine (i386 or x86-64), imports from Windows' own DLLs only (no MinGW
# runtime DLLs, since everything is linked statically), and its resources:
# the version (with the project's version), the icon and the manifest.
#   scripts/check-windows-exe.sh <file.exe> <i386|x86-64>
set -euo pipefail
exe=$1
machine=$2
case "$machine" in
  i386) triple=i686-w64-mingw32; format=pei-i386 ;;
  x86-64) triple=x86_64-w64-mingw32; format=pei-x86-64 ;;
  *) echo "check-windows-exe: unknown machine $machine" >&2; exit 2 ;;
esac
# objdump speaks the locale's language: read it in C.
headers=$(LC_ALL=C "$triple-objdump" -p "$exe")
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
# The oldest Windows it runs on (app/CMakeLists.txt) is its subsystem version,
# and none of its imports is newer: functions that came with later Windows
# versions are listed by the first version that has them.
oldest=$(sed -n 's/^ *set(WEIBO_WINDOWS_OLDEST \([0-9.]*\))/\1/p' \
  "$(dirname "$0")/../app/CMakeLists.txt")
subsystem="$(sed -n 's/^MajorSubsystemVersion\s*//p' <<<"$headers").$(
  sed -n 's/^MinorSubsystemVersion\s*//p' <<<"$headers")"
if [ "$subsystem" != "$oldest" ]; then
  echo "check-windows-exe: $exe has subsystem version $subsystem, not $oldest" >&2
  fail=1
fi
newer_than() {  # version; the imports that need a later one
  local functions=""
  case "$1" in
    # Windows 7, 8, 8.1 and 10 functions a program of this kind might pull in.
    6.0) functions="TryAcquireSRWLockExclusive TryAcquireSRWLockShared \
GetLogicalProcessorInformationEx ChangeWindowMessageFilterEx \
SetCurrentProcessExplicitAppUserModelID SetDefaultDllDirectories AddDllDirectory \
CreateFile2 GetSystemTimePreciseAsFileTime WaitOnAddress WakeByAddressSingle \
WakeByAddressAll PathCchCombine SetProcessDpiAwareness GetDpiForMonitor \
GetDpiForWindow GetDpiForSystem SetThreadDpiAwarenessContext \
SetProcessDpiAwarenessContext" ;;
  esac
  local found=""
  for name in $functions; do
    if grep -qw "$name" <<<"$headers"; then found+=" $name"; fi
  done
  echo "$found"
}
too_new=$(newer_than "$oldest")
if [ -n "$too_new" ]; then
  echo "check-windows-exe: $exe imports functions newer than Windows $oldest:$too_new" >&2
  fail=1
fi
# The resources, as windres writes them back out as a script.
resources=$(LC_ALL=C "$triple-windres" -i "$exe" -O rc 2>/dev/null || true)
version=$(sed -n 's/^project(weibo_album_downloader VERSION \([0-9.]*\).*/\1/p' \
  "$(dirname "$0")/../CMakeLists.txt")
if ! grep -q '^1 VERSIONINFO' <<<"$resources" ||
   ! grep -q "VALUE \"FileVersion\", \"$version\"" <<<"$resources"; then
  echo "check-windows-exe: $exe has no version resource for $version" >&2
  fail=1
fi
if ! grep -q 'RT_GROUP_ICON' <<<"$resources"; then
  echo "check-windows-exe: $exe has no icon" >&2
  fail=1
fi
if ! grep -q 'RT_MANIFEST' <<<"$resources" ||
   ! grep -q 'Microsoft.Windows.Common-Controls' <<<"$resources"; then
  echo "check-windows-exe: $exe has no manifest asking for common controls 6" >&2
  fail=1
fi
if [ "$fail" -eq 0 ]; then
  echo "$exe: $format, Windows GUI for Windows $oldest or later, version $version, icon, manifest," \
    "imports: $(sed -n 's/^\s*DLL Name: //p' <<<"$headers" | tr '\n' ' ')"
fi
exit "$fail"
