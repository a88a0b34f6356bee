#!/usr/bin/env bash
# The web page: built with emscripten (scripts/web), the packed-pixel loops'
# tests under Node (SSE2 forms as WebAssembly SIMD against the portable ones),
# then the page in headless Chromium. Exit 77 (skipped) only when Chromium
# cannot start.
# usage: web_test.sh SOURCE_DIR [SOFTDEMO_RENDER]   (the native bench is printed beside the browser's)
set -euo pipefail
src=$(cd "$1" && pwd)
start=$SECONDS

"$src/scripts/web"
echo "web build: $((SECONDS - start)) s"
node "$src/build-web/softdemo_simd_tests.js"

cd "$src/tests/web"
if ! command -v npm > /dev/null; then
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends npm
fi
npm ci --no-audit --no-fund --loglevel=error
node browser_test.mjs "$src/build-web" "$src/tests/golden/frames-60fps.txt" ${2:+--native "$2"}
echo "web test: $((SECONDS - start)) s in all"
