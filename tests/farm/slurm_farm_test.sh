#!/bin/bash
# A real single-node Slurm cluster renders the example scene as a job array
# of 4 shares; the frames must be the bytes a local render makes. A second
# array has one task cancelled mid-frame: it must leave no partial frame, and
# the re-queued task must render exactly the frames that are missing.
#
#   slurm_farm_test.sh ORRELUX_RENDER SOURCE_DIR
#
# The test starts munged, slurmctld and slurmd itself, configured in a
# temporary folder for this machine's own name, and stops them and every
# process they started, whatever happens. Exits 77 (skipped, with the reason)
# when Slurm cannot start here.
set -uo pipefail

SKIPPED=77
render=$(realpath "$1")
source_dir=$(realpath "$2")
scene=$source_dir/examples/orion_pan.lws
sbatch_script=$source_dir/farm/orrelux.sbatch
# shellcheck source=farm_checks.sh
. "$source_dir/tests/farm/farm_checks.sh"

say() {
    echo "[${SECONDS} s] $*"
}

skip() {
    echo "SKIPPED: $*" >&2
    exit "$SKIPPED"
}

for tool in munged slurmctld slurmd sbatch squeue scancel sinfo jq; do
    command -v "$tool" >/dev/null ||
        skip "$tool is not installed (scripts/setup.sh installs slurm-wlm, munge and jq)"
done

work=$(mktemp -d /tmp/orrelux-slurm-XXXXXX)
chmod 700 "$work"
mkdir -p "$work/log" "$work/state" "$work/spool"
# Every daemon and job of this test carries this mark in its environment, so
# that cleanup finds them all, and nothing else, by their process ids.
mark="ORRELUX_SLURM_TEST=$work"

daemon_processes() {
    ps -C munged,slurmctld,slurmd,slurmstepd,orrelux-render -o pid=,pgid=,user=,etime=,args=
}
echo "processes before the test:"
daemon_processes || echo "  (none)"

marked_pids() {
    grep -lzxF "$mark" /proc/[0-9]*/environ 2>/dev/null | cut -d/ -f3
}

