#!/usr/bin/env bash
# Times the whole show at 60 fps with this tree's engine and with an older
# commit's, alternating runs so both see the same machine load, and checks
# that every frame of the show hashes the same with both.
#
# usage: bench/compare.sh [BASE_REF] [RUNS]
#   BASE_REF  default: the merge-base with main (the commit before this branch)
#   RUNS      bench runs of each build, default 3
#
# The old engine is built from an export of BASE_REF with this tree's
# tools/render/ dropped in, so both runs report the same figures the same way.
# Needs this tree built in build/ (RelWithDebInfo, player off) and the data
# pack in data/.
set -euo pipefail

root=$(git -C "$(dirname "$0")" rev-parse --show-toplevel)
cd "$root"
base=$(git rev-parse --verify "${1:-$(git merge-base HEAD main)}^{commit}")
runs=${2:-3}
data=$root/data
new=$root/build/softdemo-render
[[ -x $new ]] || { echo "compare.sh: build this tree first (ninja -C build)" >&2; exit 1; }
[[ -d $data ]] || { echo "compare.sh: no data pack in $data" >&2; exit 1; }
ninja -C build softdemo-render > /dev/null

# The old tree is a plain export of BASE_REF, kept with its build in
# build-compare/ and refreshed with this tree's tools/render/ on every run.
old_src=$root/build-compare/$base-src
old_build=$root/build-compare/$base
old=$old_build/softdemo-render
if [[ ! -d $old_src ]]; then
  mkdir -p "$old_src.part"
  git archive "$base" | tar -x -C "$old_src.part"
  mv "$old_src.part" "$old_src"
fi
for f in tools/render/*.cpp tools/render/*.h; do
  cmp -s "$f" "$old_src/$f" || cp "$f" "$old_src/$f"
done
cmake -S "$old_src" -B "$old_build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSOFTDEMO_PLAYER=OFF > /dev/null
ninja -C "$old_build" -j2 softdemo-render > /dev/null

echo "old: $(git log -1 --format='%h %s' "$base")"
echo "new: $(git log -1 --format='%h %s' HEAD)$(git diff --quiet HEAD || echo ' (with uncommitted changes)')"
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"

# Every frame of the show, hashed by both.
times=$(awk 'BEGIN { for (i = 0; int(i * 1000 / 60) < 118377; ++i) printf "%s%d", (i ? "," : ""), int(i * 1000 / 60) }')
if ! cmp -s <("$old" frames --data "$data" --hash --at "$times") <("$new" frames --data "$data" --hash --at "$times"); then
  echo "FRAMES DIFFER between old and new" >&2
  exit 1
fi
echo "all $(tr ',' '\n' <<< "$times" | wc -l) frames identical"

out=$(mktemp -d)
for ((i = 0; i < runs; ++i)); do
  "$old" bench --json --data "$data" 2> /dev/null > "$out/old$i.json"
  "$new" bench --json --data "$data" 2> /dev/null > "$out/new$i.json"
done

python3 - "$out" "$runs" << 'EOF'
import json, statistics, sys
out, runs = sys.argv[1], int(sys.argv[2])
def load(which):
    return [json.load(open(f"{out}/{which}{i}.json")) for i in range(runs)]
old, new = load("old"), load("new")
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
print(f"{'':20} {'old (each run)':42} {'new (each run)':42} median ratio")
for label, key, at, fmt in rows:
    o = statistics.median(r[key] for r in old)
    n = statistics.median(r[key] for r in new)
    ratio = n / o if key == "framesPerSecond" else o / n if n else None
    print(f"{label:20} {', '.join(cell(r, key, at, fmt) for r in old):42} "
          f"{', '.join(cell(r, key, at, fmt) for r in new):42} " + (f"{ratio:.2f}x" if ratio else "-"))
for which, runs_ in (("old", old), ("new", new)):
    shares = runs_[-1]["shares"]
    print(f"{which} shares (last run): " + ", ".join(f"{k} {100 * v:.1f} %" for k, v in shares.items()))
EOF
rm -rf "$out"
