#!/usr/bin/env bash
# The player on a desktop, in its own X server (larger than the window mode):
#   1. Alt+Enter in the show makes it a 1024 x 768 window, Alt+Enter again
#      full screen; the show runs on as one run (its clock is where the wall
#      clock says, no frame two seconds late, the music did not complain)
#      and Escape ends it with 0;
#   2. a refused data pack is shown in a message box "Error!"; the player waits
#      for it, and ends with 1 when it is closed;
#   3. with no display at all: one line on standard error, no box, exit 1.
# Usage: player_desktop_e2e.sh PLAYER DATA_DIR
# Exits 77 (skipped) only when Xvfb, xdotool or xwininfo is missing.
set -uo pipefail

player=$1 data=$(cd "$2" && pwd)

source "$(dirname "$0")/session.sh"
require_tools Xvfb xdotool xwininfo
[ -f "$data/fried.mp3" ] || { echo "FAIL: no data pack in $data"; exit 1; }
# A sanitizer build spends seconds checking the heap at exit.
escape_ms=${SOFTDEMO_E2E_ESCAPE_MS:-3000}
screen=1280x1024
start_xvfb $screen

show_window() { xdotool search --onlyvisible --name '^softdemo$' 2>/dev/null | tail -1; }
geometry() { xdotool getwindowgeometry "$1" 2>/dev/null | awk '/Position/ { p = $2 } /Geometry/ { g = $2 } END { print p " " g }'; }

# Waits up to 10 s until the show's window has the keyboard and a geometry
# matching the pattern $1 ("X,Y WxH").
wait_show() {
    local deadline=$(( $(now_ms) + 10000 )) seen=""
    while [ "$(now_ms)" -lt "$deadline" ]; do
        player_running || fail "the player ended"
        show=$(show_window)
        if [ -n "$show" ]; then
            seen=$(geometry "$show")
            # shellcheck disable=SC2053
            [[ $seen == $1 ]] && [ "$(xdotool getwindowfocus 2>/dev/null)" = "$show" ] && return 0
        fi
        sleep 0.05
    done
    fail "the show's window is at \"$seen\", not \"$1\" with the keyboard"
}

# Waits up to $1 ms for the player to end; sets rc. No sanitizer may have spoken.
wait_exit() {
    local start
    start=$(now_ms)
    while player_running && [ $(( $(now_ms) - start )) -lt "$1" ]; do sleep 0.02; done
    player_running && return 1
    wait "$player_pid"
    rc=$?
    player_pid=""
    grep -qE "Sanitizer|runtime error" "$tmp/stderr" && fail "a sanitizer report"
    return 0
}

echo "== 1: Alt+Enter twice during the show"
mkdir "$tmp/play"
ln -s "$data" "$tmp/play/data"
start_player "$tmp/play"
dialog=$(wait_window DemoDialog 120) || fail "the dialog did not open"
xdotool mousemove --window "$dialog" 70 100 click 1
wait_show "0,0 $screen"
shown=$(now_ms)
sleep 5 # two seconds of black, three of show
xdotool key alt+Return
wait_show "* 1024x768"
echo "a window: $(geometry "$show")"
sleep 1.5
xdotool key alt+Return
wait_show "0,0 $screen"
echo "full screen again: $(geometry "$show")"
sleep 1
escaped=$(now_ms)
xdotool key Escape
wait_exit "$escape_ms" || fail "still running $escape_ms ms after Escape"
[ "$rc" -eq 0 ] || fail "exit code $rc"
line=$(grep "^softdemo: [0-9]* frames" "$tmp/stderr") || fail "no report line"
echo "$line"
last=$(sed -n 's/.*last frame at \([0-9]*\) ms.*/\1/p' <<<"$line")
gap=$(sed -n 's/.*longest gap \([0-9]*\) ms.*/\1/p' <<<"$line")
# The show started two seconds after its screen appeared (seen a little
# late): a clock started again at a switch would be three seconds behind.
wall=$(( escaped - shown - 2000 ))
[ -n "$last" ] && [ "$last" -le $(( wall + 1000 )) ] && [ "$last" -ge $(( wall - 1500 )) ] ||
    fail "the last frame was at ${last:-?} ms of show time, after about $wall ms of show"
[ "${gap:-9999}" -lt 2000 ] || fail "$gap ms between two frames"
[ -s "$tmp/stdout" ] && fail "the music complained"
grep -q "^softdemo: .*vsync" <<<"$line" || fail "the report does not say whether vsync is in use"

echo "== 2: a refused data pack in a message box"
mkdir -p "$tmp/broken/data"
cp "$data/white.png" "$tmp/broken/data/"
SOFTDEMO_NO_MESSAGE_BOX="" start_player "$tmp/broken"
# SDL names the box in UTF-8 only, which xdotool's search does not read.
deadline=$(( $(now_ms) + 30000 )) box=""
while [ -z "$box" ] && player_running && [ "$(now_ms)" -lt "$deadline" ]; do
    box=$(xwininfo -root -children | awk '$2 == "\"Error!\":" { print $1 }')
    sleep 0.1
done
[ -n "$box" ] || fail "no message box"
sleep 0.5
player_running || fail "the player did not wait for its box"
grep -q "^softdemo: the data pack in data is not usable" "$tmp/stderr" || fail "no line on standard error"
xdotool windowfocus --sync "$box" key Return
wait_exit "$escape_ms" || fail "still running $escape_ms ms after the box was answered"
[ "$rc" -eq 1 ] || fail "exit code $rc after a refused pack"
echo "box answered, exit 1: $(tail -1 "$tmp/stderr")"

echo "== 3: no display"
(cd "$tmp/play" && exec env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER SOFTDEMO_NO_MESSAGE_BOX= \
    ${SOFTDEMO_PLAYER_PRELOAD:+LD_PRELOAD="$SOFTDEMO_PLAYER_PRELOAD"} "$player" >"$tmp/stdout" 2>"$tmp/stderr") &
player_pid=$!
wait_exit 60000 || fail "still running a minute without a display"
[ "$rc" -eq 1 ] || fail "exit code $rc without a display"
# (SDL's Wayland library may add a line of its own.)
[ "$(grep -c "^softdemo: " "$tmp/stderr")" -eq 1 ] && grep -q "^softdemo: cannot open the display" "$tmp/stderr" ||
    fail "not one line about the display"
grep "^softdemo: " "$tmp/stderr"

echo "PASS: Alt+Enter there and back, the failure box, no display"
