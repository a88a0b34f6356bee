#!/usr/bin/env bash
# The whole show on a 1,000 fps timeline (118,377 frames, hashes only) in the
# headless renderer: resident memory after the last frame must be what it was
# after the first, within MARGIN_KB (default 1024). A leak of 9 bytes a frame
# already adds up to 1 MB over the run; allocator and stdio noise stays far below.
# Usage: longrun.sh RENDERER DATA_DIR [MARGIN_KB]
set -uo pipefail

renderer=$1 data=$2 margin=${3:-1024}
err=$(mktemp)
trap 'rm -f "$err"' EXIT

begin=$(date +%s)
"$renderer" frames --fps 1000 --at 118376 --memory --data "$data" >/dev/null 2>"$err"
rc=$?
took=$(( $(date +%s) - begin ))
cat "$err"
[ "$rc" -eq 0 ] || { echo "FAIL: the renderer exited with $rc"; exit 1; }

# "memory WHEN: VmRSS N kB, VmHWM N kB"
figure() { sed -n "s/^memory $1: VmRSS \([0-9]*\) kB, VmHWM \([0-9]*\) kB\$/\\$2/p" "$err"; }
first=$(figure 'after the first frame' 1) end=$(figure 'after 118377 frames' 1)
first_peak=$(figure 'after the first frame' 2) end_peak=$(figure 'after 118377 frames' 2)
[ -n "$first" ] && [ -n "$end" ] || { echo "FAIL: no memory figures for the first and the 118,377th frame"; exit 1; }
growth=$(( end - first ))
echo "resident: ${first} kB after the first frame, ${end} kB after 118,377 frames (${growth} kB more);" \
     "peak ${first_peak} kB, then ${end_peak} kB; ${took} s"
[ "$growth" -le "$margin" ] || { echo "FAIL: resident memory grew by ${growth} kB (margin ${margin} kB)"; exit 1; }
echo "PASS: long run"
