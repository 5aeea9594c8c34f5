#!/usr/bin/env bash
# Writes docs/screenshot.png: the window over a scratch copy of the demo event, in
# result order, on a virtual X screen.
#   scripts/screenshot.sh [OUTPUT.png]    (BUILD=dir selects the build directory)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD:-build}
case $build in /*) ;; *) build=$root/$build ;; esac
out=${1:-$root/docs/screenshot.png}
case $out in /*) ;; *) out=$PWD/$out ;; esac

if [ ! -f "$build/build.ninja" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
cmake --build "$build" --target quilo

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
event=$scratch/event
if [ -d "$root/examples/demo-event" ]; then
  cp -r "$root/examples/demo-event" "$event"
else
  # No demo event in this checkout: a small one, CP932 with CR LF like the real files.
  mkdir -p "$event"
  cp932() { sed 's/$/\r/' | iconv -f UTF-8 -t CP932 > "$1"; }
  printf '%s\n' '**:M21' '1:31' '2:32' '3:33' '99:100' '**:W21' '1:31' '2:33' '99:100' | cp932 "$event/Control.dat"
  printf '%s\n' \
    '12345,M21,10:00:00,101,山田太郎,1,東京OLC' \
    '12346,M21,10:02:00,102,鈴木一郎,2,大阪OLC' \
    '12347,M21,10:04:00,103,高橋三郎,3,京都OLC' \
    '12348,M21,10:06:00,104,伊藤四郎,1,札幌オリエンテーリングクラブ' \
    '22345,W21,10:01:00,201,佐藤花子,1,東京OLC' \
    '22346,W21,10:03:00,202,田中恵,2,名古屋OLC' | cp932 "$event/Startlst.dat"
  printf '%s\n' '欠席/12347' | cp932 "$event/Change.dat"
  printf '%s\n' \
    '1,2,3,4,5,(12345),31,0:10:00,32,0:20:00,33,0:30:00,100,0:35:00' \
    '1,2,3,4,5,(12346),31,0:11:00,33,0:31:00,100,0:36:10' \
    '1,2,3,4,5,(22345),31,0:12:00,33,0:22:00,100,0:40:00' | cp932 "$event/Regnly.log"
fi

mkdir -p "$(dirname "$out")"
rm -f "$out"
QUILO_SCREENSHOT=$out QUILO_NOW=${QUILO_NOW:-12:00:00} \
  xvfb-run -a -s "-screen 0 1280x1024x24" "$build/quilo" "$event"
[ -s "$out" ] || { echo "screenshot.sh: no picture was written" >&2; exit 1; }
echo "$out"
