#!/usr/bin/env bash
# A build configured as scripts/play configures it (-DSOFTDEMO_TESTS=OFF) has
# the programs and the data pack, and no test, benchmark or fuzz target, even
# with the fuzzers asked for.
# usage: without_tests.sh SOURCE_DIR SCRATCH_DIR
set -uo pipefail
src=$1 dir=$2
fail() { echo "FAIL: $*"; exit 1; }

rm -rf "$dir"
cmake -S "$src" -B "$dir" -G Ninja -DSOFTDEMO_TESTS=OFF -DSOFTDEMO_FUZZ=ON > "$dir.log" 2>&1 ||
  { cat "$dir.log"; fail "cannot configure $src with -DSOFTDEMO_TESTS=OFF"; }
targets=$(ninja -C "$dir" -t targets all | sed -n 's/^\([A-Za-z0-9_.-]*\): .*/\1/p' | sort -u)
for t in softdemo softdemo-preview softdemo-render softdemo-assets softdemo-data; do
  grep -qx "$t" <<< "$targets" || fail "no target $t"
done
extra=$(grep -E 'test|bench|fuzz' <<< "$targets" | tr '\n' ' ')
[ -z "$extra" ] || fail "targets the build should leave out: $extra"
ctest --test-dir "$dir" -N | grep -qx "Total Tests: 0" || fail "ctest finds tests in $dir"
rm -rf "$dir" "$dir.log"
echo "PASS: the programs and the data pack, nothing else"
