#!/usr/bin/env bash
# The README's two cluster recipes, run as written on real engines: its sbatch script on a
# one-node Slurm started here on loopback, with either array numbering, and its GNU Parallel
# line with four shards at once. Each must leave exactly the files of one plain run over the
# same pictures, and a rerun must skip every picture. Exit 77 (skipped) only where Slurm cannot
# start; its reason is printed.
#   cluster_check.sh TINTARA SOURCE_DIR
set -euo pipefail
tintara=$(realpath "$1")
readme=$2/README.md
work=$(mktemp -d)
started_munged=""
cleanup() {
    # The daemons this run started, and nothing else: they are the ones given its config, and
    # munged when no munged ran before.
    pkill -f -- "-f $work/slurm.conf" 2>/dev/null || true
    for _ in $(seq 50); do pgrep -f -- "-f $work/slurm.conf" >/dev/null || break; sleep 0.1; done
    if [ -n "$started_munged" ]; then
        runuser -u munge -- /usr/sbin/munged --stop 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }
skip() { echo "SKIP: $*"; exit 77; }

# Pictures in nested folders, with stems that clash and names a shell would trip on.
photos=$work/photos
mkdir -p "$photos/one/two" "$photos/three"
n=0
for folder in "" one one/two three; do
    for stem in a b "c d" -e "f'g"; do
        n=$((n + 1))
        {
            printf 'P6\n24 18\n255\n'
            head -c $((24 * 18 * 3)) /dev/urandom
        } >"$photos/$folder/$stem.ppm"
    done
    convert "$photos/$folder/a.ppm" -flop "$photos/$folder/a.png"
done
pictures=$(find "$photos" -type f | wc -l)

# The files of a folder, each with its bytes' hash; reports left out.
tree_of() { (cd "$1" && find . -name '*.png' -type f -print0 | sort -z | xargs -0 sha256sum); }
# Every picture reported once, and each "skipped".
all_skipped() {
    [ "$(grep -c . "$1")" -eq "$pictures" ] || return 1
    ! grep -v -q $'\tskipped\t' "$1"
}

"$tintara" --batch --threshold --type massimo-minimo --recursive --out "$work/plain" "$photos" \
    >"$work/plain.txt"
wanted=$(tree_of "$work/plain")
[ "$(echo "$wanted" | wc -l)" -eq $((3 * pictures)) ] || fail "the plain run wrote $(echo "$wanted" | wc -l) planes"

