#!/usr/bin/env bash
# Runs every fuzz target of a fuzz build for a while, each from its committed corpus,
# one target after another (one process: the machines are shared).
#   bash fuzz/run.sh BUILD_DIR SECONDS [TARGET...]
#   FUZZ_RUNS=1000000 bash fuzz/run.sh BUILD_DIR 0 [TARGET...]   (executions, not seconds)
# New inputs go to BUILD_DIR/fuzz-corpus/<target> (the corpus in fuzz/corpus stays as it
# is); a crash is kept as BUILD_DIR/fuzz-artifacts/<target>-crash-... and fails the run.
set -uo pipefail
cd "$(dirname "$0")/.."

source fuzz/targets.sh

build=${1:?build folder}
seconds=${2:?seconds per target}
shift 2
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  fuzz_targets
fi

status=0
summary=()
for t in "${targets[@]}"; do
  exe="$build/fuzz/$t"
  if [ ! -x "$exe" ]; then
    echo "fuzz: $exe is missing" >&2
    exit 2
  fi
  corpus="$build/fuzz-corpus/$t"
  artifacts="$build/fuzz-artifacts"
  mkdir -p "$corpus" "$artifacts"
  log="$build/fuzz-$t.log"
  dict=()
  if [ -f "fuzz/dict/$t.dict" ]; then dict=(-dict="fuzz/dict/$t.dict"); fi
  if [ -n "${FUZZ_RUNS:-}" ]; then
    limit=(-runs="$FUZZ_RUNS")
    echo "fuzz: $t for $FUZZ_RUNS runs"
  else
    limit=(-max_total_time="$seconds")
    echo "fuzz: $t for ${seconds}s"
  fi
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    "$exe" "$corpus" "fuzz/corpus/$t" "${dict[@]}" "${limit[@]}" -max_len="$(max_len "$t")" \
      -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$artifacts/$t-" >"$log" 2>&1
  rc=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  # The final counts and coverage, as libFuzzer printed them.
  grep -E '^#[0-9]+[[:space:]]+DONE' "$log" | tail -1 | sed "s/^/fuzz: $t: /"
  grep -E '^stat::' "$log" | sed "s/^/fuzz: $t: /"
  if [ $rc -ne 0 ]; then
    status=1
    summary+=("$t: FINDING after ${runs:-?} runs (see $log)")
    tail -40 "$log" >&2
  else
    summary+=("$t: ${runs:-?} runs, no finding")
  fi
done
printf 'fuzz: %s\n' "${summary[@]}"
exit $status
