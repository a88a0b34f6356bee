#!/usr/bin/env bash
# The renderer finds the checkout's data pack from any folder in the checkout;
# away from one it names every place it looked, and lists the classes anyway.
# usage: lookup.sh SOFTDEMO_RENDER SOURCE_DIR GOLDEN_FILE
set -euo pipefail
render=$1 source=$2 golden=$3
expected=$(head -n 1 "$golden")
at=${expected%% *}
for dir in "$source" "$(dirname "$render")" "$source/show"; do
  got=$(cd "$dir" && env -u SOFTDEMO_DATA "$render" frames --at "$at" --hash)
  [ "$got" = "$expected" ] || { echo "FAIL: from $dir: \"$got\", expected \"$expected\""; exit 1; }
done

away=$(mktemp -d)
trap 'rm -rf "$away"' EXIT
cp "$render" "$away/softdemo-render"
cd "$away"
if env -u SOFTDEMO_DATA ./softdemo-render frames --at 0 --hash > out.txt 2> err.txt; then
  echo "FAIL: found a data pack away from the checkout"; exit 1
fi
grep -q "no data pack in data (the current folder)" err.txt || { echo "FAIL: message: $(cat err.txt)"; exit 1; }
if grep -q "source checkout" err.txt; then echo "FAIL: a checkout away from one: $(cat err.txt)"; exit 1; fi
env -u SOFTDEMO_DATA ./softdemo-render classes > classes.txt
[ "$(cat classes.txt)" = "$(cd "$source" && "$render" classes)" ] || { echo "FAIL: classes differ away from a pack"; exit 1; }
grep -q '^effect Voxel' classes.txt || { echo "FAIL: no Voxel in the listing"; exit 1; }
echo "found from 3 folders of the checkout; away from it: refused by name, classes listed"
