#!/usr/bin/env bash
# tavelin-render ended by SIGHUP (a closed terminal, a dropped ssh connection) as by Ctrl+C:
# exit 129 with its line, nothing left behind, and a video's encoder ended with it.
# Arguments: tavelin-render, a work folder.
set -uo pipefail
tool=$(realpath "$1") work=$2
rm -rf "$work" && mkdir -p "$work/bin" "$work/out" && cd "$work" && work=$(pwd) || exit 1

# An encoder on PATH that takes no frames and never ends by itself: the dive waits on it.
printf '#!/bin/sh\necho $$ >%s/encoder-started\nexec sleep 600\n' "$work" >bin/ffmpeg
chmod +x bin/ffmpeg
printf '%s\n' 'center-x = -0.7436' 'center-y = 0.1318' 'magnification = 8' 'limit = 200' >view.txt

# Waits (at most two minutes, for a loaded machine) until file exists, or for a picture until the tool has its handler of SIGHUP
# (bit 0 of SigCgt).
wait_for() {  # pid, what
  for _ in $(seq 1200); do
    if [ "$2" = handler ]; then
      [ $((0x$(awk '/^SigCgt/ {print $2}' "/proc/$1/status" 2>/dev/null || echo 0) & 1)) -eq 1 ] && return 0
    else
      [ -s "$2" ] && return 0
    fi
    sleep 0.1
  done
  return 1
}

status=0
# what the tool waits for | arguments (the picture never finishes: points of the set at a vast limit)
while IFS='|' read -r ready args; do
  rm -rf out/* encoder-started
  # shellcheck disable=SC2086 # the arguments are words
  PATH=$work/bin:$PATH "$tool" $args 2>error.txt &
  pid=$!
  wait_for "$pid" "$ready" || echo "FAILED: $args: not started"
  kill -HUP "$pid"
  for _ in $(seq 600); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  kill -0 "$pid" 2>/dev/null && { echo "FAILED: $args: still running 60 s after SIGHUP"; kill -9 "$pid"; }
  wait "$pid"
  code=$?
  left=$(cd out && find . -name '*.tmp' -o -name picture.bmp -o -name dive.mp4)
  if [ "$code" -ne 129 ] || ! grep -q '^tavelin-render: interrupted' error.txt || [ -n "$left" ]; then
    echo "FAILED: $args: exit $code, '$(cat error.txt)', left: $left"
    status=1
  fi
  if [ -s encoder-started ] && kill -0 "$(cat encoder-started)" 2>/dev/null; then
    echo "FAILED: $args: the encoder still runs"
    kill "$(cat encoder-started)"
    status=1
  fi
done <<'CASES'
handler|--center-x -0.1 --limit 2000000000 --size 64x48 -o out/picture.bmp
encoder-started|view.txt --dive 2 --size 64x48 -o out/dive.mp4
CASES
exit $status
