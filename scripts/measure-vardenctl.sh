#!/usr/bin/env bash
# measure-vardenctl.sh [BUILD] [RUNS]: times vardenctl's device commands end to
# end (process start to exit) against the virtual processor paced at 9600
# baud, and sets each against the wire time of the frames it exchanges: every
# frame sent and its answer, 10 bits a byte. The link sends at most one frame
# per 30 ms tick, so a command cannot reach the wire time exactly; a write
# should stay within 1.15 times it. Prints the fastest and the median run.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${1:-build}
RUNS=${2:-5}
ctl=$PWD/$BUILD/tools/vardenctl/vardenctl
[ -x "$ctl" ] || { echo "no $ctl: build first" >&2; exit 1; }

work=$(mktemp -d)
sim_pid=
cleanup() {
    [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null && wait "$sim_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
"$ctl" sim --state "$work/device.vsim" >"$work/port" 2>/dev/null &
sim_pid=$!
for _ in $(seq 50); do [ -s "$work/port" ] && break; sleep 0.1; done
port=$(head -1 "$work/port")
"$ctl" demo "$work/demo.dia" >/dev/null

# Bytes on the line, both ways: short frames and their answers are 18 bytes,
# a block 274.
SHORT=36
BLOCK_WRITE=$((274 + 18))
BLOCK_READ=$((18 + 274))
declare -A wire=(
    [names]=$((6 * SHORT))
    [read]=$((SHORT + SHORT + 4 * BLOCK_READ))                          # name query, read (name frame, 4 blocks)
    [write]=$((SHORT + 4 * BLOCK_WRITE))                                # name frame, 4 blocks
    [write-verify]=$((SHORT + 4 * BLOCK_WRITE + SHORT + SHORT + 4 * BLOCK_READ))
)
declare -A args=(
    [names]="names --port $port"
    [read]="read --port $port --slot 3 $work/out.dia"
    [write]="write --port $port --slot 2 $work/demo.dia --name DEMO"
    [write-verify]="write --port $port --slot 2 $work/demo.dia --name DEMO --verify"
)

printf '%-13s %9s %9s %9s %7s\n' command wire_ms min_ms median_ms ratio
for name in names read write write-verify; do
    times=()
    for _ in $(seq "$RUNS"); do
        start=$(date +%s%N)
        # shellcheck disable=SC2086
        "$ctl" ${args[$name]} >/dev/null 2>&1
        end=$(date +%s%N)
        times+=($(((end - start) / 1000000)))
    done
    sorted=($(printf '%s\n' "${times[@]}" | sort -n))
    min=${sorted[0]}
    median=${sorted[$((RUNS / 2))]}
    wire_ms=$((wire[$name] * 10 * 1000 / 9600))
    printf '%-13s %9d %9d %9d %7s\n' "$name" "$wire_ms" "$min" "$median" \
        "$(awk -v m="$median" -v w="$wire_ms" 'BEGIN { printf "%.3f", m / w }')"
done
echo "names at the 30 ms tick: six queries, one every second tick, about 360 ms"
