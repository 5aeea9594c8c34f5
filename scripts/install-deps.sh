#!/usr/bin/env bash
# Installs the Debian packages Quilo needs. Without options: what building, running and
# packaging need (`make run`, `make package`). QUILO_TEST_DEPS=1 adds what the tests and
# checks need (GoogleTest, the benchmarks, the validators, lintian, the screenshots'
# X server and browser, and the mustache library the page's renderer is checked against);
# QUILO_FUZZ_DEPS=1 adds clang's libFuzzer.
# Only packages that are missing are installed, so a prepared machine costs nothing.
# --print lists the packages asked for and installs nothing.
set -euo pipefail

# The package build runs pandoc (manual pages), dpkg-shlibdeps (dpkg-dev) and file.
# quilo-import validates IOF XML with libxml2.
packages=(
  g++ cmake ninja-build make pkg-config
  qt6-base-dev qt6-translations-l10n libpugixml-dev libxml2-dev libmicrohttpd-dev libcurl4-openssl-dev zlib1g-dev
  fonts-ipafont-gothic fonts-liberation fontconfig
  dpkg-dev file pandoc
)
if [ "${QUILO_TEST_DEPS:-0}" = 1 ]; then
  packages+=(
    libgtest-dev libgmock-dev libbenchmark-dev time libxml2-utils gcovr clang-format
    libkainjow-mustache-dev
    lintian desktop-file-utils appstream man-db groff-base
    xvfb xauth x11-apps imagemagick xdotool faketime chromium chromium-driver python3-selenium poppler-utils wrk nginx-light
  )
fi
if [ "${QUILO_FUZZ_DEPS:-0}" = 1 ]; then
  packages+=(clang libclang-rt-14-dev)
fi

if [ "${1:-}" = --print ]; then
  printf '%s\n' "${packages[@]}"
  exit 0
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "install-deps: installing ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get -o DPkg::Lock::Timeout=600 update -qq
$SUDO apt-get -o DPkg::Lock::Timeout=600 install -y -qq --no-install-recommends "${missing[@]}"
