#!/usr/bin/env bash
# Installs what building and testing Shadeloom needs on Debian 12. Idempotent:
# apt-get runs only when a package is missing.
set -euo pipefail

packages=(
  cmake make g++ googletest libbenchmark-dev
  g++-mingw-w64-i686
  wine wine32:i386 fonts-wine xvfb xauth xdotool imagemagick x11-apps
  python3 python3-pil
  libstb-dev zlib1g-dev libz-mingw-w64-dev man-db
  clang libclang-rt-14-dev valgrind
)

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done

if [ "${#missing[@]}" -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  # The release build is 32-bit Windows: its tests need 32-bit Wine.
  dpkg --print-foreign-architectures | grep -qx i386 || $sudo dpkg --add-architecture i386
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
