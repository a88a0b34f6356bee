#!/usr/bin/env bash
# The player end to end on a damaged data directory: the music missing and both
# dialog pictures replaced by random bytes. It warns about the three files,
# shows the dialog (buttons without pictures), plays the show silently with
# the stream failure on standard output, and exits 0 on Escape.
# Usage: player_faults_e2e.sh PLAYER DATA_DIR
# Exits 77 (skipped) only when Xvfb or xdotool is missing.
set -uo pipefail

player=$1 data=$2

source "$(dirname "$0")/session.sh"
require_tools Xvfb xdotool
[ -f "$data/fried.mp3" ] || { echo "FAIL: no data pack in $data"; exit 1; }

# The damaged copy: links to the pack, no music, dialog pictures of random bytes
# (the same bytes every run). The pack's real folder is linked file by file: a
# data/ that is itself a link (a worktree's) would otherwise be copied as that
# link, and the damage done to the pack.
cp -as "$(cd "$data" && pwd -P)" "$tmp/data"
[ -d "$tmp/data" ] && [ ! -L "$tmp/data" ] || fail "could not make a copy of $data to damage"
rm "$tmp/data/fried.mp3" "$tmp/data/ass1.bmp" "$tmp/data/ass2.bmp"
for n in 1 2; do
    LC_ALL=C awk -v seed="$n" 'BEGIN { srand(seed); for (i = 0; i < 49206; i++) printf "%c", int(rand() * 256) }' \
        >"$tmp/data/ass$n.bmp"
done

start_xvfb
start_player "$tmp"

dialog=$(wait_window DemoDialog 120) || fail "the dialog did not open"
xdotool mousemove --window "$dialog" 70 100 click 1
show=$(wait_window softdemo 30) || fail "the show did not start"
# The show's window takes the keyboard; Escape goes to it after a second of show.
deadline=$(( $(now_ms) + 10000 ))
until [ "$(xdotool getwindowfocus 2>/dev/null)" = "$show" ] || [ "$(now_ms)" -gt "$deadline" ]; do
    sleep 0.05
    show=$(xdotool search --onlyvisible --name '^softdemo$' 2>/dev/null | tail -1)
done
sleep 3.5 # two seconds of black, then the show
player_running || fail "the player ended during the show"
xdotool mousemove 512 384 key Escape
start=$(now_ms)
# A sanitizer build spends seconds checking the heap at exit.
escape_ms=${SOFTDEMO_E2E_ESCAPE_MS:-3000}
while player_running && [ $(( $(now_ms) - start )) -lt "$escape_ms" ]; do sleep 0.02; done
player_running && fail "still running $escape_ms ms after Escape"
wait "$player_pid"
rc=$?
player_pid=""
[ "$rc" -eq 0 ] || fail "exit code $rc"

for file in fried.mp3 ass1.bmp ass2.bmp; do
    grep -q "^softdemo: data/$file: .*; going on without it\$" "$tmp/stderr" || fail "no warning about data/$file"
done
[ "$(cat "$tmp/stdout")" = "$(printf "Can't open stream\n(error code: 2)")" ] || fail "not the stream failure on stdout"
frames=$(sed -n 's/^softdemo: \([0-9]*\) frames.*/\1/p' "$tmp/stderr")
[ "${frames:-0}" -gt 0 ] || fail "no frame was shown"
grep -qE "Sanitizer|runtime error" "$tmp/stderr" && fail "a sanitizer report"
echo "PASS: the player without its music and dialog pictures: $frames frames, exit 0 on Escape"
