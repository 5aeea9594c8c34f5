# The largest input each fuzz target is given (sourced by run.sh and merge.sh). A settings
# file is a dozen short lines, so 2 KB holds every shape of it many times over; the
# whole-station target carves five files out of one input.
max_len() {
  case "$1" in
    fuzz_station) echo 32768 ;;
    fuzz_settings) echo 2048 ;;
    *) echo 8192 ;;
  esac
}
