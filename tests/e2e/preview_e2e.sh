#!/usr/bin/env bash
# The preview end to end in Xvfb, every frame it names checked against
# softdemo-render on the same show file and data.
#   control: open at 80 s with --control; seek, step both ways, loop, play,
#            reload an edited copy of the show (by the file watcher and by
#            command, broken and fixed); quit exits 0.
#   keys:    the same window driven by keys (xdotool): stepping, seconds,
#            Page Down, Home, the loop keys, F1; Escape exits 0.
# Usage: preview_e2e.sh PREVIEW RENDER SOURCE_DIR control|keys [FPS]
# FPS (default 60; control only) lets a slow build (ThreadSanitizer's) take
# fewer frames. Exits 77 (skipped) only when Xvfb or xdotool is missing.
set -uo pipefail

preview=$1 render=$2 source=$3 mode=$4 fps=${5:-60}
[ "$mode" = control ] || [ "$fps" = 60 ] || { echo "FAIL: FPS is for the control mode only"; exit 1; }
data=$source/data

source "$(dirname "$0")/session.sh"
require_tools Xvfb xdotool
[ -f "$data/fried.mp3" ] || { echo "FAIL: no data pack in $data"; exit 1; }

show=$tmp/edit.show
cp "$source/show/demo.show" "$show"
mkfifo "$tmp/in"
start_xvfb
(SDL_AUDIODRIVER=dummy exec env ${SOFTDEMO_PLAYER_PRELOAD:+LD_PRELOAD="$SOFTDEMO_PLAYER_PRELOAD"} \
    "$preview" --show "$show" --data "$data" --fps "$fps" --at 80000 --control <"$tmp/in" >"$tmp/stdout" 2>"$tmp/stderr") &
player_pid=$!
exec 3>"$tmp/in"
window=$(wait_window softdemo-preview 300) || fail "the preview's window did not open"

# Sends a command (none: waits for a line said unasked) and sets `reply` to the
# next line on standard output.
answered=0 reply=""
ask() {
    [ -n "$1" ] && echo "$1" >&3
    answered=$((answered + 1))
    local deadline=$(( $(now_ms) + 60000 ))
    until [ "$(wc -l <"$tmp/stdout")" -ge "$answered" ]; do
        player_running || fail "the preview ended before answering \"$1\""
        [ "$(now_ms)" -lt "$deadline" ] || fail "no answer to \"$1\""
        sleep 0.02
    done
    reply=$(sed -n "${answered}p" "$tmp/stdout")
}

# Frames to check afterwards: "SHOWFILE TIME HASH" per line.
checks=$tmp/checks
expect_frame() { # answer, show file; the answer must be "at T frame I hash H"
    [[ "$1" =~ ^at\ ([0-9]+)\ frame\ ([0-9]+)\ hash\ ([0-9a-f]{16})$ ]] || fail "not a frame: \"$1\""
    [ "${BASH_REMATCH[2]}" -eq $(( (BASH_REMATCH[1] * fps + 999) / 1000 )) ] || fail "frame and time disagree: $1"
    echo "$2 ${BASH_REMATCH[1]} ${BASH_REMATCH[3]}" >>"$checks"
}
expect() { [ "$1" = "$2" ] || fail "expected \"$2\", got \"$1\""; }
time_of() { [[ "$1" =~ ^at\ ([0-9]+) ]] && echo "${BASH_REMATCH[1]}"; }
# After playing a while: pauses, which must land inside the loop FROM ... TO.
pause_in_loop() {
    sleep 1.5
    ask pause
    expect_frame "$reply" "$tmp/original.show"
    local t
    t=$(time_of "$reply")
    [ "$t" -ge "$1" ] && [ "$t" -lt "$2" ] || fail "did not loop from $1 to $2: $reply"
    ask "loop off"; expect "$reply" "loop off"
}
key() { xdotool key --window "$window" "$@"; sleep 0.3; }

cp "$show" "$tmp/original.show"
ask hash; expect_frame "$reply" "$tmp/original.show"
ask hash; expect "$(time_of "$reply")" 80000

