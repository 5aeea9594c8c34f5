#!/usr/bin/env bash
# Holds two quilo-report programs to the same bytes on events within the old limits (10
# classes, 300 in a class, 501 rows): the demo event, the capacity event and COUNT random
# events (scripts/make_random_event.py, seeds 1..COUNT, the first two at the limits).
# Each runs as `quilo-report --now 12:00:00 FOLDER`, then with `--order result`, on a
# fresh copy at the same path; its printed lists, its messages, its exit status and
# every file of the folder afterwards (E_Result.txt, E_NoRet.txt, E_Result.xml,
# E_Result.html, Quilo.ini, ...) must be the same.
#
#   bash scripts/compare-report.sh OLD_REPORT NEW_REPORT [COUNT]
#
# Prints one line per event and run; exits 1 when anything differs (the differing
# folders are kept and named), 2 on bad usage.
set -uo pipefail
cd "$(dirname "$0")/.."

old=${1:-}
new=${2:-}
count=${3:-20}
if [ ! -x "$old" ] || [ ! -x "$new" ]; then
  echo "usage: bash scripts/compare-report.sh OLD_REPORT NEW_REPORT [COUNT]" >&2
  exit 2
fi
old=$(realpath "$old")
new=$(realpath "$new")

scratch=$(mktemp -d "${TMPDIR:-/tmp}/quilo-compare-XXXXXX")
events="$scratch/events"
mkdir -p "$events"

cp -r examples/demo-event "$events/demo"
python3 bench/make_capacity_event.py "$events/capacity" >/dev/null
for ((s = 1; s <= count; s++)); do
  shape=()
  case $s in
    1) shape=(--classes 10 --rows 501 --big-class 300) ;;  # every old limit at once
    2) shape=(--classes 10 --rows 501) ;;
  esac
  python3 scripts/make_random_event.py "$events/random-$s" --seed "$s" "${shape[@]}" | sed 's/ written to .*:/:/'
done

# Runs one program on a fresh copy of the event at $scratch/run/<name> and keeps the
# folder, its output and its status in $2.
run() {
  local report=$1 out=$2 name=$3
  shift 3
  rm -rf "$scratch/run"
  mkdir -p "$scratch/run" "$out"
  cp -r "$events/$name" "$scratch/run/$name"
  "$report" "$@" "$scratch/run/$name" >"$out/stdout" 2>"$out/stderr"
  echo $? >"$out/status"
  mv "$scratch/run/$name" "$out/folder"
}

differ=0
checked=0
for dir in "$events"/*; do
  name=$(basename "$dir")
  for order in start result; do
    args=(--now 12:00:00)
    [ $order = result ] && args+=(--order result)
    cmp_dir="$scratch/compare/$name-$order"
    run "$old" "$cmp_dir/old" "$name" "${args[@]}"
    run "$new" "$cmp_dir/new" "$name" "${args[@]}"
    checked=$((checked + 1))
    if diff -r "$cmp_dir/old" "$cmp_dir/new" >"$cmp_dir.diff" 2>&1; then
      files=$(find "$cmp_dir/new/folder" -type f | wc -l)
      lines=$(wc -l <"$cmp_dir/new/stdout")
      printf 'same     %-12s %-6s (%d printed lines, %d files, status %s)\n' "$name" "$order" "$lines" "$files" \
        "$(cat "$cmp_dir/new/status")"
      rm -rf "$cmp_dir" "$cmp_dir.diff"
    else
      differ=$((differ + 1))
      printf 'DIFFERS  %-12s %-6s (%s)\n' "$name" "$order" "$cmp_dir.diff"
      sed -n 's/^\(Only in\|Files\|diff -r\) /  /p' "$cmp_dir.diff" | head -n 8
    fi
  done
done

if [ $differ -eq 0 ]; then
  echo "compare-report: $checked runs on $(ls "$events" | wc -l) events, all the same"
  rm -rf "$scratch"
  exit 0
fi
echo "compare-report: $differ of $checked runs differ (kept in $scratch)"
exit 1
