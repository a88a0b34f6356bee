#!/usr/bin/env bash
# The Windows player under wine, in an X server of its own, driven as a person would:
#   win32    the Win32 binding's own tests (windows, the dialog, the player's calls)
#   player   1. the dialog with its label and both pictures; Enter; two seconds of
#               black; frames, one of them (screenshot) the renderer's frame for its
#               time; Escape: exit 0;
#            2. Escape during the two seconds of black: exit 0, no frame;
#            3. no data pack: a message box "Error!" and the line on standard error;
#               exit 1 once it is answered
#   folder   the zip unpacked under a folder named outside any code page, started
#            from elsewhere, its music damaged: the dialog's pictures, the music's
#            failure on standard output and a silent show to its end, exit 0
# Usage: player_e2e.sh SOURCE_DIR CHECK RENDER [OUT_DIR]
# Run by windows_test.sh, which sets wine up; WINEPREFIX is a prefix for checks
# with a display only, one at a time: wine keeps to the display its session
# started with. Exits 77 (skipped) only where wine cannot start.
set -uo pipefail
src=$1 check=$2 render=$3 out=${4:-}
win=$src/build-win
data=$src/data

source "$src/tests/e2e/session.sh"
# Only wine may be missing: the X tools come with the test's packages.
for tool in Xvfb xdpyinfo xdotool import convert compare; do
    command -v "$tool" >/dev/null || fail "$tool is not installed (./scripts/deps.sh installs it)"
done
# The session ends with the test, before its X server goes.
trap 'wineserver -k 2>/dev/null; cleanup' EXIT

# A session left from an earlier check would keep that check's display.
wineserver -k 2>/dev/null
start_xvfb 1024x768
screen=1024x768
[ -n "$out" ] && mkdir -p "$out"
if ! why=$(timeout 300 wine cmd /c exit 0 2>&1); then
    echo "wine cannot start here, skipped: ${why:-no message}" | tail -1
    exit 77
fi

# Starts PROGRAM in FOLDER; its output lands in $tmp, with Linux line ends once it ends.
start_in() {
    (cd "$1" && SOFTDEMO_REPORT=1 exec wine "$2" >"$tmp/stdout" 2>"$tmp/stderr") &
    player_pid=$!
}

# Waits up to $1 ms for the player to end; sets rc and took.
wait_exit() {
    local start
    start=$(now_ms)
    while player_running && [ $(( $(now_ms) - start )) -lt "$1" ]; do sleep 0.05; done
    took=$(( $(now_ms) - start ))
    player_running && return 1
    wait "$player_pid"
    rc=$?
    player_pid=""
    sed -i 's/\r$//' "$tmp/stdout" "$tmp/stderr"
    return 0
}

geometry() { xdotool getwindowgeometry "$1" 2>/dev/null | awk '/Position/ { p = $2 } /Geometry/ { g = $2 } END { print p " " g }'; }

# The show's window: the program's window over the whole screen. Prints its id within $1 s.
show_window() {
    local deadline=$(( $(now_ms) + $1 * 1000 )) id
    while [ "$(now_ms)" -lt "$deadline" ]; do
        for id in $(xdotool search --onlyvisible --class '^softdemo\.exe$' 2>/dev/null); do
            [ "$(geometry "$id")" = "0,0 $screen" ] && { echo "$id"; return 0; }
        done
        player_running || return 1
        sleep 0.05
    done
    return 1
}

mean() { convert "$1" -format '%[fx:mean]' info:; }
below() { awk -v a="$1" -v b="$2" 'BEGIN { exit !(a < b) }'; }
rmse() { compare -metric RMSE "$1" "$2" null: 2>&1 | sed -n 's/.*(\([0-9.e+-]*\)).*/\1/p'; }