if [ "$mode" = control ]; then
    ask "seek 80100"; expect_frame "$reply" "$tmp/original.show"
    ask "step -7"; expect_frame "$reply" "$tmp/original.show"
    ask "step 12"; expect_frame "$reply" "$tmp/original.show"
    ask "seek 13500"; first=$reply
    ask "seek 13500"; expect "$reply" "$first" # the automaton's seconds, twice alike
    ask hash; expect_frame "$reply" "$tmp/original.show"
    ask "loop 13000 13400"; expect "$reply" "loop 13000 13400"
    ask play; expect "$reply" "playing at 13500"
    pause_in_loop 13000 13400
    ask "frobnicate"; expect "$reply" 'error unknown command "frobnicate"'
    ask "seek 80000"; expect_frame "$reply" "$tmp/original.show"

    # An edit on disk: the watcher reloads it and says so unasked.
    sed -i 's/posX 110 -> 110 L 79220-79320/posX 170 -> 170 L 79220-79320/' "$show"
    cp "$show" "$tmp/edited.show"
    ask ""; expect "$reply" "reloaded $show at 80000"
    ask hash; expect_frame "$reply" "$tmp/edited.show"
    ask hash; before=$reply
    # Broken: the old show stays, with the error, by the watcher and by command.
    sed -i 's/^effect 31 PutBuffer {/effect 31 PutBuffer/' "$show"
    ask ""; error=$reply
    [[ "$error" =~ ^error\ $show:[0-9]+:[0-9]+:\  ]] || fail "not a show error: $error"
    ask reload; expect "$reply" "$error"
    ask hash; expect "$reply" "$before"
    ask "step -1"; expect_frame "$reply" "$tmp/edited.show" # the last good show stays
    # Replaced whole, so the watcher never sees half a file; it reloads before
    # the command does, each saying so once.
    cp "$tmp/edited.show" "$show.new" && mv "$show.new" "$show"
    before_80s=$(( (80000 * fps / 1000 - 1) * 1000 / fps )) # the frame before 80 s: 79983 at 60 fps
    ask ""; expect "$reply" "reloaded $show at $before_80s"
    ask reload; expect "$reply" "reloaded $show at $before_80s"
    ask hash; expect_frame "$reply" "$tmp/edited.show"
    echo quit >&3
else
    key Right
    ask hash; expect_frame "$reply" "$tmp/original.show"
    ask hash; expect "$(time_of "$reply")" 80016
    key Left Left
    ask hash; expect "$(time_of "$reply")" 79983
    key shift+Right
    ask hash; expect_frame "$reply" "$tmp/original.show"
    ask hash; expect "$(time_of "$reply")" 80983
    key Next
    ask hash; expect_frame "$reply" "$tmp/original.show"
    ask hash; expect "$(time_of "$reply")" 90983
    key Prior Prior
    ask hash; expect "$(time_of "$reply")" 70983
    key i shift+Right o l F1
    ask hash; expect_frame "$reply" "$tmp/original.show"
    key space
    pause_in_loop 70983 71983 # the loop the keys marked
    key Home
    ask hash; home=$reply
    ask "seek 0"; expect "$reply" "$home"
    key Escape
fi

start=$(now_ms)
while player_running && [ $(( $(now_ms) - start )) -lt 10000 ]; do sleep 0.05; done
player_running && fail "still running 10 s after quitting"
wait "$player_pid"
rc=$?
player_pid=""
[ "$rc" -eq 0 ] || fail "exit code $rc"
grep -qE "Sanitizer|runtime error" "$tmp/stderr" && fail "a sanitizer report"

# Every frame named, as softdemo-render renders it.
for file in $(cut -d' ' -f1 "$checks" | sort -u); do
    times=$(awk -v f="$file" '$1 == f { print $2 }' "$checks" | sort -un | paste -sd,)
    "$render" frames --show "$file" --data "$data" --fps "$fps" --at "$times" --hash >"$tmp/rendered" || fail "the renderer failed"
    while read -r f t h; do
        [ "$f" = "$file" ] || continue
        grep -qx "$t $h" "$tmp/rendered" || fail "frame at $t of $(basename "$file"): $h, the renderer: $(grep "^$t " "$tmp/rendered")"
    done <"$checks"
done
echo "PASS: preview ($mode): $(wc -l <"$checks") frames as softdemo-render renders them, exit 0"
