#!/usr/bin/env bash
# Fails on an #include that goes against the arrows between the source folders:
#   app -> gui -> station -> results, finish, readers -> core
#   app, gui -> setup -> readers -> core
#   app -> server -> serve -> results -> core
#   app -> upload -> results -> core
# and on a Qt include outside src/gui and src/app.
#   scripts/check-includes.sh [SOURCE_ROOT]
set -euo pipefail
root=${1:-$(cd "$(dirname "$0")/.." && pwd)}
cd "$root/src"

declare -A allowed=(
  [core]="core"
  [readers]="readers core"
  [finish]="finish core"
  [results]="results core"
  [station]="station results finish readers core"
  [setup]="setup readers core"
  [serve]="serve results core"
  [server]="server serve results core"
  [upload]="upload results core"
  [gui]="gui setup station results finish readers core"
  [app]="app gui server serve upload setup station results finish readers core"
)

bad=0
for folder in */; do
  folder=${folder%/}
  if [ -z "${allowed[$folder]+set}" ]; then
    echo "src/$folder: a folder the arrows do not name"; bad=1; continue
  fi
  while IFS=: read -r file line text; do
    target=$(sed -E 's/.*#include *"([^/"]+)\/.*/\1/' <<<"$text")
    case " ${allowed[$folder]} " in
      *" $target "*) ;;
      *) echo "$file:$line: $folder may not include $target/"; bad=1 ;;
    esac
  done < <(grep -Hn -E '^\s*#\s*include\s*"[^/"]+/' "$folder" -r --include='*.h' --include='*.cpp' || true)
  if [ "$folder" != gui ] && [ "$folder" != app ]; then
    if grep -Hn -E '^\s*#\s*include\s*<Q' -r "$folder" --include='*.h' --include='*.cpp'; then
      echo "src/$folder: Qt belongs in src/gui and src/app"; bad=1
    fi
  fi
done
[ $bad -eq 0 ] && echo "include arrows: ok"
exit $bad
