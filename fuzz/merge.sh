#!/usr/bin/env bash
# Minimises each target's committed corpus: fuzz/corpus/<target> and what the runs found
# (BUILD_DIR/fuzz-corpus/<target>, plus any further folders given after --) go through
# libFuzzer's -merge=1 (inputs taken smallest first, each kept when it adds a feature, so
# that a run from the corpus stays quick) into a fresh folder that then replaces fuzz/corpus/<target>. A seed of make_corpus.py the merge keeps
# keeps its name. One process at a time.
#   bash fuzz/merge.sh BUILD_DIR [TARGET...] [-- EXTRA_DIR...]
set -euo pipefail
cd "$(dirname "$0")/.."
source fuzz/targets.sh

build=${1:?build folder}
shift
targets=()
while [ $# -gt 0 ] && [ "$1" != "--" ]; do targets+=("$1"); shift; done
[ $# -gt 0 ] && shift
extra=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  fuzz_targets
fi

for t in "${targets[@]}"; do
  exe="$build/fuzz/$t"
  max_len=$(max_len "$t")
  out=$(mktemp -d)
  from=("fuzz/corpus/$t")
  [ -d "$build/fuzz-corpus/$t" ] && from+=("$build/fuzz-corpus/$t")
  for d in "${extra[@]}"; do [ -d "$d/$t" ] && from+=("$d/$t"); done
  ASAN_OPTIONS=detect_leaks=0 "$exe" -merge=1 -max_len="$max_len" -timeout=10 -rss_limit_mb=2048 \
    "$out" "${from[@]}" >"$build/merge-$t.log" 2>&1
  for seed in "fuzz/corpus/$t"/*; do
    [ -f "$seed" ] || continue
    h=$(sha1sum "$seed" | cut -d' ' -f1)
    if [ -f "$out/$h" ] && [ "$h" != "$(basename "$seed")" ]; then mv "$out/$h" "$out/$(basename "$seed")"; fi
  done
  rm -rf "fuzz/corpus/$t"
  mkdir -p "fuzz/corpus/$t"
  cp "$out"/* "fuzz/corpus/$t"/ 2>/dev/null || true
  rm -rf "$out"
  echo "merge: $t: $(ls "fuzz/corpus/$t" | wc -l) files, $(du -sk "fuzz/corpus/$t" | cut -f1) KB"
done
