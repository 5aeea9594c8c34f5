#!/usr/bin/env bash
# Every benchmark on the capacity event and then on the large event, each printing that
# event's marks, and at the end every mark again in one list. Builds nothing: make bench
# builds BUILD_DIR first. A MISSED mark is a figure, not a failure; the run fails only
# when a benchmark program does.
#
#   bash bench/run.sh [BUILD_DIR]
#
# BENCH_ARGS and BENCH_LARGE_ARGS are the benchmark library's options for each event
# (the large event's runs are longer, so they are repeated fewer times);
# LIVE_APPENDS and LIVE_LARGE_APPENDS the live station's appends; RUNS floor.sh's runs.
set -uo pipefail
cd "$(dirname "$0")/.."

build=${1:-build-bench}
capacity_args=${BENCH_ARGS:---benchmark_repetitions=5 --benchmark_report_aggregates_only=true}
large_args=${BENCH_LARGE_ARGS:---benchmark_repetitions=3 --benchmark_report_aggregates_only=true}
logs="$build/bench-logs"
rm -rf "$logs"
mkdir -p "$logs"

status=0
step() {
  local log=$1
  shift
  echo "== $*"
  "$@" 2>&1 | tee -a "$log"
  local rc=${PIPESTATUS[0]}
  if [ "$rc" -ne 0 ]; then
    echo "bench: $1 ended with status $rc" | tee -a "$log"
    status=1
  fi
}

# event name, generator, benchmark options, live appends, memory mark (MB)
run_event() {
  local name=$1 generator=$2 args=$3 appends=$4 max_mb=$5
  local folder="$build/$name-event" log="$logs/$name.log"
  rm -rf "$folder"
  python3 "$generator" "$folder"
  # shellcheck disable=SC2086
  step "$log" "$build/bench/quilo_bench" --event="$folder" --marks="$name" $args
  # shellcheck disable=SC2086
  step "$log" "$build/bench/quilo_window_bench" --event="$folder" --marks="$name" $args
  step "$log" "$build/bench/quilo_live_bench" --event="$folder" --marks="$name" \
    --appends="$appends"
  step "$log" bash bench/floor.sh "$build/quilo-report" "$folder" "$max_mb"
}

export QT_QPA_PLATFORM=offscreen
run_event capacity bench/make_capacity_event.py "$capacity_args" "${LIVE_APPENDS:-50}" 16
run_event large bench/make_large_event.py "$large_args" "${LIVE_LARGE_APPENDS:-25}" 64

echo
echo "== marks (logs in $logs)"
for name in capacity large; do
  grep -h '(target <=' "$logs/$name.log" | sed "s/^/$name: /"
done
exit $status
