#!/usr/bin/env bash
# The web page: built with emscripten (scripts/web) into a folder that holds
# only what the page loads and stays under 1 MB, the packed-pixel loops' tests
# under Node (SSE2 forms as WebAssembly SIMD against the portable ones), then
# the page in headless Chromium. Exit 77 (skipped) only when Chromium cannot
# start or npm is missing.
# usage: web_test.sh SOURCE_DIR [SOFTDEMO_RENDER]   (the native bench is printed beside the browser's)
set -euo pipefail
src=$(cd "$1" && pwd)
build=$src/build-web
site=$build/site
start=$SECONDS
fail() { echo "FAIL: $*"; exit 1; }

"$src/scripts/web"
echo "web build: $((SECONDS - start)) s"

# Whatever is in the folder gets published with it.
listing=$(cd "$site" && LC_ALL=C ls -A | tr '\n' ' ')
[ "$listing" = "pack pack.json softdemo.html softdemo.js softdemo.wasm " ] ||
  fail "$site should hold pack/, pack.json and the page's three files, and holds: $listing"
bytes=$(cat "$site"/softdemo.{html,js,wasm} | wc -c)
[ "$bytes" -lt 1000000 ] || fail "the page, its .js and .wasm take $bytes bytes, 1 MB or more"
echo "page, js and wasm: $bytes bytes"

# The loops' tests are built beside the site, never in it.
export NODE_PATH=/usr/share/nodejs
cmake -S "$src" -B "$build" -DSOFTDEMO_TESTS=ON > /dev/null
cmake --build "$build" -j "$(nproc)" --target softdemo_simd_tests
node "$build/softdemo_simd_tests.js"

command -v npm > /dev/null || { echo "SKIP: npm is not installed (scripts/deps.sh test installs it)"; exit 77; }
cd "$src/tests/web"
npm ci --no-audit --no-fund --loglevel=error
node browser_test.mjs "$site" "$src/tests/golden/frames-60fps.txt" ${2:+--native "$2" --data "$src/data"}
echo "web test: $((SECONDS - start)) s in all"
