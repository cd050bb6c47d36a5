#!/usr/bin/env bash
# The encoder's presets on a dive's frames: seconds to encode and PSNR (dB, RGB) of the decoded
# video against the frames, with the options tavelin-render gives ffmpeg (crf 20, BT.709).
#   bench/preset_quality.sh 'frames/f-%04d.png' [fps]
set -euo pipefail
frames=$1
fps=${2:-30}
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
printf '| preset | seconds | PSNR (dB) | size (kB) |\n|---|---|---|---|\n'
for preset in ultrafast superfast veryfast faster fast medium slow; do
    start=$(date +%s.%N)
    ffmpeg -hide_banner -loglevel error -y -framerate "$fps" -i "$frames" -c:v libx264 -preset "$preset" \
        -vf scale=out_color_matrix=bt709:out_range=tv,format=yuv420p -colorspace bt709 -color_primaries bt709 \
        -color_trc bt709 -color_range tv -crf 20 -pix_fmt yuv420p "$out/v.mp4"
    end=$(date +%s.%N)
    psnr=$(ffmpeg -hide_banner -i "$out/v.mp4" -framerate "$fps" -i "$frames" -lavfi \
        "[0:v]scale=in_color_matrix=bt709:in_range=tv,format=rgb24[a];[1:v]format=rgb24[b];[a][b]psnr" \
        -f null - 2>&1 | sed -n 's/.*average:\([0-9.]*\).*/\1/p')
    printf '| %s | %.1f | %s | %d |\n' "$preset" "$(echo "$end - $start" | bc)" "$psnr" $(($(stat -c %s "$out/v.mp4") / 1024))
done
