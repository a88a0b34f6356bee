#!/usr/bin/env bash
# The player end to end, in its own X server, driven the way a person would:
#   1. choose "Ass1", watch the show, press Escape: exit 0 within a second;
#   2. close the dialog instead: the show still starts;
#   3. press Escape during the two seconds of black: exit 0 before any frame.
# Usage: player_e2e.sh PLAYER SOURCE_DIR OUT_DIR XCLOSE
# Exits 77 (skipped) only when Xvfb or xdotool is missing.
set -uo pipefail

player=$1 source_dir=$2 out=$3 xclose=$4
# A sanitizer build spends seconds checking the heap at exit: give it the time.
escape_ms=${SOFTDEMO_E2E_ESCAPE_MS:-1000}

source "$(dirname "$0")/session.sh"
require_tools Xvfb xdotool import convert
if [ ! -d "$source_dir/data" ]; then
    echo "FAIL: no data pack in $source_dir/data (build the project: it generates the pack)"
    exit 1
fi

mkdir -p "$out"
start_xvfb

# Mean brightness, 0 to 1, of the screen or of a part of it (WxH+X+Y).
brightness() {
    import -window root "$tmp/screen.png" 2>/dev/null || return 1
    if [ -n "${1:-}" ]; then
        convert "$tmp/screen.png" -crop "$1" +repage -format '%[fx:mean]' info:
    else
        convert "$tmp/screen.png" -format '%[fx:mean]' info:
    fi
}

# Waits until the brightness of the screen (or part $3) is above $1, for $2 seconds.
wait_picture() {
    local deadline=$(( $(now_ms) + $2 * 1000 )) mean
    while [ "$(now_ms)" -lt "$deadline" ]; do
        mean=$(brightness "${3:-}") && awk -v m="$mean" -v t="$1" 'BEGIN { exit !(m > t) }' && return 0
        player_running || return 1
        sleep 0.3
    done
    return 1
}

# Waits up to $1 ms for the player to end; sets rc and the time it took.
wait_exit() {
    local start deadline
    start=$(now_ms)
    deadline=$(( start + $1 ))
    while player_running && [ "$(now_ms)" -lt "$deadline" ]; do sleep 0.02; done
    took=$(( $(now_ms) - start ))
    player_running && return 1
    wait "$player_pid"
    rc=$?
    player_pid=""
    return 0
}

geometry() { xdotool getwindowgeometry "$1" | awk '/Position/ { p = $2 } /Geometry/ { g = $2 } END { print p " " g }'; }

dialog_up() {
    dialog=$(wait_window DemoDialog 120) || fail "the dialog did not open"
    read -r pos size < <(geometry "$dialog")
    local x=${pos%,*} y=${pos#*,}
    dialog_area="${size}+${x}+${y}"
    wait_picture 0.3 10 "$dialog_area" || fail "the dialog stayed dark at $dialog_area"
}

# The show's window, over the whole screen and holding the keyboard focus.
# Its renderer may make it anew once, so look until one window holds both.
show_up() {
    local screen seen="" focus="" deadline=$(( $(now_ms) + 30000 ))
    screen=$(xdotool getdisplaygeometry | tr ' ' x)
    while [ "$(now_ms)" -lt "$deadline" ]; do
        player_running || fail "the player ended before the show"
        show=$(xdotool search --onlyvisible --name '^softdemo$' 2>/dev/null | tail -1)
        if [ -n "$show" ]; then
            seen=$(geometry "$show" 2>/dev/null)
            focus=$(xdotool getwindowfocus 2>/dev/null)
            [ "$seen" = "0,0 $screen" ] && [ "$focus" = "$show" ] && break
        fi
        sleep 0.05
    done
    [ "$seen" = "0,0 $screen" ] || fail "the show covers \"$seen\", not the screen $screen"
    [ "$focus" = "$show" ] || fail "the show's window $show never got the keyboard (the focus is on $focus)"
    xdotool search --onlyvisible --name '^DemoDialog$' >/dev/null && fail "the dialog is still open"
    return 0
}

press_escape() {
    xdotool mousemove 512 384 key Escape
}

echo "== 1: choose Ass1, watch, Escape"
start_player "$source_dir"
dialog_up
import -window root -crop "$dialog_area" +repage "$out/dialog.png"
xdotool mousemove --window "$dialog" 70 100 click 1
show_up
wait_picture 0.02 60 || fail "the show stayed black"
cp "$tmp/screen.png" "$out/show.png"
echo "screen brightness $(brightness)"
press_escape
wait_exit "$escape_ms" || fail "still running $escape_ms ms after Escape"
[ "$rc" -eq 0 ] || fail "exit code $rc after Escape"
echo "ended in $took ms with code 0: $(cat "$tmp/stderr")"
[ -s "$tmp/stdout" ] && fail "the audio layer complained"

echo "== 2: close the dialog"
start_player "$source_dir"
dialog_up
"$xclose" "$dialog" || fail "could not ask the dialog to close"
show_up
wait_picture 0.02 60 || fail "the show stayed black after the dialog was closed"
press_escape
wait_exit "$escape_ms" || fail "still running $escape_ms ms after Escape"
[ "$rc" -eq 0 ] || fail "exit code $rc after closing the dialog"
echo "ended in $took ms with code 0: $(cat "$tmp/stderr")"

echo "== 3: Escape during the two seconds of black"
start_player "$source_dir"
dialog_up
xdotool mousemove --window "$dialog" 204 100 click 1
show_up
press_escape
wait_exit 5000 || fail "still running 5 s after Escape in the pause"
[ "$rc" -eq 0 ] || fail "exit code $rc after Escape in the pause"
grep -q "^softdemo: 0 frames" "$tmp/stderr" || fail "a frame was drawn: $(cat "$tmp/stderr")"
echo "ended in $took ms with code 0: $(cat "$tmp/stderr")"

echo "PASS: player end to end"