# The dialog shows "Choose ASS:" and the pictures of folder $1 on its buttons
# (each button's middle is its picture's). Without a window manager, the X
# window is the dialog's client area. Leaves the pointer over it, for the keys.
dialog_shown() {
    local pictures=$1 dialog n x err letters
    dialog=$(wait_window DemoDialog 90) || fail "the dialog did not open"
    xdotool mousemove --window "$dialog" 140 20
    sleep 1
    import -window "$dialog" "$tmp/dialog.png" || fail "no screenshot of the dialog"
    [ -n "$out" ] && cp "$tmp/dialog.png" "$out/windows-dialog.png"
    # Dark letters on the dialog's light face.
    letters=$(convert "$tmp/dialog.png" -crop 200x30+5+5 +repage -colorspace gray -threshold 40% -negate \
        -format '%[fx:round(mean*w*h)]' info:)
    [ "${letters:-0}" -gt 40 ] || fail "no lettering where the label is ($letters dark pixels)"
    for n in 1 2; do
        x=$(( n == 1 ? 6 : 140 ))
        convert "$pictures/ass$n.bmp" -crop 96x96+16+16 +repage "$tmp/want$n.png"
        convert "$tmp/dialog.png" -crop "96x96+$(( x + 16 ))+52" +repage "$tmp/got$n.png"
        err=$(rmse "$tmp/want$n.png" "$tmp/got$n.png")
        below "${err:-1}" 0.02 || fail "the dialog's button $n does not show ass$n.bmp (RMSE ${err:-?})"
    done
    echo "the dialog shows its label and both pictures"
}

# Screenshots during the first $1 ms of the show's window: all black.
stays_black() {
    local deadline=$(( $(now_ms) + $1 )) shots=0 m
    while [ "$(now_ms)" -lt "$deadline" ]; do
        import -window root "$tmp/black.png" 2>/dev/null || continue
        m=$(mean "$tmp/black.png")
        below "$m" 0.002 || fail "the screen is not black during the pause (mean $m)"
        shots=$(( shots + 1 ))
    done
    echo "black in $shots screenshots"
}

report_value() { sed -n "s/.*$1 \\([0-9]*\\) ms.*/\\1/p" "$tmp/stderr"; }

case $check in
win32)
    wine "$win/softdemo_win32_tests.exe" --gtest_brief=1 | tr -d '\r'
    exit "${PIPESTATUS[0]}"
    ;;
