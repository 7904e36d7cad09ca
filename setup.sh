#!/usr/bin/env bash
# setup.sh -- installs every Debian package the project needs, then builds the engine, tools, tests and show.
# Usage: ./setup.sh [--no-install] [cmake options...]   (run as root, or with sudo available)
set -euo pipefail
cd "$(dirname "$0")"

packages=(
  build-essential cmake ninja-build pkg-config clang libclang-rt-14-dev
  libgl-dev libegl-dev libgl1-mesa-dev libgl1-mesa-dri libegl-mesa0 libglu1-mesa-dev
  xvfb xauth imagemagick libsdl2-dev
  libzip-dev zlib1g-dev libbz2-dev zip unzip
  libpng-dev libjpeg62-turbo-dev libvorbis-dev libogg-dev
  libavformat-dev libavcodec-dev libswscale-dev libavutil-dev ffmpeg
  fonts-dejavu-core libfreetype-dev libgtk-3-dev
  libgtest-dev googletest libbenchmark-dev gcovr
)

install=1
if [ "${1:-}" = "--no-install" ]; then
  install=0
  shift
fi

if [ "$install" = 1 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  missing=$(dpkg-query -W -f='${Status} ${Package}\n' "${packages[@]}" 2>/dev/null | grep -vc '^install ok installed' || true)
  if [ "$missing" != "0" ] || ! dpkg-query -W "${packages[@]}" >/dev/null 2>&1; then
    $sudo apt-get update -q
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${packages[@]}"
  fi
fi

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
cmake --build build
