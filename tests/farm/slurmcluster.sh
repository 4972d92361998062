#!/usr/bin/env bash
# Starts and stops a one-node Slurm cluster in a folder of its own: a munge
# daemon with a fresh key, the controller and the node daemon, all on this
# machine, with no cgroup plugins. Needs root (the daemons switch users).
#   source slurmcluster.sh; cluster_start DIR; ...; cluster_stop
# After cluster_start, SLURM_CONF points at the cluster, so sbatch, squeue
# and sinfo talk to it.

cluster_free_port() {
  python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'
}

cluster_start() {
  CLUSTER_DIR=$1
  mkdir -p "$CLUSTER_DIR"/{state,spool,munge,log}
  chmod 700 "$CLUSTER_DIR/munge"
  local host cpus memory ctld_port d_port
  host=$(hostname -s)
  cpus=$(nproc)
  memory=$(awk '/MemTotal/ {print int($2 / 1024 / 2)}' /proc/meminfo)
  ctld_port=$(cluster_free_port)
  d_port=$(cluster_free_port)

  dd if=/dev/urandom of="$CLUSTER_DIR/munge/munge.key" bs=1024 count=1 status=none
  chmod 400 "$CLUSTER_DIR/munge/munge.key"
  munged --force --key-file="$CLUSTER_DIR/munge/munge.key" \
    --socket="$CLUSTER_DIR/munge/munge.socket" --pid-file="$CLUSTER_DIR/munge/munged.pid" \
    --log-file="$CLUSTER_DIR/log/munged.log" --seed-file="$CLUSTER_DIR/munge/munge.seed" || return 1

  cat >"$CLUSTER_DIR/slurm.conf" <<CONF
ClusterName=quenvartest
SlurmctldHost=$host
SlurmctldPort=$ctld_port
SlurmdPort=$d_port
SlurmUser=root
SlurmdUser=root
AuthType=auth/munge
AuthInfo=socket=$CLUSTER_DIR/munge/munge.socket
CredType=cred/munge
StateSaveLocation=$CLUSTER_DIR/state
SlurmdSpoolDir=$CLUSTER_DIR/spool
SlurmctldPidFile=$CLUSTER_DIR/slurmctld.pid
SlurmdPidFile=$CLUSTER_DIR/slurmd.pid
SlurmctldLogFile=$CLUSTER_DIR/log/slurmctld.log
SlurmdLogFile=$CLUSTER_DIR/log/slurmd.log
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
JobAcctGatherType=jobacct_gather/none
AccountingStorageType=accounting_storage/none
SelectType=select/cons_tres
SelectTypeParameters=CR_CPU
MpiDefault=none
ReturnToService=2
SchedulerType=sched/backfill
NodeName=$host CPUs=$cpus RealMemory=$memory State=UNKNOWN
PartitionName=render Nodes=$host Default=YES MaxTime=INFINITE State=UP
CONF
  export SLURM_CONF="$CLUSTER_DIR/slurm.conf"
  slurmctld -f "$SLURM_CONF" || return 1
  slurmd -f "$SLURM_CONF" || return 1
  # The node reports in within a few seconds.
  for _ in $(seq 1 60); do
    if sinfo -h -N -o '%T' 2>/dev/null | grep -qE '^(idle|mixed|allocated)'; then return 0; fi
    sleep 0.5
  done
  echo "slurm: the node did not come up" >&2
  return 1
}

cluster_stop() {
  [ -n "${CLUSTER_DIR:-}" ] || return 0
  local pidfile
  for pidfile in slurmd.pid slurmctld.pid munge/munged.pid; do
    [ -f "$CLUSTER_DIR/$pidfile" ] && kill "$(cat "$CLUSTER_DIR/$pidfile")" 2>/dev/null
  done
  sleep 1
  for pidfile in slurmd.pid slurmctld.pid munge/munged.pid; do
    [ -f "$CLUSTER_DIR/$pidfile" ] && kill -9 "$(cat "$CLUSTER_DIR/$pidfile")" 2>/dev/null
  done
  return 0
}
