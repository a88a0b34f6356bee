#!/usr/bin/env bash
# How long an author waits for a saved edit: softdemo-preview --control stands
# paused at 100 s in Xvfb; the show file is replaced with an edited copy (one
# new segment, at EDIT ms) and the time until the file watcher's line
# "reloaded FILE at T" is printed. Each save moves a value, so every reload
# sees a change. Prints the median and worst per edit time.
#
# usage: bench/reload_watch.sh [PREVIEW] [RUNS] [EDIT_MS...]
#   PREVIEW  default build/softdemo-preview;  RUNS default 10;  EDIT_MS default 98000 5000
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
preview=${1:-$root/build/softdemo-preview}
runs=${2:-10}
shift $(( $# > 2 ? 2 : $# ))
edits=("${@:-}")
[ -n "${edits[0]}" ] || edits=(98000 5000)
data=$root/data
[ -x "$preview" ] || { echo "reload_watch.sh: no $preview (build it first)" >&2; exit 1; }
[ -f "$data/fried.mp3" ] || { echo "reload_watch.sh: no data pack in $data" >&2; exit 1; }
command -v python3 >/dev/null || { echo "reload_watch.sh: needs python3" >&2; exit 1; }

player_pid=""
source "$root/tests/e2e/session.sh"
start_xvfb >/dev/null

SDL_AUDIODRIVER=dummy python3 - "$preview" "$data" "$root/show/demo.show" "$tmp" "$runs" "${edits[@]}" <<'EOF'
import os, statistics, subprocess, sys, time

preview, data, demo, tmp, runs = sys.argv[1:6]
edits = [int(e) for e in sys.argv[6:]]
show = os.path.join(tmp, "edit.show")
text = open(demo).read()
anchor = "    posY 20 -> 20 L 79220-79320\n" # in the bacon sprite's block, the first of its kind
assert text.count(anchor) >= 1

def save(content):
    # Replaced whole, as editors do, so the watcher never reads half a file.
    with open(show + ".new", "w") as f:
        f.write(content)
    os.replace(show + ".new", show)

save(text)
p = subprocess.Popen([preview, "--show", show, "--data", data, "--at", "100000", "--control"],
                     stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True, bufsize=1)

def ask(command):
    p.stdin.write(command + "\n")
    p.stdin.flush()
    return p.stdout.readline().strip()

ready = ask("hash")
assert ready.startswith("at 100000 "), ready
time.sleep(2)  # the window is up and the spare time has gone into snapshots
value = 0
for at in edits:
    waits = []
    for _ in range(int(runs)):
        value += 1
        save(text.replace(anchor, anchor + f"    posX 0 -> {value} L {at}-{at + 500}\n", 1))
        start = time.monotonic()
        line = p.stdout.readline().strip()
        waits.append((time.monotonic() - start) * 1000)
        assert line == f"reloaded {show} at 100000", line
        time.sleep(1)
    print(f"edit at {at} ms, frame on screen at 100000 ms: save to answer median {statistics.median(waits):.0f} ms,"
          f" worst {max(waits):.0f} ms ({runs} saves)")
p.stdin.write("quit\n")
p.stdin.close()
p.wait(timeout=30)
EOF