daemon_groups=()
cleanup() {
    local status=$? pids pid i
    trap - EXIT INT TERM
    if [ -n "${SLURM_CONF:-}" ] && [ -f "$work/slurmctld.pid" ]; then
        timeout 10 scancel --quiet --user "$(id -un)" 2>/dev/null
        timeout 10 scontrol shutdown 2>/dev/null
    fi
    for ((i = 0; i < 50; i++)); do
        pids=$(marked_pids)
        [ -z "$pids" ] && break
        if [ "$i" = 20 ]; then
            for pid in "${daemon_groups[@]}"; do kill -TERM -- "-$pid" 2>/dev/null; done
            # shellcheck disable=SC2086
            kill -TERM $pids 2>/dev/null
        elif [ "$i" = 40 ]; then
            for pid in "${daemon_groups[@]}"; do kill -KILL -- "-$pid" 2>/dev/null; done
            # shellcheck disable=SC2086
            kill -KILL $pids 2>/dev/null
        fi
        sleep 0.2
    done
    echo "processes after the test:"
    daemon_processes || echo "  (none)"
    pids=$(marked_pids)
    if [ -n "$pids" ]; then
        echo "FAIL: processes of the test are left: $pids" >&2
        status=1
    fi
    if [ "$status" != 0 ] && [ "$status" != "$SKIPPED" ]; then
        for log in "$work"/log/*; do
            echo "--- $log" >&2
            tail -n 15 "$log" >&2
        done
    fi
    rm -rf "$work"
    exit "$status"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

# Starts a daemon in a process group of its own, with the mark.
start_daemon() {
    local name=$1
    shift
    env "$mark" setsid "$@" >"$work/log/$name.out" 2>&1 </dev/null &
    daemon_groups+=("$!")
}

free_port() {
    local port
    for ((;;)); do
        port=$((20000 + RANDOM % 40000))
        (echo >"/dev/tcp/127.0.0.1/$port") 2>/dev/null || { echo "$port"; return; }
    done
}

# munge with a key of its own and its own socket, as the current user.
head -c 1024 /dev/urandom >"$work/munge.key"
chmod 600 "$work/munge.key"
start_daemon munged munged --foreground --force --key-file="$work/munge.key" \
    --socket="$work/munge.socket" --pid-file="$work/munged.pid" \
    --log-file="$work/log/munged.log" --seed-file="$work/munged.seed"
for ((i = 0; i < 50; i++)); do
    [ -S "$work/munge.socket" ] && break
    sleep 0.1
done
[ -S "$work/munge.socket" ] || skip "munged did not start: $(tail -n 3 "$work/log/munged.out")"

host=$(hostname -s)
ctld_port=$(free_port)
slurmd_port=$(free_port)
while [ "$slurmd_port" = "$ctld_port" ]; do slurmd_port=$(free_port); done
user=$(id -un)
: >"$work/plugstack.conf"
cat >"$work/slurm.conf" <<CONF
ClusterName=orreluxtest
SlurmctldHost=$host(127.0.0.1)
SlurmUser=$user
SlurmdUser=$user
SlurmctldPort=$ctld_port
SlurmdPort=$slurmd_port
AuthType=auth/munge
CredType=cred/munge
AuthInfo=socket=$work/munge.socket
StateSaveLocation=$work/state
SlurmdSpoolDir=$work/spool
SlurmctldPidFile=$work/slurmctld.pid
SlurmdPidFile=$work/slurmd.pid
SlurmctldLogFile=$work/log/slurmctld.log
SlurmdLogFile=$work/log/slurmd.log
PlugStackConfig=$work/plugstack.conf
ProctrackType=proctrack/pgid
TaskPlugin=task/none
JobAcctGatherType=jobacct_gather/none
AccountingStorageType=accounting_storage/none
SchedulerType=sched/builtin
SelectType=select/cons_tres
SelectTypeParameters=CR_CPU
MpiDefault=none
ReturnToService=2
KillWait=5
NodeName=$host NodeAddr=127.0.0.1 CPUs=$(nproc) State=UNKNOWN
PartitionName=render Nodes=$host Default=YES MaxTime=INFINITE State=UP
CONF
export SLURM_CONF=$work/slurm.conf
start_daemon slurmctld slurmctld -D -i -f "$SLURM_CONF"
start_daemon slurmd slurmd -D -f "$SLURM_CONF"
for ((i = 0; i < 150; i++)); do
    [ "$(sinfo -h -o %T 2>/dev/null)" = idle ] && break
    sleep 0.2
done
[ "$(sinfo -h -o %T 2>/dev/null)" = idle ] ||
    skip "the Slurm node did not come up on $host: $(tail -n 3 "$work"/log/slurm*.out | tr '\n' ' ')"
say "Slurm is up on $host (slurmctld port $ctld_port, slurmd port $slurmd_port)"

# Submits the job script as an array; prints the job id.
submit() {
    local array=$1 name=$2
    shift 2
    sbatch --parsable --array="$array" --output="$work/log/$name-%a.log" \
        --export="ALL,$mark,ORRELUX_RENDER=$render${ORRELUX_CHUNKS:+,ORRELUX_CHUNKS=$ORRELUX_CHUNKS}" \
        "$sbatch_script" "$scene" "$@"
}

# Waits until job $1 has left the queue, at most $2 seconds.
wait_for_job() {
    local deadline=$((SECONDS + $2))
    while [ -n "$(squeue -h -j "$1" 2>/dev/null)" ]; do
        if [ "$SECONDS" -ge "$deadline" ]; then
            fail "job $1 did not finish within $2 s: $(squeue -h -j "$1" | tr '\n' ' ')"
            exit 1
        fi
        sleep 0.2
    done
}

# 1. Four shares, at most two running at once; every frame exactly the local
# render's.
render_reference small --size 160x90
job=$(submit 0-3%2 whole "$work/whole/o_####.exr" --size 160x90) || fail "sbatch refused the array"
wait_for_job "$job" 60
same_frames "$work/whole" "$work/small"
[ "$(farm_failed "$work/whole/reports" 4)" = "" ] || fail "a share of the whole run is not complete"
for ((i = 0; i < 4; i++)); do
    [ "$(report_value "$work/whole/reports/chunk-$i-of-4.json" '.written | length')" = 6 ] ||
        fail "share $i did not write its 6 frames"
done
say "whole array: $(ls "$work/whole" | grep -c exr) frames, the local render's bytes"

# 2. Share 1 cancelled once it has written a frame: it is then in the middle
# of its next one.
render_reference big --size 960x540 --depth half --jobs 2
job=$(submit 0-3 cancelled "$work/cut/o_####.exr" --size 960x540 --depth half) ||
    fail "sbatch refused the array"
deadline=$((SECONDS + 60))
until [ -f "$work/cut/o_0007.exr" ]; do
    [ "$SECONDS" -lt "$deadline" ] || { fail "share 1 wrote no frame within 60 s"; exit 1; }
    sleep 0.05
done
scancel "${job}_1"
wait_for_job "$job" 60
share1=$work/cut/reports/chunk-1-of-4.json
[ "$(report_value "$share1" '[.interrupted, .exit_status, .complete]')" = "[true,143,false]" ] ||
    fail "the cancelled share's report: $(report_value "$share1" .)"
missing=$(whole_frames_and_missing "$work/cut" "$work/big")
[ -n "$missing" ] || fail "the cancel came too late: share 1 had finished"
say "cancelled share 1 left frames $(echo $missing) to do, and no partial file"
[ "$(farm_failed "$work/cut/reports" 4)" = 1 ] ||
    fail "failed-chunks names $(farm_failed "$work/cut/reports" 4), not share 1"

# A part of an array does not say how many shares there are: refused.
job=$(submit 1 partial "$work/cut/o_####.exr" --size 960x540 --depth half) ||
    fail "sbatch refused the re-queue"
wait_for_job "$job" 30
grep -q "ORRELUX_CHUNKS=N" "$work/log/partial-1.log" ||
    fail "a partial array without ORRELUX_CHUNKS was not refused: $(cat "$work/log/partial-1.log")"

job=$(ORRELUX_CHUNKS=4 submit 1 requeued "$work/cut/o_####.exr" --size 960x540 --depth half) ||
    fail "sbatch refused the re-queue"
wait_for_job "$job" 60
written=$(report_value "$share1" '[.written[].frame] | .[]')
[ "$(echo $written)" = "$(echo $missing)" ] ||
    fail "the re-queued share wrote frames $(echo $written), not the missing $(echo $missing)"
[ "$(report_value "$share1" '.skipped + [.written[].frame] | sort')" = "[7,8,9,10,11,12]" ] ||
    fail "the re-queued share did not cover its frames: $(report_value "$share1" .)"
same_frames "$work/cut" "$work/big"
[ "$(farm_failed "$work/cut/reports" 4)" = "" ] || fail "shares are still incomplete"
say "re-queued share 1 rendered exactly the missing frames"
finish_checks
