#!/usr/bin/env bash
# Checks the 32-bit Windows programs as a Windows loader sees them, from their PE headers:
# usage: check-windows-images.sh OBJDUMP GUI.exe CONSOLE.exe
# Each must be a PE32 image for i386 of its subsystem (the window program GUI, the renderer
# console) that imports system DLLs only (static linking: it runs on any Windows as one file),
# and the window program must import no wide-character user-interface functions.
set -uo pipefail
objdump=$1
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# Windows' own DLLs; anything else (libstdc++, libwinpthread, ...) would have to ship beside it.
system_dlls=" kernel32.dll user32.dll gdi32.dll comdlg32.dll advapi32.dll msvcrt.dll shell32.dll "

# Prints "DLL function" for each imported function.
imports() {
  awk '/^\tDLL Name: / { dll = tolower($3); next }
       dll != "" && /^\t[0-9a-f]+\t +[0-9]+ +[A-Za-z_]/ { print dll, $3 }
       /^$/ { dll = "" }' <<<"$1"
}

check_image() {  # image, subsystem number, subsystem name
  local image=$1 dump
  if ! dump=$("$objdump" -p "$image" 2>&1); then
    fail "$image: not readable as a PE image: $dump"
    return
  fi
  grep -q 'file format pei-i386' <<<"$dump" || fail "$image: not an i386 image"
  grep -qE '^Magic[[:space:]]+010b[[:space:]]+\(PE32\)' <<<"$dump" || fail "$image: not PE32"
  grep -qE "^Subsystem[[:space:]]+0*$2[[:space:]]+\($3\)" <<<"$dump" ||
    fail "$image: subsystem is not $3"
  local dll
  for dll in $(grep -E '^	DLL Name: ' <<<"$dump" | awk '{ print tolower($3) }' | sort -u); do
    [[ $system_dlls == *" $dll "* ]] || fail "$image: imports $dll, not a system DLL"
  done
  echo "$image: $(grep -cE '^	DLL Name: ' <<<"$dump") DLLs checked"
  dumps[$image]=$dump
}

declare -A dumps
check_image "$2" 2 "Windows GUI"
check_image "$3" 3 "Windows CUI"

wide=$(imports "${dumps[$2]:-}" | awk '$1 ~ /^(user32|gdi32|comdlg32|shell32)\.dll$/ && $2 ~ /W$/')
[ -z "$wide" ] || fail "$2 imports wide-character UI functions: $(echo $wide)"
[ -n "$(imports "${dumps[$2]:-}" | awk '$2 == "CreateWindowExA"')" ] ||
  fail "$2: the import list was not read (no CreateWindowExA)"

[ "$failures" -eq 0 ] && echo "images: PE32 i386, right subsystems, system DLLs only, ANSI UI"
exit $((failures > 0))
