#!/usr/bin/env bash
# Installs the Debian 12 packages that the named commands need, and nothing
# when they are all present already.
#
# usage: scripts/deps.sh GROUP...
#   play   the compiler, CMake, Ninja, and what the player and the data pack's
#          generator use (SDL2 with its mixer and fonts, fontconfig, LAME, fonts)
#   web    emscripten, and what making the data pack uses
#   windows  mingw-w64 for the Windows programs (scripts/windows), wine to run
#          them, and what making the data pack uses
#   test   everything the test suite uses: all of the above, GoogleTest and
#          Google Benchmark, Xvfb and the X tools, Chromium and npm, clang for
#          the fuzzers, valgrind, ffmpeg, the .deb tools
set -euo pipefail

# Building the native programs that make the data pack, and its fonts.
pack=(g++ cmake ninja-build pkg-config libstb-dev libmp3lame-dev zlib1g-dev fonts-dejavu-core fonts-liberation)
player=(libsdl2-dev libsdl2-mixer-dev libsdl2-ttf-dev libfontconfig-dev)
web=(emscripten)
# The Windows cross-build: mingw-w64 (its objdump lists the DLLs the programs
# import), zlib and GoogleTest's sources to build for Windows, wine to run them.
windows=(g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 libz-mingw-w64-dev googletest wine wine64)
# GoogleTest's CMake package names gmock's library too, so both are needed.
tests=(git libgtest-dev libgmock-dev libbenchmark-dev libx11-dev
  xvfb xfonts-base xdotool x11-utils imagemagick libgl1-mesa-dri libegl-mesa0
  chromium clang libclang-rt-14-dev valgrind ffmpeg dpkg-dev file desktop-file-utils)

usage() { sed -n '5,13s/^# \{0,1\}//p' "$0"; }
[ $# -gt 0 ] || { usage >&2; exit 2; }
packages=()
for group in "$@"; do
  case "$group" in
    play) packages+=("${pack[@]}" "${player[@]}") ;;
    web) packages+=("${pack[@]}" "${web[@]}") ;;
    windows) packages+=("${pack[@]}" "${windows[@]}") ;;
    test)
      packages+=("${pack[@]}" "${player[@]}" "${web[@]}" "${windows[@]}" "${tests[@]}")
      # A Node.js from outside Debian brings its own npm, which Debian's conflicts with.
      command -v npm > /dev/null || packages+=(npm) ;;
    -h | --help) usage; exit 0 ;;
    *) echo "scripts/deps.sh: unknown group \"$group\" (try --help)" >&2; exit 2 ;;
  esac
done

missing=()
for p in $(printf '%s\n' "${packages[@]}" | sort -u); do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -q
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
