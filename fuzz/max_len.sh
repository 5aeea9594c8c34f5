# The largest input each fuzz target is given (sourced by run.sh and merge.sh). A settings
# file is a dozen short lines, so 2 KB holds every shape of it many times over. A start
# list of 5,000 rows, the shortest the reader keeps (about 19 bytes each), needs 128 KB;
# so does the whole-station target, which carves five files out of one input.
max_len() {
  case "$1" in
    fuzz_station) echo 131072 ;;
    fuzz_start_list) echo 131072 ;;
    fuzz_settings) echo 2048 ;;
    *) echo 8192 ;;
  esac
}
