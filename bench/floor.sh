#!/usr/bin/env bash
# Measures quilo-report on an event against the floor of merely decoding its input
# files (iconv CP932 -> UTF-8), alternating the two, and prints the medians, their
# ratio and quilo-report's peak memory against their marks. Builds nothing.
#
#   bench/floor.sh [QUILO_REPORT [EVENT_FOLDER [MAX_MB]]]
#
# Defaults: build-bench/quilo-report, a capacity event generated into a scratch folder
# and the capacity event's memory mark of 16 MB (the large event's is 64 MB). RUNS
# (default 7) sets the number of runs of each.
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
root="$(dirname "$here")"
report="${1:-$root/build-bench/quilo-report}"
event="${2:-}"
max_mb="${3:-16}"
runs="${RUNS:-7}"

[ -x "$report" ] || { echo "floor.sh: no quilo-report at $report (run make bench)" >&2; exit 2; }

scratch="$(mktemp -d "${TMPDIR:-/tmp}/quilo-floor-XXXXXX")"
trap 'rm -rf "$scratch"' EXIT

if [ -z "$event" ]; then
  event="$scratch/capacity-event"
  python3 "$here/make_capacity_event.py" "$event" >/dev/null
fi
inputs=()
for f in Control.dat Startlst.dat Regnly.log; do
  [ -f "$event/$f" ] && inputs+=("$event/$f")
done
[ ${#inputs[@]} -gt 0 ] || { echo "floor.sh: $event holds none of the input files" >&2; exit 2; }

# GNU time gives the peak memory; both commands go through the same wrapper so its
# cost is on both sides of the ratio.
gnutime=""
[ -x /usr/bin/time ] && gnutime=/usr/bin/time

now_ns() { date +%s%N; }

# Runs a command, prints "wall_ns maxrss_kb" (maxrss 0 when unknown).
measure() {
  local t0 t1 rss=0
  if [ -n "$gnutime" ]; then
    t0=$(now_ns)
    "$gnutime" -f %M -o "$scratch/rss" "$@" >/dev/null
    t1=$(now_ns)
    rss=$(tail -n 1 "$scratch/rss")
  else
    t0=$(now_ns)
    "$@" >/dev/null
    t1=$(now_ns)
  fi
  echo "$((t1 - t0)) $rss"
}

fresh_copy() {
  rm -rf "$scratch/run"
  cp -r "$event" "$scratch/run"
  rm -f "$scratch/run/Quilo.ini" "$scratch/run/E_Result.txt" "$scratch/run/E_NoRet.txt" \
    "$scratch/run/E_Result.xml" "$scratch/run/E_Result.html"
}

median() { sort -n | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# One untimed round of each first, so both start from a warm page cache.
fresh_copy
"$report" --now 12:00:00 "$scratch/run" >/dev/null
iconv -f CP932 -t UTF-8 "${inputs[@]}" >/dev/null

: >"$scratch/q"; : >"$scratch/i"; : >"$scratch/r"; : >"$scratch/m"
for ((k = 1; k <= runs; k++)); do
  fresh_copy
  read -r qt qm < <(measure "$report" --now 12:00:00 "$scratch/run")
  read -r it _ < <(measure iconv -f CP932 -t UTF-8 "${inputs[@]}")
  echo "$qt" >>"$scratch/q"
  echo "$it" >>"$scratch/i"
  echo "$qm" >>"$scratch/m"
  awk -v q="$qt" -v i="$it" 'BEGIN { printf "%.4f\n", q / i }' >>"$scratch/r"
  awk -v k="$k" -v q="$qt" -v i="$it" -v m="$qm" \
    'BEGIN { printf "run %d: quilo-report %.1f ms (max RSS %.1f MB), iconv %.1f ms\n", k, q / 1e6, m / 1024, i / 1e6 }'
done

# Without GNU time, one more run under Python's getrusage for the peak memory.
if [ -z "$gnutime" ]; then
  fresh_copy
  python3 -c 'import resource, subprocess, sys
subprocess.run(sys.argv[1:], stdout=subprocess.DEVNULL, check=False)
print(resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss)' "$report" --now 12:00:00 "$scratch/run" >"$scratch/m"
fi

qmed=$(median <"$scratch/q")
imed=$(median <"$scratch/i")
rmed=$(median <"$scratch/r")
peak=$(sort -n "$scratch/m" | tail -n 1)
bytes=$(cat "${inputs[@]}" | wc -c)

echo "event: $event ($bytes input bytes), $runs runs each"
awk -v q="$qmed" -v i="$imed" -v r="$rmed" -v m="$peak" -v max="$max_mb" 'BEGIN {
  printf "quilo-report median wall: %.1f ms\n", q / 1e6
  printf "iconv floor median wall:  %.1f ms\n", i / 1e6
  printf "median ratio quilo-report/iconv: %.3f (target <= 1.0: %s); ratio of medians %.3f\n", r, (r <= 1.0 ? "met" : "MISSED"), q / i
  printf "quilo-report peak memory (max RSS): %.1f MB (target <= %g MB: %s)\n", m / 1024, max, (m <= max * 1024 ? "met" : "MISSED")
}'
