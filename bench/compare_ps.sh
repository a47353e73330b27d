#!/usr/bin/env bash
# bench/compare_ps.sh [BUILD_DIR] [EXTRA_PROCESSES]
# CPU time (user + system) of one process-table sample against one run of
#   ps -eo pid,ppid,user,pcpu,rss,nlwp,comm
# on the same process set, with EXTRA_PROCESSES (default 500) sleeping processes added.
# Target: the sample costs at most a quarter of what ps costs.
#
#   scripts/build build -DCMAKE_BUILD_TYPE=RelWithDebInfo -- process_bench
#   bench/compare_ps.sh build 500
set -euo pipefail

build=${1:-build}
extra=${2:-500}
runs=${RUNS:-40}
bench=$build/bench/process_bench

[[ $extra =~ ^[0-9]+$ ]] || { echo "compare_ps: EXTRA_PROCESSES must be a number, got '$extra'" >&2; exit 2; }
[[ $runs =~ ^[1-9][0-9]*$ ]] || { echo "compare_ps: RUNS must be a positive number, got '$runs'" >&2; exit 2; }
if [[ ! -x $bench ]]; then
  echo "compare_ps: $bench is missing; build it with: scripts/build $build -- process_bench" >&2
  exit 2
fi

sleepers=()
cleanup() {
  # Only this script's own children, each by its pid: the ones recorded, and any the shell
  # started but a signal kept from being recorded.
  local pid
  for pid in "${sleepers[@]}" $(jobs -p); do
    if ((pid > 1)); then kill "$pid" 2>/dev/null || true; fi
  done
  wait 2>/dev/null || true
}
trap cleanup EXIT
trap 'exit 130' INT TERM

for ((i = 0; i < extra; i++)); do
  sleep 3600 </dev/null >/dev/null 2>&1 &
  sleepers+=("$!")
done

processes=$(ps -e --no-headers | wc -l)
rows=$(ps -eo pid,ppid,user,pcpu,rss,nlwp,comm --no-headers | wc -l)

# The children's user and system time as `times` reports it in the subshell that ran them
# (not in a pipeline: that would be a fresh subshell with no children).
ps_times=$(
  for ((i = 0; i < runs; i++)); do ps -eo pid,ppid,user,pcpu,rss,nlwp,comm >/dev/null; done
  times
)
ps_seconds=$(awk 'NR == 2 {
  total = 0
  for (f = 1; f <= 2; f++) { split($f, t, /[ms]/); total += t[1] * 60 + t[2] }
  printf "%.6f", total
}' <<<"$ps_times")
ps_ms=$(awk -v s="$ps_seconds" -v n="$runs" 'BEGIN { printf "%.3f", s * 1000 / n }')

# Google Benchmark's CPU time of the calling thread: user + system of sample() alone.
sample_csv=$("$bench" --benchmark_filter='^BM_SampleAllProcesses$' --benchmark_repetitions=5 \
  --benchmark_report_aggregates_only=true --benchmark_format=csv 2>/dev/null)
# Columns: name, iterations, real_time, cpu_time, time_unit, ..., processes (last).
read -r sample_ms sample_unit sample_rows < <(awk -F, '$1 ~ /_median"$/ { print $4, $5, $NF }' <<<"$sample_csv")
if [[ -z ${sample_ms:-} || $sample_unit != ms ]]; then
  echo "compare_ps: could not read the benchmark's median from:" >&2
  echo "$sample_csv" >&2
  exit 1
fi

ratio=$(awk -v a="$sample_ms" -v b="$ps_ms" 'BEGIN { printf "%.3f", (b > 0) ? (a / b) : 0 }')
verdict=$(awk -v r="$ratio" 'BEGIN { print (r <= 0.25 ? "within" : "OVER") }')

printf 'processes on the machine: %s (%s extra sleepers); ps rows: %s; sample rows: %.0f\n' "$processes" "$extra" "$rows" "$sample_rows"
printf 'ps -eo pid,ppid,user,pcpu,rss,nlwp,comm: %8.3f ms CPU per run (mean of %s runs)\n' "$ps_ms" "$runs"
printf 'ProcessSampler::sample():               %8.3f ms CPU per call (median of 5 repetitions)\n' "$sample_ms"
printf 'ratio sample / ps: %s (target <= 0.25: %s)\n' "$ratio" "$verdict"
