#!/usr/bin/env bash
# shellcheck disable=SC2317 # functions called through trap and wait_for
# tintaborra-lote split into shards, over a one-node Slurm started on this
# machine (default) or over GNU parallel (--parallel). Not part of .ci/run.
#
# Makes 1,000 scan-like pages (600 JPEG pictures and 8 PDFs of 50 pages, with
# bench/batch_pictures and tintaborra-lote itself), one plain run of them all
# into ref/ (the reference, timed), and shard lists of about equal pages. Each
# shard runs as
#   tintaborra-lote --lista shards/shard_N --continuar --informe informes/shard_N.csv
#                   -o limpias/shard_N -j 1 STEPS
# one output folder a shard, so that no two shards can write one name.
#   Slurm:    a job array, one shard at a time (--array=0-7%1) and two at once
#             (%2), timed; then %2 again, `scancel` of task 0 while it runs
#             (SIGTERM, KILL after KillWait), and task 0 submitted again.
#   parallel: `parallel --joblog` with -j 1 and -j 2, timed; then -j 2 again,
#             parallel and its jobs all killed with SIGKILL midway, and
#             `parallel --resume-failed` with the same joblog.
# After each run bench/cluster_check.py checks the outputs (each once, the
# bytes of ref/, nothing left over) and the reports (every input done, no
# half line, nothing written twice). Pages per second are the wall time from
# submitting to the last shard's end, scheduling included.
# Slurm's daemons (munged, slurmctld, slurmd as root, proctrack/linuxproc, no
# cgroups) run on loopback from a temporary folder, with their own key and
# ports, and are stopped with everything else on exit, failed or not.
# Exits 1 when a check fails.
# Usage: bench/cluster.sh [--parallel] [build dir (build)]
#   SHARDS=8, STEPS='--quitar 200,30,30 --gris 140,20', KEEP=1 keeps the folder
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
mode=slurm
if [ "${1:-}" = --parallel ]; then mode=parallel; shift; fi
build=$(realpath "${1:-build}")
lote=$build/src/batch/tintaborra-lote
make_picture=$build/bench/batch_pictures
shards=${SHARDS:-8}
read -r -a steps <<<"${STEPS:---quitar 200,30,30 --gris 140,20}"

