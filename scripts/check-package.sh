#!/usr/bin/env bash
# Builds the Debian package and checks it as an organiser would get it: lintian (no
# hardening tag), the stack protector, the unpacked quilo-report against the build's on
# a copy of the demo event (stdout and every written file byte for byte), the unpacked
# quilo-import on an official course data example, the desktop entry, the AppStream
# metainfo and the manual pages.
#   scripts/check-package.sh    (BUILD=dir selects the build directory)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD:-build}
case $build in /*) ;; *) build=$root/$build ;; esac

if [ ! -f "$build/build.ninja" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
cmake --build "$build" --target package -j "${JOBS:-$(nproc)}"

version=$(sed -n 's/^#define QUILO_VERSION "\(.*\)"$/\1/p' "$build/generated/core/Version.h")
deb=$build/quilo_${version}_$(dpkg --print-architecture).deb
[ -f "$deb" ] || { echo "check-package: no package at $deb" >&2; exit 1; }
echo "== $deb"

fail() { echo "check-package: $*" >&2; exit 1; }

echo "== lintian -I"
status=0
tags=$(lintian -I --fail-on error "$deb" 2>&1) || status=$?
grep -v 'running with root privileges' <<< "$tags" || true
[ "$status" -eq 0 ] || fail "lintian found errors"
if grep -q ' hardening-' <<< "$tags"; then fail "a program is not hardened (lintian's hardening- tags above)"; fi

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
dpkg-deb -x "$deb" "$scratch/root"
bin=$scratch/root/usr/bin

# lintian has no tag for the stack protector: a protected program calls __stack_chk_fail.
echo "== stack protector"
for p in quilo quilo-report quilo-import quilo-serve; do
  syms=$(readelf -W --dyn-syms "$bin/$p")
  grep -q ' __stack_chk_fail' <<< "$syms" || fail "$p is built without the stack protector"
  echo "$p: __stack_chk_fail"
done

echo "== versions"
for p in quilo quilo-report quilo-import quilo-serve; do
  got=$(env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM= "$bin/$p" --version)
  echo "$got"
  [ "$got" = "$p $version" ] || fail "$p --version printed '$got'"
done

# Both runs use the same folder path, since the exports carry the folder name as the event name when none is set.
echo "== quilo-report: unpacked against the build's"
run() {  # program output-folder
  rm -rf "$scratch/event"
  cp -r "$root/examples/demo-event" "$scratch/event"
  "$1" --now 12:00:00 --order result --spare 90002=0110 "$scratch/event" > "$scratch/event.stdout"
  mv "$scratch/event" "$2"
  mv "$scratch/event.stdout" "$2.stdout"
}
run "$build/quilo-report" "$scratch/built"
run "$bin/quilo-report" "$scratch/unpacked"
cmp "$scratch/built.stdout" "$scratch/unpacked.stdout" || fail "the two runs printed different lists"
diff -r "$scratch/built" "$scratch/unpacked" || fail "the two runs wrote different files"
echo "identical: stdout ($(wc -l < "$scratch/built.stdout") lines) and $(ls "$scratch/built" | wc -l) files ($(ls "$scratch/built" | tr '\n' ' '))"

# The schema is compiled in: the unpacked program needs no file beside it.
echo "== quilo-import: unpacked"
mkdir "$scratch/import"
"$bin/quilo-import" --courses "$root/tests/data/iof/CourseData_Individual_Step2.xml" --finish-code 100 "$scratch/import" \
  > "$scratch/import.stdout" || fail "the unpacked quilo-import failed"
"$build/quilo-import" --courses "$root/tests/data/iof/CourseData_Individual_Step2.xml" --finish-code 100 --force \
  "$scratch/import" > /dev/null || fail "the build's quilo-import failed"
cmp "$scratch/import/Control.dat" "$scratch/import/Control.dat.bak" || fail "the two quilo-import runs wrote different files"
echo "identical: Control.dat ($(wc -l < "$scratch/import/Control.dat") lines)"

echo "== desktop-file-validate"
desktop-file-validate "$scratch/root/usr/share/applications/org.quilo.Quilo.desktop"
echo "ok"

echo "== appstreamcli validate --no-net"
appstreamcli validate --no-net "$scratch/root/usr/share/metainfo/org.quilo.Quilo.metainfo.xml"

echo "== man -l"
for page in quilo quilo-report quilo-import quilo-serve; do
  file=$scratch/root/usr/share/man/man1/$page.1.gz
  [ -f "$file" ] || fail "no manual page $page(1) in the package"
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man -l "$file" 2>&1 > /dev/null)
  warnings+=$(zcat "$file" | LC_ALL=C.UTF-8 groff -ww -z -k -Tutf8 -man 2>&1)
  [ -z "$warnings" ] || fail "$page(1): $warnings"
  echo "$page(1): $(LC_ALL=C.UTF-8 MANWIDTH=80 man -l "$file" | wc -l) lines, no warning"
done
echo "check-package: ok"