player)
    [ -f "$data/ass1.bmp" ] || fail "no data pack in $data"
    echo "== 1: the dialog, Enter, two seconds of black, the show, Escape"
    start_in "$src" "$win/softdemo.exe"
    dialog_shown "$data"
    xdotool key Return
    show=$(show_window 30) || fail "no window over the whole screen after Enter"
    stays_black 1500
    sleep 4.5
    import -window root "$tmp/screen.png"
    xdotool key Escape
    wait_exit 10000 || fail "still running 10 s after Escape"
    [ "$rc" -eq 0 ] || fail "exit code $rc after Escape"
    [ -n "$out" ] && cp "$tmp/screen.png" "$out/windows-show.png"
    last=$(report_value "last frame at")
    [ -n "$last" ] && [ "$last" -gt 2000 ] || fail "no frame shown some seconds in: $(cat "$tmp/stderr")"
    # The screenshot came a little before the last frame: the best of the
    # renderer's frames in the second before it, against the screen halved
    # (each pixel of the frame is 2 x 2 of it).
    convert "$tmp/screen.png" -scale 50% "$tmp/shot.png"
    "$render" frames --data "$data" --fps 1000 --at "$(seq $(( last - 1000 )) 10 "$last" | paste -sd, -)" \
        --png "$tmp/frames" >/dev/null || fail "the renderer failed"
    best=1 at=""
    for f in "$tmp"/frames/frame_*.png; do
        err=$(rmse "$f" "$tmp/shot.png")
        below "$err" "$best" && best=$err at=$(basename "$f" .png)
    done
    below "$best" 0.01 || fail "the screen is none of the frames up to $last ms (closest: ${at#frame_} ms, RMSE $best)"
    echo "the screen is the frame at ${at#frame_} ms (RMSE $best); last frame at $last ms; ended in $took ms"
    [ -s "$tmp/stdout" ] && fail "the music complained: $(cat "$tmp/stdout")"

    echo "== 2: Escape during the two seconds of black"
    start_in "$src" "$win/softdemo.exe"
    dialog=$(wait_window DemoDialog 90) || fail "the dialog did not open"
    xdotool mousemove --window "$dialog" 140 20 sleep 0.5 key Return
    show=$(show_window 30) || fail "no window over the whole screen after Enter"
    import -window root "$tmp/screen.png"
    xdotool key Escape
    wait_exit 10000 || fail "still running 10 s after Escape in the pause"
    [ "$rc" -eq 0 ] || fail "exit code $rc after Escape in the pause"
    grep -q "^softdemo: 0 frames" "$tmp/stderr" || fail "a frame was drawn: $(cat "$tmp/stderr")"
    m=$(mean "$tmp/screen.png")
    below "$m" 0.002 || fail "the screen was not black (mean $m)"
    echo "ended in $took ms with code 0 and no frame"

    echo "== 3: no data pack"
    mkdir "$tmp/alone"
    cp "$win/softdemo.exe" "$tmp/alone/"
    start_in "$tmp/alone" "$tmp/alone/softdemo.exe"
    box=$(wait_window 'Error!' 60) || fail "no message box \"Error!\""
    sleep 0.5
    player_running || fail "the player did not wait for its box"
    xdotool mousemove --window "$box" 20 20 key Return
    wait_exit 10000 || fail "still running 10 s after the box was answered"
    [ "$rc" -eq 1 ] || fail "exit code $rc without a data pack"
    grep -q "^softdemo: no data pack in " "$tmp/stderr" || fail "no line on standard error: $(cat "$tmp/stderr")"
    echo "box answered, exit 1: $(grep "^softdemo: " "$tmp/stderr")"
    echo "PASS: the Windows player end to end"
    ;;
folder)
    here="$tmp/J$(printf '\xc3\xbc')rgen/D$(printf '\xc3\xa9')mo $(printf '\xe3\x82\xb7\xe3\x83\xa7\xe3\x83\xbc')"
    mkdir -p "$here" "$tmp/elsewhere"
    (cd "$here" && cmake -E tar xf "$win/softdemo-windows.zip") || fail "cannot unpack the zip"
    unpacked=$here/softdemo-windows
    # Music of bytes that are no MP3 (the same every run).
    LC_ALL=C awk 'BEGIN { srand(7); for (i = 0; i < 300000; i++) printf "%c", int(rand() * 256) }' \
        >"$unpacked/data/fried.mp3"
    start_in "$tmp/elsewhere" "$unpacked/softdemo.exe"
    dialog_shown "$unpacked/data"
    xdotool key Return
    show_window 30 >/dev/null || fail "no window over the whole screen after Enter"
    wait_exit 150000 || fail "still running 150 s after the show started"
    [ "$rc" -eq 0 ] || fail "exit code $rc at the end of the show"
    [ "$(cat "$tmp/stdout")" = "$(printf "Can't open stream\n(error code: 3)")" ] ||
        fail "not the stream's failure on standard output: \"$(cat "$tmp/stdout")\""
    last=$(report_value "last frame at")
    [ -n "$last" ] && [ "$last" -ge 117377 ] && [ "$last" -lt 118377 ] ||
        fail "the show did not run to its end (last frame at ${last:-no} ms): $(cat "$tmp/stderr")"
    echo "from $here: the pictures, a silent show to its end (last frame at $last ms), exit 0"
    ;;
*)
    echo "player_e2e.sh: unknown check \"$check\""
    exit 2
    ;;
esac
