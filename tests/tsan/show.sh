#!/usr/bin/env bash
# The whole show at 10 fps on 2 and on 3 threads, under ThreadSanitizer: no
# report (the renderer would exit non-zero) and every frame alike on both.
# usage: show.sh SOFTDEMO_RENDER DATA_DIR
set -euo pipefail
render=$1 data=$2
times=$(awk 'BEGIN { for (i = 0; i * 100 < 118377; i++) printf "%s%d", (i ? "," : ""), i * 100 }')
two=$("$render" frames --data "$data" --fps 10 --threads 2 --hash --at "$times")
three=$("$render" frames --data "$data" --fps 10 --threads 3 --hash --at "$times")
[ "$(wc -l <<<"$two")" -eq 1184 ] || { echo "FAIL: $(wc -l <<<"$two") frames, not 1184"; exit 1; }
[ "$two" = "$three" ] || { echo "FAIL: frames differ on 2 and 3 threads:"; diff <(echo "$two") <(echo "$three") | head; exit 1; }
echo "1184 frames alike on 2 and 3 threads, no report"
