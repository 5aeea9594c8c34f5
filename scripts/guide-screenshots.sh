#!/usr/bin/env bash
# Writes the user guide's pictures to docs/guide/: the real window on a scratch copy
# of the demo event, on a virtual X screen, driven with xdotool like an operator would
# (its clock set to 12:00 on the event day with faketime), and the outputs it wrote,
# taken with headless Chromium.
#   scripts/guide-screenshots.sh [OUTPUT_DIR]    (BUILD=dir selects the build directory)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD:-build}
case $build in /*) ;; *) build=$root/$build ;; esac
out=${1:-$root/docs/guide}
case $out in /*) ;; *) out=$PWD/$out ;; esac

if [ -z "${QUILO_GUIDE_SCREEN:-}" ]; then
  if [ ! -f "$build/build.ninja" ]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
  fi
  cmake --build "$build" --target quilo
  # The rest runs on its own virtual screen.
  exec env QUILO_GUIDE_SCREEN=1 BUILD="$build" xvfb-run -a -s "-screen 0 900x700x24" bash "$0" "$out"
fi

scratch=$(mktemp -d)
quilo_pid=
cleanup() {
  if [ -n "$quilo_pid" ]; then kill "$quilo_pid" 2> /dev/null || true; fi
  rm -rf "$scratch"
}
trap cleanup EXIT
# The demo's Quilo.ini names the event and its day, as the results page shows them.
cp -r "$root/examples/demo-event" "$scratch/event"
mkdir -p "$out"

# The id of the visible window whose title matches, once it is there.
wait_window() {
  for _ in $(seq 100); do
    if id=$(xdotool search --onlyvisible --name "$1" 2> /dev/null | head -n 1) && [ -n "$id" ]; then
      echo "$id"
      return
    fi
    sleep 0.1
  done
  echo "guide-screenshots: no window '$1' appeared" >&2
  exit 1
}
# The screen cut to the main window, so an open dialog shows over it.
shot_main() {
  local X Y WIDTH HEIGHT SCREEN WINDOW
  eval "$(xdotool getwindowgeometry --shell "$main")"
  import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage -strip "$out/$1"
  echo "$out/$1"
}

FAKETIME_DONT_FAKE_MONOTONIC=1 faketime -f '@2026-12-06 12:00:00' "$build/quilo" "$scratch/event" 2> "$scratch/quilo.log" &
quilo_pid=$!

# 1. Before the window opens: the spare card 90002 is unassigned; the operator types
#    the bib 0110.
spare=$(wait_window '予備Ｅカードが検出されました')
sleep 0.5
xdotool windowfocus --sync "$spare"
xdotool type --delay 60 0110
sleep 0.3
import -window "$spare" -strip "$out/spare-card.png"
echo "$out/spare-card.png"
xdotool key Return

# 2. The window in start order.
main=$(wait_window '^Quilo$')
sleep 1.5
shot_main start-order.png

# 3. A correction: bib 114 (岡田大和, card 10014) did not start. A double click on the
#    line opens the edit dialog; 欠席 is ticked, then 変更.
xdotool mousemove --window "$main" 185 405 click --repeat 2 --delay 80 1
edit=$(wait_window '岡田大和')
sleep 0.5
xdotool mousemove --window "$edit" 23 24 click 1
sleep 0.5
shot_main edit-dialog.png
xdotool mousemove --window "$edit" 216 234 click 1
sleep 1

# 4. Result order, then 成績出力 writes the outputs.
xdotool mousemove --window "$main" 584 196 click 1
sleep 1
shot_main result-order.png
xdotool mousemove --window "$main" 468 500 click 1
sleep 1

# 5. The entry desk: Ctrl+N, a late runner typed in (W21A, card 10091, start 11:30).
#    The picture is taken before OK; Escape leaves the event as the outputs showed it.
xdotool windowfocus --sync "$main"
xdotool key ctrl+n
entry=$(wait_window '当日申込')
sleep 0.5
xdotool windowfocus --sync "$entry"
xdotool key Down Tab
for text in 松本さくら 大阪OLC 10091 191 11:30:00; do
  xdotool type --delay 60 "$text"
  xdotool key Tab
done
sleep 0.5
shot_main entry-dialog.png
xdotool key Escape
sleep 0.5
kill "$quilo_pid"
wait "$quilo_pid" 2> /dev/null || true
quilo_pid=

# 6. The folder step: a new folder holding only the course data and the start list
#    offers to create the event files. The finish code is typed; Escape then leaves the
#    folder as it was.
mkdir "$scratch/new"
cp "$root/tests/data/iof/CourseData_Individual_Step2.xml" "$root/tests/data/iof/StartList1_five_digit.xml" "$scratch/new/"
"$build/quilo" "$scratch/new" 2> "$scratch/quilo-new.log" &
quilo_pid=$!
folder_step=$(wait_window '大会ファイルの作成')
sleep 0.5
xdotool windowfocus --sync "$folder_step"
xdotool type --delay 60 100
sleep 0.3
import -window "$folder_step" -strip "$out/import-dialog.png"
echo "$out/import-dialog.png"
xdotool key Escape
sleep 0.5
kill "$quilo_pid"
wait "$quilo_pid" 2> /dev/null || true
quilo_pid=

# 7. The outputs: the head of the results file (CP932 on disk) and the results page.
browser=$(command -v chromium || command -v chromium-browser)
page() {  # width height html-file picture
  rm -f "$out/$4"
  "$browser" --headless --no-sandbox --disable-gpu --hide-scrollbars --force-device-scale-factor=1 \
    --user-data-dir="$scratch/profile" --window-size="$1,$2" --screenshot="$scratch/page.png" "file://$3" \
    > /dev/null 2>&1
  [ -s "$scratch/page.png" ] || { echo "guide-screenshots: no picture of $3" >&2; exit 1; }
  convert "$scratch/page.png" -strip "$out/$4"
  echo "$out/$4"
}
{
  printf '<!DOCTYPE html><meta charset="utf-8"><body style="margin:8px;background:#fff">'
  printf '<pre style="font:14px/1.25 IPAGothic,monospace;margin:0">'
  iconv -f CP932 -t UTF-8 "$scratch/event/E_Result.txt" | tr -d '\r' | head -n 22 |
    sed 's/&/\&amp;/g; s/</\&lt;/g; s/>/\&gt;/g'
  printf '</pre>'
} > "$scratch/results.html"
page 620 440 "$scratch/results.html" results-file.png
page 800 620 "$scratch/event/E_Result.html" results-page.png
