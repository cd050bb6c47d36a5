#!/usr/bin/env bash
# A one-node Slurm cluster on this machine, for tests: `start DIR` starts munged, slurmctld and
# slurmd as root with every file of theirs in DIR (key, sockets, configuration, state, logs)
# and waits until the node takes jobs; `stop DIR` ends them and removes DIR. Commands that
# should talk to it need SLURM_CONF=DIR/slurm.conf (start prints the line to export).
# Exit codes of start: 0 ready, 77 when the cluster cannot be had here (the reason on standard
# error; the daemons started are stopped again).
set -uo pipefail

action=${1:-}
dir=${2:-}
if [ -z "$dir" ] || { [ "$action" != start ] && [ "$action" != stop ]; }; then
  echo "usage: $0 start|stop DIR" >&2
  exit 2
fi

# A TCP port that nothing listens on, from /proc/net/tcp and tcp6 (ports in hex, state 0A).
port_in_use() {
  local hex
  hex=$(printf '%04X' "$1")
  cat /proc/net/tcp /proc/net/tcp6 2>/dev/null | awk -v p=":$hex" '$4 == "0A" && substr($2, length($2) - 4) == p' |
    grep -q .
}
free_port_pair() {  # two free ports in a row from a start that differs from run to run
  local port=$((20000 + ($$ % 2000) * 2))
  while port_in_use "$port" || port_in_use "$((port + 1))"; do port=$((port + 2)); done
  echo "$port"
}

stop_pid_file() {  # ends the process whose id the file holds, and waits up to 10 s for it
  local file=$1 pid
  [ -s "$file" ] || return 0
  pid=$(cat "$file")
  kill "$pid" 2>/dev/null || return 0
  for _ in $(seq 100); do
    kill -0 "$pid" 2>/dev/null || return 0
    sleep 0.1
  done
  kill -9 "$pid" 2>/dev/null
}

stop() {
  if [ -f "$dir/slurm.conf" ] && [ -s "$dir/slurmctld.pid" ] && kill -0 "$(cat "$dir/slurmctld.pid")" 2>/dev/null; then
    # Jobs still running are this cluster's own: cancel them so that slurmd ends their steps.
    SLURM_CONF=$dir/slurm.conf timeout 10 scancel --full --quiet --user=root 2>/dev/null
  fi
  stop_pid_file "$dir/slurmd.pid"
  stop_pid_file "$dir/slurmctld.pid"
  stop_pid_file "$dir/munge/munged.pid"
  rm -rf "$dir"
}

give_up() {  # reason; shows the daemons' last log lines, stops what started, exit 77
  echo "slurm-cluster: $1" >&2
  local log
  for log in "$dir"/munge/munged.log "$dir"/slurmctld.log "$dir"/slurmd.log; do
    [ -s "$log" ] && { echo "--- $log" >&2; tail -n 5 "$log" >&2; }
  done
  stop
  exit 77
}

if [ "$action" = stop ]; then
  stop
  exit 0
fi

[ "$(id -u)" -eq 0 ] || give_up "the daemons run as root here, and this is not root"
for program in munged slurmctld slurmd sbatch sinfo; do
  command -v "$program" >/dev/null || give_up "$program is missing (Debian packages munge and slurm-wlm)"
done
[ -e "$dir" ] && stop
mkdir -p "$dir/munge" "$dir/state" "$dir/spool" || give_up "cannot make $dir"
dir=$(cd "$dir" && pwd)
chmod 700 "$dir" "$dir/munge"

# munged: a key of its own, and its socket, pid, seed and log in the folder.
head -c 1024 /dev/urandom >"$dir/munge/munge.key"
chmod 400 "$dir/munge/munge.key"
socket=$dir/munge/munge.socket
munged --force --key-file="$dir/munge/munge.key" --socket="$socket" --pid-file="$dir/munge/munged.pid" \
  --seed-file="$dir/munge/munged.seed" --log-file="$dir/munge/munged.log" >/dev/null 2>&1 ||
  give_up "munged does not start"

# The node as slurmd finds it: this host's name, cores and memory.
node=$(slurmd -C 2>/dev/null | head -n 1)
case $node in NodeName=*) ;; *) give_up "slurmd -C does not describe this machine" ;; esac
host=${node#NodeName=}
host=${host%% *}
port=$(free_port_pair)
cat >"$dir/slurm.conf" <<CONF
ClusterName=tavelin-test
SlurmctldHost=$host(127.0.0.1)
SlurmctldPort=$port
SlurmdPort=$((port + 1))
SlurmUser=root
SlurmdUser=root
AuthType=auth/munge
AuthInfo=socket=$socket
CredType=cred/munge
StateSaveLocation=$dir/state
SlurmdSpoolDir=$dir/spool
SlurmctldPidFile=$dir/slurmctld.pid
SlurmdPidFile=$dir/slurmd.pid
SlurmctldLogFile=$dir/slurmctld.log
SlurmdLogFile=$dir/slurmd.log
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
SelectType=select/cons_tres
SelectTypeParameters=CR_Core
ReturnToService=2
MpiDefault=none
JobAcctGatherType=jobacct_gather/none
AccountingStorageType=accounting_storage/none
JobCompType=jobcomp/none
MailProg=/bin/true
$node NodeAddr=127.0.0.1 State=UNKNOWN
PartitionName=test Nodes=ALL Default=YES MaxTime=INFINITE State=UP
CONF
export SLURM_CONF=$dir/slurm.conf

# In the foreground of their own (-D), so that their pid files name them; state from nothing (-i).
setsid slurmctld -D -i -f "$SLURM_CONF" >>"$dir/slurmctld.log" 2>&1 </dev/null &
echo $! >"$dir/slurmctld.pid"
setsid slurmd -D -f "$SLURM_CONF" >>"$dir/slurmd.log" 2>&1 </dev/null &
echo $! >"$dir/slurmd.pid"

# Ready when the node is idle: a few seconds after the daemons start.
until [ "$SECONDS" -ge 30 ]; do
  state=$(timeout 5 sinfo -h -n "$host" -o %T 2>/dev/null)
  [ "$state" = idle ] && { echo "export SLURM_CONF=$SLURM_CONF"; exit 0; }
  kill -0 "$(cat "$dir/slurmctld.pid")" 2>/dev/null || give_up "slurmctld ended"
  kill -0 "$(cat "$dir/slurmd.pid")" 2>/dev/null || give_up "slurmd ended"
  sleep 0.1
done
give_up "the node is not idle after 30 s (state: ${state:-none})"
