#!/usr/bin/env bash
# Sets up what is missing, builds tavelin.exe and starts it under Wine. With no display, it
# runs tavelin in a virtual one, waits for the first picture, saves a screenshot and ends it.
# Where this machine runs no 32-bit programs, it runs the 64-bit build of the same sources.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

tools/install-packages.sh
. tools/windows-build.sh
choose_windows_build
[ "$windows_build" = 32 ] || echo "running the 64-bit build: $windows_reason"
build=$windows_dir
[ -f "$build/build.ninja" ] ||
  cmake -S . -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$windows_toolchain" >/dev/null
cmake --build "$build" --target tavelin tavelin_remote
[ "$windows_build" = 32 ] || export TAVELIN_WINEARCH=win64
tools/wine-prefix.sh "$root/$build/wineprefix"

if [ -n "${DISPLAY:-}" ]; then
  exec "$build/wine-run.sh" "$build/tavelin.exe"
fi

. tools/virtual-display.sh
trap stop_virtual_display EXIT
start_virtual_display
echo "no display: running tavelin in the virtual display $DISPLAY"
"$build/wine-run.sh" "$build/tavelin.exe" &
program=$!

# The picture is finished when the screen stops changing.
shots=$(mktemp -d)
previous=""
for i in $(seq 1 120); do
  sleep 0.5
  import -window root "$shots/$i.png"
  if [ -n "$previous" ] && [ "$i" -gt 3 ] && compare -metric AE "$previous" "$shots/$i.png" null: 2>/dev/null; then
    break
  fi
  previous="$shots/$i.png"
done

# Crop to the program's windows, which stand at the top left of the empty screen.
mkdir -p build/screenshots
screenshot="$root/build/screenshots/tavelin.png"
convert "$shots/$i.png" -crop 700x560+0+0 +repage "$screenshot"
rm -rf "$shots"
echo "screenshot: $screenshot"

"$build/wine-run.sh" "$build/tavelin_remote.exe" close
status=0
wait "$program" || status=$?
echo "tavelin ended with exit code $status"
# Wine's helper processes go before the display does.
"$build/wine-server.sh" stop
