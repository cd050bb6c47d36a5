#!/usr/bin/env bash
# Creates the private Wine prefix given as $1, once: fonts, Japanese font replacements, and
# no window manager integration (none runs under Xvfb).
set -euo pipefail
export WINEPREFIX=$1
. "$(dirname "$0")/wine-env.sh"

if [ -f "$WINEPREFIX/.tavelin-ready" ]; then exit 0; fi
echo "creating the Wine prefix $WINEPREFIX"
rm -rf "$WINEPREFIX"
mkdir -p "$WINEPREFIX"
wineboot -i >/dev/null 2>&1 </dev/null
wineserver -w

# Debian's Wine does not copy its own fonts into the prefix.
mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
ln -sf /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/"

reg() { wine reg add "$1" /v "$2" /d "$3" /f >/dev/null 2>&1 </dev/null; }
replacements='HKCU\Software\Wine\Fonts\Replacements'
reg "$replacements" "MS UI Gothic" IPAPGothic
reg "$replacements" "MS PGothic" IPAPGothic
reg "$replacements" "MS Gothic" IPAGothic
reg 'HKCU\Software\Wine\X11 Driver' Managed N
wineserver -w
touch "$WINEPREFIX/.tavelin-ready"
