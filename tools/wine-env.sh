# Sourced: the environment under which tavelin runs in Wine. Expects WINEPREFIX to be set, and
# TAVELIN_WINEARCH=win64 for the 64-bit build (win32 otherwise).
export WINEARCH=${TAVELIN_WINEARCH:-win32}
if [ "$WINEARCH" = win64 ]; then
  # The 64-bit loader and server, called directly: Debian's wrappers prefer the 32-bit ones.
  export WINELOADER=/usr/lib/wine/wine64
  export WINESERVER=/usr/lib/wine/wineserver64
  PATH="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/wine64:$PATH"
  export PATH
fi
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
# Code page 932, so that the Japanese texts of the ANSI functions display.
export LANG=ja_JP.UTF-8
export LC_ALL=ja_JP.UTF-8
