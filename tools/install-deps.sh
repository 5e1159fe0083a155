#!/usr/bin/env bash
# Installs the Debian packages ServoDesk needs to build, run and test.
# With --fuzz also what the sanitizer lane needs.
# Safe to run again: it only calls apt-get when something is missing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  libgtest-dev libgmock-dev
  qt6-base-dev qt6-base-dev-tools libqt6opengl6-dev libgl-dev libqcustomplot-dev
  lintian
  xvfb xauth x11-utils xdotool imagemagick poppler-utils ccache
  fonts-noto-cjk fonts-dejavu-core qt6-translations-l10n
  python3 ser2net
)
# The sanitizer and fuzzing lane (tools/sanitize.sh) needs clang with its
# runtimes; --no-install-recommends would leave out the sanitizer runtime.
if [ "${1:-}" = "--fuzz" ]; then
  packages+=(clang libclang-rt-14-dev)
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
