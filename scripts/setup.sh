#!/usr/bin/env bash
# Installs what Shadeloom needs on Debian 12. Idempotent: apt-get runs only
# when a package is missing.
#
#   setup.sh         everything: building and testing every tree
#   setup.sh run     only what building and running the release program needs
set -euo pipefail

# The release programs: the i686 cross compiler with the PNG writer's
# libraries, 32-bit Wine with Wine's own fonts, and a virtual display with the
# tools that wait for and photograph it.
packages=(
  cmake make python3
  g++-mingw-w64-i686 libstb-dev libz-mingw-w64-dev
  wine wine32:i386 fonts-wine xvfb xauth xdotool imagemagick
)
if [ "${1:-}" != run ]; then
  packages+=(
    g++ googletest libbenchmark-dev zlib1g-dev
    x11-apps python3-pil fonts-dejavu-core man-db
    clang libclang-rt-14-dev valgrind
  )
fi

find_missing() {
  missing=()
  for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
  done
}

find_missing

if [ "${#missing[@]}" -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  # The release build is 32-bit Windows: it runs under 32-bit Wine.
  dpkg --print-foreign-architectures | grep -qx i386 || $sudo dpkg --add-architecture i386
  $sudo apt-get update -qq
  # A line per package unpacked and set up, so a long install is never silent.
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}" |
    { grep --line-buffered -E '^(Unpacking|Setting up) ' || true; } |
    sed -u -E 's/^Unpacking /setup: unpacked /; s/^Setting up /setup: set up /; s/ \(.*//'
  find_missing
  [ "${#missing[@]}" -eq 0 ] || { echo "setup: could not install ${missing[*]}" >&2; exit 1; }
fi