# --- GNU Parallel: the README's line, four shards at once on this machine instead of four hosts.
line=$(sed -n '/^parallel --sshlogin/,/:::/p' "$readme")
[ -n "$line" ] || fail "no GNU Parallel line in the README"
line=${line//\\$'\n'/}
line=${line/--sshlogin host1,host2,host3,host4 --jobs 1/--jobs 4}
line=${line//\/shared\/photos/$photos}
line=${line//\/shared\/edges/$work/parallel}
line=${line//tintara /$tintara }
(cd "$work" && eval "$line") >"$work/parallel.txt"
[ "$(tree_of "$work/parallel")" = "$wanted" ] || fail "GNU Parallel's shards wrote other files than one run"
(cd "$work" && eval "$line") >"$work/parallel-again.txt"
all_skipped "$work/parallel-again.txt" || fail "a rerun of the GNU Parallel line did not skip every picture"
echo "GNU Parallel: 4 shards at once wrote exactly one run's $((3 * pictures)) planes; the rerun skipped all $pictures pictures"

# --- Slurm: a controller and one node on loopback, with munge for their authentication.
[ "$(id -u)" -eq 0 ] || skip "starting slurmd needs root"
command -v slurmctld >/dev/null && command -v munged >/dev/null || skip "slurm-wlm or munge is not installed"
if ! munge -n 2>/dev/null | unmunge >/dev/null 2>&1; then
    [ -f /etc/munge/munge.key ] || runuser -u munge -- mungekey --create 2>/dev/null || skip "no munge key can be made"
    install -d -o munge -g munge -m 0755 /run/munge
    runuser -u munge -- /usr/sbin/munged 2>"$work/munged.log" || skip "munged does not start: $(cat "$work/munged.log")"
    started_munged=yes
    for _ in $(seq 50); do munge -n 2>/dev/null | unmunge >/dev/null 2>&1 && break; sleep 0.1; done
    munge -n | unmunge >/dev/null 2>&1 || skip "munge does not answer"
fi
mkdir -p "$work/state" "$work/spool" "$work/jobs"
export SLURM_CONF=$work/slurm.conf
cat >"$SLURM_CONF" <<EOF
ClusterName=tintara-check
SlurmctldHost=localhost(127.0.0.1)
SlurmctldPort=16917
SlurmdPort=16918
SlurmUser=root
AuthType=auth/munge
StateSaveLocation=$work/state
SlurmdSpoolDir=$work/spool
SlurmctldPidFile=$work/slurmctld.pid
SlurmdPidFile=$work/slurmd.pid
SlurmctldLogFile=$work/slurmctld.log
SlurmdLogFile=$work/slurmd.log
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
SchedulerType=sched/backfill
SelectType=select/cons_tres
SelectTypeParameters=CR_CPU
ReturnToService=2
MpiDefault=none
JobCompType=jobcomp/none
AccountingStorageType=accounting_storage/none
NodeName=check1 NodeHostname=$(hostname) NodeAddr=127.0.0.1 CPUs=$(nproc) State=UNKNOWN
PartitionName=check Nodes=check1 Default=YES MaxTime=INFINITE State=UP
EOF
! scontrol ping 2>/dev/null | grep -q UP || skip "a Slurm controller already answers on port 16917"
slurmctld -i -f "$SLURM_CONF" || skip "slurmctld does not start: $(tail -n 5 "$work/slurmctld.log" 2>/dev/null)"
slurmd -N check1 -f "$SLURM_CONF" || skip "slurmd does not start: $(tail -n 5 "$work/slurmd.log" 2>/dev/null)"
for _ in $(seq 100); do
    [ "$(sinfo -h -n check1 -o %T 2>/dev/null)" = idle ] && break
    sleep 0.2
done
[ "$(sinfo -h -n check1 -o %T 2>/dev/null)" = idle ] ||
    skip "the Slurm node does not come up: $(tail -n 5 "$work/slurmd.log" 2>/dev/null)"

# The README's script as written; the folders and the program come from the job's environment.
awk '/^```/{inside = !inside; next} inside && /^#!\/bin\/bash/{keep = 1} keep && inside{print} keep && !inside{exit}' \
    "$readme" >"$work/edges.sbatch"
grep -q 'SLURM_ARRAY_TASK_MIN' "$work/edges.sbatch" || fail "no sbatch script in the README"
# Submits the script as a job array of 8 tasks writing into EDGES and waits until every task
# has completed with status 0. sbatch --wait would do it, but it polls ever more slowly, up to
# 32 s apart, so a short array would cost it 42 s.
run_array() { # ARRAY EDGES
    local id
    id=$(cd "$work/jobs" && sbatch --parsable --array="$1" --cpus-per-task=1 \
        --export="ALL,PATH=$(dirname "$tintara"):$PATH,PHOTOS=$photos,EDGES=$2" \
        "$work/edges.sbatch") || return 1
    id=${id%%;*}
    for _ in $(seq 3000); do
        [ -z "$(squeue -h -j "$id" 2>/dev/null)" ] && break
        sleep 0.2
    done
    [ -z "$(squeue -h -j "$id" 2>/dev/null)" ] || return 1
    [ "$(scontrol show job "$id" | grep -c 'JobState=COMPLETED')" -eq 8 ] &&
        ! scontrol show job "$id" | grep -o 'ExitCode=[0-9]*:[0-9]*' | grep -qv 'ExitCode=0:0'
}
for array in 1-8 0-7; do
    edges=$work/edges-$array
    run_array "$array" "$edges" || fail "the job array $array failed: $(tail -n 20 "$work"/jobs/* 2>/dev/null)"
    [ "$(tree_of "$edges")" = "$wanted" ] || fail "the job array $array wrote other files than one run"
    [ "$(ls "$edges"/report-*.jsonl | wc -l)" -eq 8 ] || fail "the job array $array did not write 8 reports"
    ! grep -q -i "warn" "$work"/jobs/* || fail "a task's log holds a warning: $(grep -i warn "$work"/jobs/* | head -n 3)"
done
rm -f "$work"/jobs/*
run_array 1-8 "$work/edges-1-8" || fail "the rerun of the job array failed"
cat "$work"/edges-1-8/report-*.jsonl | grep -c '"status":"skipped"' | grep -qx "$pictures" ||
    fail "a rerun of the job array did not skip every picture: $(grep -h -v skipped "$work"/edges-1-8/report-*.jsonl | head -n 3)"
echo "Slurm: job arrays 1-8 and 0-7, two tasks at a time, each wrote exactly one run's $((3 * pictures)) planes; the rerun skipped all $pictures pictures"
