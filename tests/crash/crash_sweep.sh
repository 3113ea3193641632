#!/bin/sh
# The crash sweep: each scenario of the crash driver, ended (kill) or faulted (EIO, ENOSPC) at its
# Nth file change, then started twice more and checked.
#   crash_sweep.sh DRIVER INJECTOR WORK_FOLDER all|sample
# CRASH_SWEEP_SCENARIOS and CRASH_SWEEP_MODES narrow it to some scenarios and modes.
# "all" tries every N of every scenario in every mode. "sample" (what `make test` runs, to stay within
# a few minutes) kills each scenario at N = 1 to 4, then at every Kth N so that about
# $CRASH_SWEEP_POINTS (default 12) points are tried, always the last one, and faults every third
# of those points with EIO and with ENOSPC.
set -u
driver=$1
injector=$2
work=$3
coverage=${4:-sample}

# Preloading beside the sanitizer's runtime is fine: ours only passes the calls on.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}verify_asan_link_order=0:detect_leaks=0"

tried=0
violations=0
scenarios=${CRASH_SWEEP_SCENARIOS:-comment read-only-log exit-save recovery-start recovery-read-only-log pending-move unreadable-store profile-switch}

fail() {
    echo "VIOLATION $*"
    violations=$((violations + 1))
}

for scenario in $scenarios; do
    base=$work/$scenario/base
    rm -rf "$work/$scenario"
    mkdir -p "$base"
    "$driver" prep "$base" "$scenario" || { fail "$scenario: its preparation failed"; continue; }
    count=$work/$scenario/count
    cp -a "$base" "$count"
    LD_PRELOAD=$injector "$driver" run "$count" "$scenario" || { fail "$scenario: the run failed"; continue; }
    ops=$(cat "$count/ops")
    if [ "$coverage" = all ]; then
        points=$(seq 1 "$ops")
        step=1
    else
        wanted=${CRASH_SWEEP_POINTS:-12}
        step=$(( (ops + wanted - 5) / (wanted - 4) ))
        points=$( (seq 1 $((ops < 4 ? ops : 4)); seq 5 "$step" "$ops"; echo "$ops") | sort -n -u)
    fi
    for mode in ${CRASH_SWEEP_MODES:-kill eio enospc}; do
        i=0
        for n in $points; do
            i=$((i + 1))
            if [ "$coverage" != all ] && [ "$mode" != kill ] && [ $((i % 3)) -ne 0 ] && [ "$n" -ne "$ops" ]; then
                continue
            fi
            tried=$((tried + 1))
            trial=$work/$scenario/trial
            rm -rf "$trial"
            cp -a "$base" "$trial"
            TALLYDIAL_FAULT_AT=$n TALLYDIAL_FAULT=$mode LD_PRELOAD=$injector \
                "$driver" run "$trial" "$scenario" >"$trial.out" 2>&1
            rc=$?
            # Only a kill may end the run, with SIGKILL's 137.
            if [ $rc -ne 0 ] && { [ "$mode" != kill ] || [ $rc -ne 137 ]; }; then
                fail "$scenario $mode at $n: the run ended with $rc"; cat "$trial.out"
            fi
            for again in 1 2; do
                "$driver" restart "$trial" >"$trial.out" 2>&1 ||
                    { fail "$scenario $mode at $n: start $again aborted"; cat "$trial.out"; }
            done
            if ! "$driver" check "$trial" "$scenario" "$mode" >"$trial.out" 2>&1; then
                fail "$scenario $mode at $n:"; cat "$trial.out"
            fi
        done
    done
    [ "$coverage" = all ] && echo "$scenario: $ops file changes, every one tried" ||
        echo "$scenario: $ops file changes; crash points 1 to 4, then one in every $step"
done
echo "crash points tried: $tried; violations: $violations"
[ "$violations" -eq 0 ]
