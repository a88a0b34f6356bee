#!/usr/bin/env bash
# Renders the frames listed in the golden file and compares their hashes.
# usage: check.sh SOFTDEMO_RENDER DATA_DIR GOLDEN_FILE
set -euo pipefail
render=$1 data=$2 golden=$3
times=$(cut -d' ' -f1 "$golden" | paste -sd, -)
actual=$("$render" frames --data "$data" --fps 60 --hash --at "$times")
if ! diff <(echo "$actual") "$golden" > /dev/null; then
  echo "Frames differ from $golden (expected, then actual):"
  diff "$golden" <(echo "$actual") || true
  echo "If the change is intended, run scripts/update-golden and commit the new hashes."
  exit 1
fi
echo "$(wc -l < "$golden") frames match"
