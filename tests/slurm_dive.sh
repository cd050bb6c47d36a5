#!/usr/bin/env bash
# The README's Slurm job array ("Across machines") run as written under a real scheduler: a
# one-node cluster of this machine (tools/slurm-cluster.sh) takes dive.sbatch and the
# assembling job with only the paths and sizes made small. The video must equal one
# uninterrupted run's, and the assembling job must render no keyframe.
# Arguments: tavelin-render, tools/slurm-cluster.sh, a work folder. Exit 77: no cluster here.
set -euo pipefail
tool=$1 cluster=$2 work=$3

# A cluster that an earlier run left (ended before its trap) is stopped by its pid files first.
[ -d "$work/cluster" ] && "$cluster" stop "$work/cluster"
rm -rf "$work"
mkdir -p "$work/bin" "$work/shared" "$work/submit" "$work/alone"
work=$(cd "$work" && pwd)
trap '"$cluster" stop "$work/cluster"' EXIT
trap 'exit 1' INT TERM HUP
set +e
"$cluster" start "$work/cluster" >/dev/null
started=$?
set -e
[ "$started" -eq 0 ] || { echo "SKIPPED: no Slurm cluster on this machine (reason above)"; exit 77; }
export SLURM_CONF=$work/cluster/slurm.conf

# tavelin-render on PATH, through a wrapper that notes the keyframes' times before a run that
# assembles (one without --keyframes), to show afterwards that it wrote none of them.
cat >"$work/bin/tavelin-render" <<WRAP
#!/bin/sh
case " \$* " in *" --keyframes "*) ;; *)
  find "$work/shared/dive.mp4.keyframes" -type f -printf '%p %T@\n' | sort >"$work/before-assembling" ;;
esac
exec "$(realpath "$tool")" "\$@"
WRAP
chmod +x "$work/bin/tavelin-render"
export PATH=$work/bin:$PATH

printf '%s\n' 'center-x = -0.7436' 'center-y = 0.1318' 'magnification = 8' 'limit = 200' >"$work/submit/view.txt"
# The README's two code blocks, 8 x 5 keyframes of 1280x720 made 2 x 2 of 64x48.
small() {
  sed -e 's/--array=0-7/--array=0-1/' -e 's/ \* 5))/ * 2))/' -e 's/first + 4/first + 1/' -e 's/view\.vwp/view.txt/' \
    -e 's/--dive 20 /--dive 2 /' -e 's/1280x720/64x48/' -e "s|/shared/|$work/shared/|"
}
# The README's code block that holds text.
block() {
  awk -v want="$1" '/^```sh$/ {b = ""; inside = 1; next}
    inside && /^```$/ {inside = 0; if (index(b, want)) {printf "%s", b; exit}}
    inside {b = b $0 "\n"}' "$(dirname "$0")/../README.md"
}
block '#SBATCH --array' | small >"$work/submit/dive.sbatch"
block 'sbatch --dependency' | small >"$work/submit/submit.sh"
if grep -q -e 1280x720 -e ' /shared/' -e view.vwp -e 0-7 "$work/submit/dive.sbatch" "$work/submit/submit.sh"; then
  echo "FAILED: the README's example is no longer the one this test makes small:"
  cat "$work/submit/dive.sbatch" "$work/submit/submit.sh"
  exit 1
fi

(cd "$work/submit" && bash ./submit.sh) >"$work/submitted" 2>&1 || {
  echo "FAILED: the README's commands were refused:"
  cat "$work/submitted"
  exit 1
}
# All jobs of this cluster ended: bounded, as a stuck job would otherwise hold the test forever.
until [ "$SECONDS" -ge 90 ]; do
  [ -z "$(squeue -h 2>/dev/null)" ] && break
  sleep 0.1
done
jobs=$(squeue -h -t all -o '%i %T' 2>/dev/null)
echo "$jobs"
if [ -n "$(squeue -h 2>/dev/null)" ] || [ "$(grep -vc ' COMPLETED$' <<<"$jobs")" -ne 0 ] || [ "$(wc -l <<<"$jobs")" -ne 3 ]; then
  echo "FAILED: not three completed jobs within 90 s of the start"
  cat "$work/submit"/slurm-*.out 2>/dev/null
  exit 1
fi

"$tool" "$work/submit/view.txt" --dive 2 --size 64x48 -o "$work/alone/dive.mp4" --quiet
cmp "$work/alone/dive.mp4" "$work/shared/dive.mp4" || { echo "FAILED: the video differs from one run's"; exit 1; }
find "$work/shared/dive.mp4.keyframes" -type f -printf '%p %T@\n' | sort >"$work/after-assembling"
if [ ! -s "$work/before-assembling" ] || ! cmp -s "$work/before-assembling" "$work/after-assembling"; then
  echo "FAILED: the assembling job rendered keyframes"
  diff "$work/before-assembling" "$work/after-assembling"
  exit 1
fi
echo "the README's job array ran: $(grep -c key- "$work/after-assembling") keyframes in 2 jobs, the video assembled alone"
