#!/usr/bin/env bash
# Installs the Debian 12 packages softdemo needs to build, test and play.
# Does nothing when they are all present already.
#   deps.sh           everything
#   deps.sh windows   the Windows cross-build (scripts/windows) and wine for its tests
set -euo pipefail

packages=(
  g++ cmake ninja-build pkg-config git
  libgtest-dev libgmock-dev libbenchmark-dev
  libstb-dev libmp3lame-dev libfreetype-dev zlib1g-dev libx11-dev
  libsdl2-dev libsdl2-mixer-dev libsdl2-ttf-dev libfontconfig-dev
  dpkg-dev file desktop-file-utils
  fonts-dejavu-core fonts-liberation
  ffmpeg sox libsox-fmt-mp3
  xvfb xfonts-base xdotool x11-apps x11-utils imagemagick libgl1-mesa-dri libegl-mesa0
  clang libclang-rt-14-dev valgrind procps
  emscripten chromium
)
# The Windows cross-build: mingw-w64 (its objdump lists the DLLs the programs
# import), zlib and GoogleTest's sources to build for Windows, wine to run them.
windows=(g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 libz-mingw-w64-dev googletest wine wine64)
case "${1:-}" in
  "") packages+=("${windows[@]}") ;;
  windows) packages=("${windows[@]}") ;;
  *) echo "deps.sh: unknown group \"$1\" (windows, or none for everything)" >&2; exit 2 ;;
esac

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -q
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
