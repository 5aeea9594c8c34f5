#!/usr/bin/env bash
# Installs the Debian packages Quilo needs to build, test and show its window.
# Only packages that are missing are installed, so a prepared machine costs nothing.
set -euo pipefail

packages=(
  g++ cmake ninja-build make pkg-config time
  qt6-base-dev qt6-translations-l10n libgtest-dev libgmock-dev libbenchmark-dev
  fonts-ipafont-gothic fonts-liberation fontconfig
  xvfb xauth x11-apps imagemagick
  libpugixml-dev libkainjow-mustache-dev libxml2-utils chromium chromium-driver python3-selenium poppler-utils
  dpkg-dev file lintian desktop-file-utils appstream pandoc man-db groff-base xdotool faketime gcovr
)
if [ "${QUILO_FUZZ_DEPS:-0}" = 1 ]; then
  packages+=(clang libclang-rt-14-dev)
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
