#!/usr/bin/env bash
# A developer's tool, not a test: records what tavelin-render gives for a fixed set of inputs
# (pictures, the frames of two short dives, refusals with their exit codes, saved view texts),
# so that a change meant to keep behaviour can be shown to keep it byte for byte.
#
#   tools/corpus.sh record DIR [TOOL]    records into DIR (made anew)
#   tools/corpus.sh compare DIR [TOOL]   records again beside DIR and compares, file by file
#
# TOOL defaults to build/native/tavelin-render.
set -uo pipefail
mode=${1:?record or compare}
dir=${2:?a folder}
tool=$(realpath "${3:-build/native/tavelin-render}")

record() {  # folder
  local out=$1 n=0
  rm -rf "$out" && mkdir -p "$out/work" && cd "$out/work" || exit 2
  run() {  # name, arguments: the exit code and both streams, with the work folder's name left out
    local name=$1
    shift
    "$tool" "$@" >"../$name.out" 2>"../$name.err" </dev/null
    echo "exit $?" >>"../$name.out"
    sed -i "s|$PWD|WORK|g" "../$name.out" "../$name.err"
  }
  local deep_y="1.$(printf '0%.0s' $(seq 100))37"
  printf 'center-x = 1.3e-101\ncenter-y = %s\nmagnification = 1e100\nlimit = 3000\n' "$deep_y" >deep.txt
  printf 'center-x = -0.75\ncenter-y = 0.1\nbogus = 1\n' >bad-field.txt
  printf 'magnification = 0\n' >bad-mag.txt
  head -c 48 /dev/zero >zero.vwp
  # A saved window view: centre (-0.7436, 0.1318), magnification 2500, limit 1500, four colours.
  printf '\x9a\x99\x99\x99\x99\xcc\xe7\xbf\x5a\x64\x3b\xdf\x4f\xdf\xc0\x3f\x00\x00\x00\x00\x00\x88\xa3\x40\xdc\x05\x00\x00\x10\x20\x30\x00\x40\x50\x60\x00\x70\x80\x90\x00\x00\x00\x00\x00\x01\x02\x03\x04' >saved.vwp
  # Pictures: shallow, 1e20, 1e400; BMP and PNG; the view texts saved beside them.
  run shallow-bmp -o shallow.bmp --quiet
  run shallow-png -o shallow.png --size 320x200 --quiet --save-view shallow.txt
  run wide-bmp -o wide.bmp --size 333x77 --center-x -0.7436438870371587 --center-y 0.1318259042053119 \
    --magnification 3e5 --limit 2000 --colors 0x102030,0xF0E0D0,0x00FF00,0x123456 --quiet
  run deep20-png -o deep20.png --size 160x120 --center-x -0.743643887037158704752191506114774 \
    --center-y 0.131825904205311970493132056385139 --magnification 1e20 --limit 3000 --quiet --save-view deep20.txt
  run deep100-bmp deep.txt -o deep100.bmp --size 96x72 --quiet
  run deep400-png -o deep400.png --size 64x48 --center-x -1.99999 --center-y 1e-402 --magnification 1e400 \
    --limit 500 --quiet --save-view deep400.txt
  run from-vwp zero.vwp -o vwp.bmp --size 64x48 --quiet
  run saved-vwp saved.vwp -o saved.png --size 120x90 --quiet --save-view saved.txt
  run saved-vwp-deeper saved.vwp -o saved-deeper.bmp --size 64x48 --magnification 1e17 --quiet
  # Dives: resampled and exact frames, as PNG frames.
  mkdir -p frames-a frames-b frames-c
  run dive-resampled -o frames-a/f-%03d.png --dive 0.5 --fps 10 --size 64x48 --magnification 1e3 \
    --center-x -0.75 --center-y 0.1 --limit 300 --quiet
  run dive-exact -o frames-b/f-%03d.png --dive 0.4 --fps 10 --size 48x36 --magnification 1e12 \
    --center-x -0.743643887037158704752191506114774 --center-y 0.131825904205311970493132056385139 \
    --limit 800 --exact-frames --quiet
  run dive-keyframes-job -o frames-a/f-%03d.png --dive 0.5 --fps 10 --size 64x48 --magnification 1e3 \
    --center-x -0.75 --center-y 0.1 --limit 300 --quiet --keyframes 0-20
  run dive-job-keyframes -o frames-c/f-%03d.png --dive 0.5 --fps 10 --size 64x48 --magnification 1e3 \
    --center-x -0.75 --center-y 0.1 --limit 300 --quiet --keyframes 2-4
  # Refusals: the message and exit code of each.
  local bad=(
    ""
    "--help"
    "-o"
    "-o x.gif"
    "-o x.bmp --size 0x10"
    "-o x.bmp --size 10"
    "-o x.bmp --size 1000001x1"
    "-o x.bmp --threads 0"
    "-o x.bmp --threads 2000"
    "-o x.bmp --bogus"
    "-o x.bmp a.vwp b.vwp"
    "-o x.bmp --center-x"
    "-o x.bmp --center-x 1.2.3"
    "-o x.bmp --center-x 0x10"
    "-o x.bmp --center-y 1e100001"
    "-o x.bmp --magnification 0"
    "-o x.bmp --magnification -1e5000"
    "-o x.bmp --magnification 1e-400"
    "-o x.bmp --limit 0"
    "-o x.bmp --limit 2147483648"
    "-o x.bmp --colors 0x1,0x2"
    "-o x.bmp --colors red,green,blue"
    "-o x.bmp missing.vwp"
    "-o x.bmp bad-field.txt"
    "-o x.bmp bad-mag.txt"
    "-o missing/x.bmp"
    "-o x.bmp --size 1000000x1000000"
    "-o x.png --size 1000000x1000000"
    "-o x.bmp --save-view missing/v.txt"
    "-o x.bmp --fps 10"
    "-o x.mp4 --dive 0"
    "-o x.mp4 --dive -1"
    "-o x.mp4 --dive 2 --fps 0"
    "-o x.mp4 --dive 2 --crf 60"
    "-o x.webm --dive 2 --crf 64"
    "-o x.mp4 --dive 2 --keyframes 3-1"
    "-o x.mp4 --dive 2 --keyframes 0-1 --exact-frames"
    "-o x.avi --dive 2"
    "-o f-%d-%d.png --dive 2"
    "-o x.mp4 --dive 2 --size 63x48"
    "-o x.mp4 --dive 0.01"
    "-o x.mp4 --dive 2 --from-magnification 1e9"
    "-o x.mp4 --dive 2 --magnification 1e5000"
    "-o x.mp4 --dive 2 --keyframes 90-99"
    "-o x.mp4 --dive 2 --from-magnification 0"
  )
  local args
  for args in "${bad[@]}"; do
    n=$((n + 1))
    # shellcheck disable=SC2086
    run "refusal-$(printf %02d $n)" $args
  done
  # The keyframes folders' manifests, then every file's bytes are what is compared.
  cd .. && rm -f work/x.* && find work -type f | sort >files.txt
}

case $mode in
record) record "$(realpath -m "$dir")" ;;
compare)
  ref=$(realpath "$dir")
  record "$ref.new"
  if diff -r "$ref" "$ref.new"; then
    echo "corpus: identical ($(find "$ref" -type f | wc -l) files)"
    rm -rf "$ref.new"
  else
    echo "corpus: differs (kept in $ref.new)"
    exit 1
  fi
  ;;
*) echo "usage: $0 record|compare DIR [TOOL]" >&2; exit 2 ;;
esac