missing=()
need() { command -v "$1" >/dev/null 2>&1 || missing+=("$1"); }
need python3
if [ "$mode" = slurm ]; then
  for tool in munged mungekey slurmctld slurmd sbatch squeue scancel scontrol; do need "$tool"; done
  [ ${#missing[@]} -eq 0 ] || { echo "cluster.sh: missing ${missing[*]}: apt-get install slurm-wlm munge" >&2; exit 2; }
else
  need parallel
  [ ${#missing[@]} -eq 0 ] || { echo "cluster.sh: missing ${missing[*]}: apt-get install parallel python3" >&2; exit 2; }
fi
for file in "$lote" "$make_picture"; do
  [ -x "$file" ] || { echo "cluster.sh: no $file: cmake --build $build --target tintaborra-lote tintaborra_documents batch_pictures" >&2; exit 2; }
done

work=$(mktemp -d /tmp/tintaborra-cluster.XXXXXX)
daemons=()
# SIGKILL to every process of the session begun by setsid (parallel puts each
# job in a process group of its own), as when the machine goes down.
kill_session() {
  local pids
  pids=$(ps -o pid= -s "$1" || true)
  # shellcheck disable=SC2086 # one pid a word
  [ -z "$pids" ] || kill -KILL $pids 2>/dev/null || true
}
cleanup() {
  local rc=$? pid
  trap - EXIT INT TERM
  [ -n "${parallel_group:-}" ] && kill_session "$parallel_group"
  if [ ${#daemons[@]} -gt 0 ]; then
    scancel --full --quiet --user=root 2>/dev/null || true
    for pid in "${daemons[@]}"; do kill -TERM "$pid" 2>/dev/null || true; done
    for pid in "${daemons[@]}"; do
      for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
      kill -KILL "$pid" 2>/dev/null || true
    done
  fi
  if [ -n "${KEEP:-}" ]; then echo "kept $work"; else rm -rf "$work"; fi
  exit "$rc"
}
trap cleanup EXIT
trap 'exit 130' INT TERM
cd "$work"

seconds_since() { echo "$(date +%s.%N) - $1" | bc -l; }
rate() { printf '%-52s %7.1f s %8.1f pages/s\n' "$1" "$2" "$(echo "$pages / $2" | bc -l)"; }
# Waits for a condition (a command) for at most $1 seconds.
wait_for() {
  local limit=$1 start
  shift
  start=$(date +%s)
  until "$@"; do
    [ $(($(date +%s) - start)) -lt "$limit" ] || { echo "gave up waiting for: $*" >&2; return 1; }
    sleep 0.1
  done
}

# --- Pages: 24 distinct ones, 600 pictures and 8 documents made of them (of
# distinct files: a file named twice is one input).
mkdir -p entrada/hojas entrada/documentos base
for k in $(seq 0 23); do
  kind=scan
  [ $((k % 2)) -eq 1 ] && kind=text
  "$make_picture" "$kind" "base/$k.jpg" $((1240 + k)) $((1754 - k))
done
for i in $(seq -w 0 599); do cp "base/$((10#$i % 24)).jpg" "entrada/hojas/hoja$i.jpg"; done
for d in $(seq 0 7); do
  pages_of=()
  for p in $(seq 0 49); do pages_of+=("entrada/hojas/hoja$(printf %03d $(((d * 53 + p * 11) % 600))).jpg"); done
  "$lote" -o entrada/documentos --unir "documento$d.pdf" --calidad 90 "${pages_of[@]}" >/dev/null 2>&1
done
pages=1000

# --- Shards: documents first, each input to the shard with the fewest pages;
# in each list a third of its pictures, its documents, the other pictures (so
# that a shard killed after a third of its inputs dies inside a document).
mkdir shards informes limpias
{
  for f in entrada/documentos/*.pdf; do echo "50 $work/$f"; done
  for f in entrada/hojas/*.jpg; do echo "1 $work/$f"; done
} | awk -v n="$shards" '{
    best = 0
    for (s = 1; s < n; s++) if (load[s] < load[best]) best = s
    load[best] += $1
    if ($1 > 1) docs[best] = docs[best] $2 "\n"
    else pics[best, ++count[best]] = $2
  }
  END {
    for (s = 0; s < n; s++) {
      file = "shards/shard_" s
      for (i = 1; i <= count[s]; i++) {
        if (i == int((count[s] + 1) / 3) + 1) printf "%s", docs[s] > file
        print pics[s, i] > file
      }
    }
  }'
echo "$pages pages: $(find entrada/hojas -type f | wc -l) JPEG pictures and $(find entrada/documentos -type f | wc -l) PDFs of 50 pages," \
  "in $shards shards of $(wc -l <shards/shard_0) inputs; steps: ${steps[*]}"

# --- The reference: one plain run over everything.
start=$(date +%s.%N)
"$lote" -o ref -j 2 "${steps[@]}" entrada/hojas entrada/documentos >/dev/null 2>&1
reference_seconds=$(seconds_since "$start")
fresh() { rm -rf limpias informes jobs.log && mkdir limpias informes; }
check() { python3 "$here/cluster_check.py" "$work"; }
failed=0
report_lines() { [ -f "$1" ] && [ $(($(wc -l <"$1") - 1)) -ge "$2" ]; }
third=$(($(wc -l <shards/shard_0) / 3))

run_slurm() {
  local conf=$work/slurm port
  mkdir -p "$conf"/{state,spool,logs}
  mungekey --create --keyfile="$conf/munge.key" >/dev/null 2>&1
  chmod 600 "$conf/munge.key"
  munged --foreground --force --key-file="$conf/munge.key" --socket="$conf/munge.socket" \
    --pid-file="$conf/munged.pid" --log-file="$conf/munged.log" --seed-file="$conf/munged.seed" 2>/dev/null &
  daemons+=($!)
  read -r -a port < <(python3 -c 'import socket
s = [socket.socket() for _ in range(2)]
[x.bind(("127.0.0.1", 0)) for x in s]
print(*[x.getsockname()[1] for x in s])')
  local host
  host=$(hostname -s)
  cat >"$conf/slurm.conf" <<EOF
ClusterName=tintaborra
SlurmctldHost=$host(127.0.0.1)
SlurmctldPort=${port[0]}
SlurmdPort=${port[1]}
SlurmUser=root
SlurmdUser=root
AuthType=auth/munge
CredType=cred/munge
AuthInfo=socket=$conf/munge.socket
StateSaveLocation=$conf/state
SlurmdSpoolDir=$conf/spool
SlurmctldPidFile=$conf/slurmctld.pid
SlurmdPidFile=$conf/slurmd.pid
SlurmctldLogFile=$conf/logs/slurmctld.log
SlurmdLogFile=$conf/logs/slurmd.log
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
JobAcctGatherType=jobacct_gather/none
AccountingStorageType=accounting_storage/none
SchedulerType=sched/builtin
SelectType=select/cons_tres
SelectTypeParameters=CR_CPU
MpiDefault=none
ReturnToService=2
KillWait=5
NodeName=$host NodeAddr=127.0.0.1 CPUs=2 State=UNKNOWN
PartitionName=lote Nodes=$host Default=YES MaxTime=INFINITE State=UP
EOF
  export SLURM_CONF=$conf/slurm.conf
  wait_for 10 test -S "$conf/munge.socket"
  slurmctld -D -i -f "$SLURM_CONF" >"$conf/logs/slurmctld.out" 2>&1 &
  daemons+=($!)
  slurmd -D -N "$host" -f "$SLURM_CONF" >"$conf/logs/slurmd.out" 2>&1 &
  daemons+=($!)
  node_idle() { sinfo -h -N -o %t 2>/dev/null | grep -qx idle; }
  if ! wait_for 60 node_idle; then
    tail -n 5 "$conf"/logs/*
    return 1
  fi
  echo "Slurm $(sinfo --version | cut -d' ' -f2): node $host idle, 2 CPUs, controller on 127.0.0.1:${port[0]}"
  cat >task.sh <<EOF
#!/bin/sh
exec $(printf '%q ' "$lote") --lista "shards/shard_\$SLURM_ARRAY_TASK_ID" --continuar \
  --informe "informes/shard_\$SLURM_ARRAY_TASK_ID.csv" -o "limpias/shard_\$SLURM_ARRAY_TASK_ID" -j 1 $(printf '%q ' "${steps[@]}")
EOF
  # sbatch --wait polls ever more slowly (up to 32 s): squeue is asked instead.
  job_ended() { ! squeue -h -j "$1" 2>/dev/null | grep -q .; }
  local job
  submit() { job=$(sbatch --parsable --chdir="$work" --cpus-per-task=1 --output="$conf/logs/task_%A_%a.out" --array="$1" task.sh); }
  finish() { wait_for 900 job_ended "$job"; }
  local last=$((shards - 1)) at_once
  for at_once in 1 2; do
    fresh
    start=$(date +%s.%N)
    submit "0-$last%$at_once"
    finish
    rate "Slurm array --array=0-$last%$at_once (-j 1 a task)" "$(seconds_since "$start")"
    check || failed=1
  done

  fresh
  submit "0-$last%2"
  wait_for 120 report_lines informes/shard_0.csv "$third"
  scancel "${job}_0"
  start=$(date +%s.%N)
  task_ended() { ! squeue -h -j "${job}_0" 2>/dev/null | grep -q .; }
  wait_for 60 task_ended
  printf 'scancel of task 0: it ended %.1f s later, its last words: %s\n' "$(seconds_since "$start")" \
    "$(tail -n 1 "$conf/logs/task_${job}_0.out")"
  finish
  cp informes/shard_0.csv informes/shard_0.killed.csv
  echo "  $(($(wc -l <informes/shard_0.killed.csv) - 1)) of $(wc -l <shards/shard_0) inputs in its report;" \
    "$(find limpias/shard_0 -name '.*' | wc -l) hidden leftovers; submitted again as --array=0"
  submit 0
  finish
  check || failed=1
}

run_parallel() {
  local at_once
  shards_through_parallel() { # parallel's options...
    parallel --joblog jobs.log "$@" "$lote" --lista {} --continuar --informe 'informes/{/}.csv' \
      -o 'limpias/{/}' -j 1 "${steps[@]}" ::: shards/shard_*
  }
  for at_once in 1 2; do
    fresh
    start=$(date +%s.%N)
    shards_through_parallel -j "$at_once" >/dev/null 2>&1 || echo "some job failed: $(cat jobs.log)"
    rate "GNU parallel -j $at_once (-j 1 a job)" "$(seconds_since "$start")"
    check || failed=1
  done

  fresh
  setsid bash -c "$(declare -f shards_through_parallel); $(declare -p lote steps); shards_through_parallel -j 2" >/dev/null 2>&1 &
  parallel_group=$!
  # Ended jobs (exit status 0), by their report's name.
  ended() { tail -n +2 jobs.log 2>/dev/null | awk -F'\t' '$7 == 0 && match($9, /shard_[0-9]+/) {print substr($9, RSTART, RLENGTH) ".csv"}'; }
  # Once two jobs ended, one of those running.
  running() { [ "$(ended | wc -l)" -ge 2 ] && find informes -name '*.csv' -printf '%f\n' | grep -vxF -f <(ended) | head -n 1 | grep .; }
  wait_for 300 running >/dev/null
  local victim
  victim=$(running)
  wait_for 60 report_lines "informes/$victim" "$third"
  kill_session "$parallel_group"
  wait "$parallel_group" 2>/dev/null || true
  parallel_group=
  echo "SIGKILL to parallel and its jobs with $(ended | wc -l) of $shards jobs ended in jobs.log;" \
    "$(($(wc -l <"informes/$victim") - 1)) of $(wc -l <"shards/${victim%.csv}") inputs in the report of ${victim%.csv};" \
    "$(find limpias -name '.*' | wc -l) hidden leftovers"
  for report in informes/*.csv; do
    ended | grep -qxF "${report#informes/}" || mv "$report" "${report%.csv}.killed.csv"
  done
  shards_through_parallel -j 2 --resume-failed >/dev/null 2>&1 || echo "a job taken up again failed: $(cat jobs.log)"
  echo "parallel --resume-failed --joblog jobs.log: $(ended | wc -l) of $shards jobs ended in jobs.log"
  check || failed=1
}

rate "one plain run, -j 2 (the reference)" "$reference_seconds"
"run_$mode"
echo "this machine: $(nproc) cores shared with other work, load average $(cut -d' ' -f1-3 /proc/loadavg) (1, 5, 15 min)"
[ "$failed" -eq 0 ] && echo "all checks passed" || echo "SOME CHECKS FAILED"
exit "$failed"
