# Sourced: the environment under which tavelin runs in Wine. Expects WINEPREFIX to be set.
export WINEARCH=win32
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
# Code page 932, so that the Japanese texts of the ANSI functions display.
export LANG=ja_JP.UTF-8
export LC_ALL=ja_JP.UTF-8
