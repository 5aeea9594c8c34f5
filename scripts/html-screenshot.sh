#!/usr/bin/env bash
# Writes docs/results-phone.png, docs/results-desktop.png and docs/results-print.png:
# the HTML results page of a scratch copy of the demo event, taken with headless
# Chromium at phone and desktop width, and printed to PDF (its pages side by side).
# QUILO_NOW sets the clock (12:00:00; before 11:02 some are still to start).
#   scripts/html-screenshot.sh [OUTPUT_DIR]    (BUILD=dir selects the build directory)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD:-build}
case $build in /*) ;; *) build=$root/$build ;; esac
out=${1:-$root/docs}
case $out in /*) ;; *) out=$PWD/$out ;; esac

if [ ! -f "$build/build.ninja" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
cmake --build "$build" --target quilo-report

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
# The demo's Quilo.ini names the event and its day, as the page shows them.
cp -r "$root/examples/demo-event" "$scratch/event"
"$build/quilo-report" --now "${QUILO_NOW:-12:00:00}" --html "$scratch/page.html" "$scratch/event" > /dev/null

# The first competitor's splits are shown unfolded in the pictures.
sed '0,/<details \([^>]*\)>/s//<details \1 open>/' "$scratch/page.html" > "$scratch/shown.html"

browser=$(command -v chromium || command -v chromium-browser)
shot() {  # width height file
  rm -f "$3"
  "$browser" --headless --no-sandbox --disable-gpu --hide-scrollbars --force-device-scale-factor=1 \
    --user-data-dir="$scratch/profile" --window-size="$1,$2" --screenshot="$3" "file://$scratch/shown.html" \
    > /dev/null 2>&1
  [ -s "$3" ] || { echo "html-screenshot.sh: no picture was written: $3" >&2; exit 1; }
  echo "$3"
}
mkdir -p "$out"
shot 360 1400 "$out/results-phone.png"
shot 1280 900 "$out/results-desktop.png"

# The print: A4 as the page asks, without the browser's own header and footer.
rm -f "$scratch/print.pdf"
"$browser" --headless --no-sandbox --disable-gpu --user-data-dir="$scratch/profile" --no-pdf-header-footer \
  --print-to-pdf="$scratch/print.pdf" "file://$scratch/page.html" > /dev/null 2>&1
[ -s "$scratch/print.pdf" ] || { echo "html-screenshot.sh: no PDF was printed" >&2; exit 1; }
pdftoppm -png -r 72 "$scratch/print.pdf" "$scratch/print"
convert "$scratch"/print-*.png -bordercolor '#888' -border 1 +append "$out/results-print.png"
echo "$out/results-print.png"
