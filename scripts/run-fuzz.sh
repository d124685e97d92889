#!/usr/bin/env bash
# Runs every fuzz target for SECONDS on its corpus: usage run-fuzz.sh BUILD SECONDS [TARGET...].
# As many run side by side as there are cores (FUZZ_JOBS to choose).
# FUZZ_RUNS, when set, also ends each target after that many executions.
# New inputs go to BUILD/fuzz-corpus, never into the tree; an input that breaks a
# target is kept in BUILD/fuzz-artifacts and ends the run with a failure (put it
# under fuzz/regressions/TARGET once the fault is mended).
set -uo pipefail
cd "$(dirname "$0")/.."
build=${1:?usage: run-fuzz.sh BUILD SECONDS [TARGET...]}
seconds=${2:?usage: run-fuzz.sh BUILD SECONDS [TARGET...]}
shift 2
targets=("$@")
# Without names, every libFuzzer program the build holds.
if [ ${#targets[@]} -eq 0 ]; then
  for f in "$build"/fuzz/fuzz_*; do
    t=${f##*/fuzz_}
    [[ -f $f && -x $f && $t != replay_* ]] && targets+=("$t")
  done
  if [ ${#targets[@]} -eq 0 ]; then
    echo "no fuzz targets in $build/fuzz: build the target fuzz_targets first" >&2
    exit 1
  fi
fi
# No allocation stacks and a small quarantine: several times the executions
# per second, and a fault is still found, only reported with less context.
export ASAN_OPTIONS=${ASAN_OPTIONS:-malloc_context_size=0:quarantine_size_mb=16}
runs=()
[ -n "${FUZZ_RUNS:-}" ] && runs=(-runs="$FUZZ_RUNS")

mkdir -p "$build/fuzz-artifacts"
# One target a core at a time: each still gets its SECONDS, the run is over
# sooner. FUZZ_JOBS sets how many run side by side.
jobs=${FUZZ_JOBS:-$(nproc)}

fuzz_one() {
  local t=$1
  local work="$build/fuzz-corpus/$t"
  local log="$build/fuzz-artifacts/$t.log"
  mkdir -p "$work"
  "$build/fuzz/fuzz_$t" -max_total_time="$seconds" "${runs[@]}" -print_final_stats=1 -timeout=10 \
      -artifact_prefix="$build/fuzz-artifacts/$t-" "$work" "fuzz/corpus/$t" "fuzz/regressions/$t" >"$log" 2>&1
}

pids=()
names=()
failed=()
report() {
  local t=$1 status=$2
  echo "== fuzz_$t for ${seconds}s"
  grep -E '^(stat::number_of_executed_units|Done|fuzz property|SUMMARY)|ERROR' "$build/fuzz-artifacts/$t.log"
  if [ "$status" -ne 0 ]; then
    echo "fuzz_$t found a fault (log $build/fuzz-artifacts/$t.log, input in $build/fuzz-artifacts/)"
    failed+=("$t")
  fi
}
# Targets run equally long, so waiting for the oldest keeps every core busy.
for t in "${targets[@]}"; do
  if [ ${#pids[@]} -ge "$jobs" ]; then
    wait "${pids[0]}"
    report "${names[0]}" $?
    pids=("${pids[@]:1}")
    names=("${names[@]:1}")
  fi
  fuzz_one "$t" &
  pids+=($!)
  names+=("$t")
done
for i in "${!pids[@]}"; do
  wait "${pids[$i]}"
  report "${names[$i]}" $?
done
[ ${#failed[@]} -eq 0 ]
