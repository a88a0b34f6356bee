#!/usr/bin/env bash
# Times the whole show at 60 fps with this tree's engine and with an older
# commit's, alternating runs so all see the same machine load, and checks
# that every frame of the show hashes the same with both. This tree's engine
# runs twice per round: on one thread and on THREADS.
#
# usage: bench/compare.sh [BASE_REF] [RUNS] [THREADS]
#   BASE_REF  default: the merge-base with main (the commit before this branch)
#   RUNS      bench runs of each, default 3
#   THREADS   threads of the second run of this tree, default: the machine's cores
#
# The old engine is built from an export of BASE_REF with its own renderer
# (the bench's JSON keeps its keys from version to version). Needs this tree
# built in build/ (RelWithDebInfo, player off) and the data pack in data/.
set -euo pipefail

root=$(git -C "$(dirname "$0")" rev-parse --show-toplevel)
cd "$root"
base=$(git rev-parse --verify "${1:-$(git merge-base HEAD main)}^{commit}")
runs=${2:-3}
threads=${3:-$(nproc)}
data=$root/data
new=$root/build/softdemo-render
[[ -x $new ]] || { echo "compare.sh: build this tree first (ninja -C build)" >&2; exit 1; }
[[ -d $data ]] || { echo "compare.sh: no data pack in $data" >&2; exit 1; }
ninja -C build softdemo-render > /dev/null

# The old tree is a plain export of BASE_REF, kept with its build in build-compare/.
old_src=$root/build-compare/$base-src
old_build=$root/build-compare/$base
old=$old_build/softdemo-render
if [[ ! -d $old_src ]]; then
  mkdir -p "$old_src.part"
  git archive "$base" | tar -x -C "$old_src.part"
  mv "$old_src.part" "$old_src"
fi
cmake -S "$old_src" -B "$old_build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSOFTDEMO_PLAYER=OFF > /dev/null
ninja -C "$old_build" -j2 softdemo-render > /dev/null

echo "old: $(git log -1 --format='%h %s' "$base")"
echo "new: $(git log -1 --format='%h %s' HEAD)$(git diff --quiet HEAD || echo ' (with uncommitted changes)')"
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"

# Every frame of the show, hashed by both.
times=$(awk 'BEGIN { for (i = 0; int(i * 1000 / 60) < 118377; ++i) printf "%s%d", (i ? "," : ""), int(i * 1000 / 60) }')
expected=$("$old" frames --data "$data" --hash --at "$times")
for t in 1 "$threads"; do
  if ! cmp -s <(echo "$expected") <("$new" frames --threads "$t" --data "$data" --hash --at "$times"); then
    echo "FRAMES DIFFER between old and new on $t threads" >&2
    exit 1
  fi
done
echo "all $(tr ',' '\n' <<< "$times" | wc -l) frames identical (new on 1 and $threads threads)"

out=$(mktemp -d)
for ((i = 0; i < runs; ++i)); do
  "$old" bench --json --data "$data" 2> /dev/null > "$out/old$i.json"
  "$new" bench --json --threads 1 --data "$data" 2> /dev/null > "$out/new$i.json"
  "$new" bench --json --threads "$threads" --data "$data" 2> /dev/null > "$out/wide$i.json"
done

python3 - "$out" "$runs" "$threads" << 'EOF'
import json, statistics, sys
out, runs, threads = sys.argv[1], int(sys.argv[2]), sys.argv[3]
def load(which):
    return [json.load(open(f"{out}/{which}{i}.json")) for i in range(runs)]
rows = [
    ("frames per second", "framesPerSecond", None, "%.0f"),
    ("median frame ms", "medianFrameMs", None, "%.3f"),
    ("worst frame ms", "worstFrameMs", "worstFrameAtMs", "%.3f"),
    ("worst non-CAExp ms", "worstOtherFrameMs", "worstOtherFrameAtMs", "%.3f"),
    ("worst CAExp ms", "worstCAExpFrameMs", "worstCAExpFrameAtMs", "%.3f"),
    ("non-CAExp > 1 ms", "otherFramesOver1Ms", None, "%d"),
    ("CAExp > 2.5 ms", "CAExpFramesOver2_5Ms", None, "%d"),
]
def cell(run, key, at, fmt):
    return fmt % run[key] + (f" @{run[at]}" if at else "")
def ratio(key, a, b):
    x, y = statistics.median(r[key] for r in a), statistics.median(r[key] for r in b)
    r = y / x if key == "framesPerSecond" else x / y if y else None
    return f"{r:.2f}x" if r else "-"
old, new, wide = load("old"), load("new"), load("wide")
columns = (("old (each run)", old), ("new, 1 thread", new), (f"new, {threads} threads", wide))
print(f"{'':20} " + " ".join(f"{name:34}" for name, _ in columns) + " new/old  wide/new  wide/old")
for label, key, at, fmt in rows:
    print(f"{label:20} " + " ".join(f"{', '.join(cell(r, key, at, fmt) for r in runs_):34}" for _, runs_ in columns)
          + f" {ratio(key, old, new):8} {ratio(key, new, wide):9} {ratio(key, old, wide)}")
for which, runs_ in (("old", old), ("new", new), ("wide", wide)):
    shares = runs_[-1]["shares"]
    print(f"{which} shares (last run): " + ", ".join(f"{k} {100 * v:.1f} %" for k, v in shares.items()))
EOF
rm -rf "$out"
