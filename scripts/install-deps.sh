#!/usr/bin/env bash
# Installs the Debian packages the project needs, only those that are missing.
set -euo pipefail

packages=(
  # native build, tests, benchmarks, sanitizers and fuzzers
  g++ cmake ninja-build googletest libgtest-dev libgmock-dev libbenchmark-dev clang
  libclang-rt-14-dev valgrind
  # the marlow tool's native export (FFmpeg libraries) and PNG stills
  libavformat-dev libavcodec-dev libswscale-dev libavutil-dev zlib1g-dev pkg-config
  # cross build
  g++-mingw-w64-x86-64-posix mingw-w64-tools binutils-mingw-w64-x86-64
  # running and checking Windows programs
  wine wine64 xvfb xauth pulseaudio pulseaudio-utils imagemagick ffmpeg fonts-dejavu-core
  # scripts
  util-linux procps
  # build-time generators (the viewer's skin bitmaps)
  python3
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
if [ "$(id -u)" -ne 0 ]; then
  SUDO=sudo
else
  SUDO=
fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
$SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
