# The list of fuzz/targets.txt for run.sh and merge.sh (sourced): fuzz_targets fills the
# array `targets` with every name, max_len prints a target's largest input.
fuzz_list() { grep -v '^[[:space:]]*\(#\|$\)' fuzz/targets.txt; }
fuzz_targets() { mapfile -t targets < <(fuzz_list | cut -d' ' -f1); }
max_len() {
  local len
  len=$(fuzz_list | awk -v t="$1" '$1 == t { print $2 }')
  if [ -z "$len" ]; then
    echo "fuzz: $1 is not in fuzz/targets.txt" >&2
    return 1
  fi
  echo "$len"
}
