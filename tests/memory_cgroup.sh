#!/usr/bin/env bash
# tavelin-render under a memory control group of 256 MiB, as in a container or a scheduler's
# job: what needs more is refused with a line (exit 1), not ended by the kernel (exit 137).
# Arguments: tavelin-render, a work folder. Exit 77 when no control group can be made here.
set -uo pipefail
tool=$(realpath "$1") work=$2
rm -rf "$work" && mkdir -p "$work" && cd "$work" || exit 1

# A group of its own: cgroup v2 where it has the memory controller, else v1's memory hierarchy.
name=tavelin-test-$$
if grep -qw memory /sys/fs/cgroup/cgroup.controllers 2>/dev/null && mkdir "/sys/fs/cgroup/$name" 2>/dev/null; then
  group=/sys/fs/cgroup/$name limit=memory.max
elif mkdir "/sys/fs/cgroup/memory/$name" 2>/dev/null; then
  group=/sys/fs/cgroup/memory/$name limit=memory.limit_in_bytes
else
  echo "SKIPPED: no memory control group can be made here (only the test of reading one's files runs)"
  exit 77
fi
trap 'rmdir "$group"' EXIT
echo $((256 << 20)) >"$group/$limit" || { echo "SKIPPED: cannot set $group/$limit"; exit 77; }

printf '%s\n' 'center-x = -0.7436' 'center-y = 0.1318' 'magnification = 8' 'limit = 200' >view.txt
status=0
# arguments | the message
while IFS='|' read -r args message; do
  # shellcheck disable=SC2086 # the arguments are words
  sh -c 'echo $$ >"$1/cgroup.procs" && shift && exec "$@"' sh "$group" "$tool" $args >/dev/null 2>error.txt
  code=$?
  if [ "$code" -ne 1 ] || [ "$(cat error.txt)" != "tavelin-render: $message" ]; then
    echo "FAILED: $args: exit $code, '$(cat error.txt)' instead of exit 1, '$message'"
    status=1
  fi
done <<'CASES'
--quiet --size 12000x12000 -o big.bmp|not enough memory for a 12000x12000 picture (412 MiB)
--quiet --center-x -1.5 --magnification 1e100 --limit 100000000 --size 64x48 -o orbit.bmp|not enough memory for the reference orbit of limit 100000000 (3815 MiB)
--quiet view.txt --dive 1 --size 4000x3000 -o dive-%05d.png|not enough memory for two keyframes of 8000x6000 and a frame
CASES
exit $status
