#!/usr/bin/env bash
# The figures of continuous colour and antialiasing (bench/README.md): the neighbouring-pixel
# difference of a deep picture as today and with --smooth --samples 3, the frame-to-frame
# difference of a dive both ways (and at its keyframe boundaries), and what --samples costs.
#   bench/smooth_targets.sh [TOOL] [OUT-FOLDER]
set -euo pipefail
tool=$(realpath "${1:-build/release/tavelin-render}")
out=${2:-build/smooth-targets}
mkdir -p "$out" && cd "$out"
x=-0.743643887037158704752191506114774
y=0.131825904205311970493132056385139

# Mean absolute difference (0-255, over channels) between each pixel and its right and upper
# neighbours.
neighbours() {
    local h v
    h=$(convert "$1" -chop 1x0 \( "$1" -gravity east -chop 1x0 \) -compose difference -composite -format '%[fx:255*mean]' info:)
    v=$(convert "$1" -chop 0x1 \( "$1" -gravity south -chop 0x1 \) -compose difference -composite -format '%[fx:255*mean]' info:)
    echo "($h + $v) / 2" | bc -l
}
frameDiffs() {  # pattern count: one line per pair of consecutive frames
    local i
    for ((i = 1; i < $2; i++)); do
        { compare -metric MAE "$(printf "$1" $((i - 1)))" "$(printf "$1" $i)" null: 2>&1 || true; } |
            sed 's/.*(\(.*\))/\1/' |
            awk -v i=$i '{printf "%d %.3f\n", i, 255 * $1}'
    done
}
timed() {  # seconds of a command
    local start end
    start=$(date +%s.%N)
    "$@" >/dev/null 2>&1
    end=$(date +%s.%N)
    echo "$end - $start" | bc
}

echo "## deep picture: 1e20, limit 20000, 512x512"
deep=(--center-x $x --center-y $y --magnification 1e20 --limit 20000 --size 512x512 --quiet)
t1=$(timed "$tool" "${deep[@]}" -o deep-today.png)
t2=$(timed "$tool" "${deep[@]}" --smooth -o deep-smooth.png)
t3=$(timed "$tool" "${deep[@]}" --smooth --samples 3 -o deep-smooth-s3.png)
for f in deep-today deep-smooth deep-smooth-s3; do echo "$f: neighbouring difference $(neighbours $f.png)"; done
echo "seconds: today $t1, smooth $t2, smooth --samples 3 $t3"

echo "## dive to 1e20, limit 20000, 256x144, 20 s at 30 frames a second"
dive=(--center-x $x --center-y $y --magnification 1e20 --limit 20000 --size 256x144 --dive 20 --fps 30 --quiet)
mkdir -p today smooth
"$tool" "${dive[@]}" -o today/f-%03d.png
"$tool" "${dive[@]}" --smooth -o smooth/f-%03d.png
frames=$(ls today/f-*.png | wc -l)
for kind in today smooth; do
    frameDiffs "$kind/f-%03d.png" "$frames" >"$kind.diffs"
    # Keyframe boundaries: where floor(log2 of the magnification) changes between two frames.
    awk -v n="$frames" -v top=66.43856 '{ a = int(($1 - 1) / (n - 1) * top); b = int($1 / (n - 1) * top);
        if (a != b) { kb += $2; nb++; if ($2 > mb) mb = $2 } else { ko += $2; no++; if ($2 > mo) mo = $2 } }
        END { printf "%s: frame-to-frame mean %.2f (boundaries %.2f, max %.2f; elsewhere %.2f, max %.2f)\n",
              kind, (kb + ko) / (nb + no), kb / nb, mb, ko / no, mo }' kind=$kind "$kind.diffs"
done

echo "## --samples cost: 1e20, limit 20000, 256x256, two threads"
base=(--center-x $x --center-y $y --magnification 1e20 --limit 20000 --size 256x256 --threads 2 --quiet)
s1=$(timed "$tool" "${base[@]}" -o s1.png)
for n in 2 3; do
    sn=$(timed "$tool" "${base[@]}" --samples $n -o s$n.png)
    echo "samples $n: $sn s against $s1 s: $(echo "$sn / $s1 / ($n * $n)" | bc -l | cut -c1-5) x N^2"
done
