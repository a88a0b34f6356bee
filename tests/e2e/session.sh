# Sourced by the player's end-to-end scripts: a scratch directory, an X server
# of their own, the player started in it, and waiting for its windows.
# The script sets `player` (the player's path) before using start_player.

# Exits 77 (skipped) when one of the named tools is missing.
require_tools() {
    for tool in "$@"; do
        if ! command -v "$tool" >/dev/null; then
            echo "SKIP: $tool is not installed (./scripts/deps.sh test installs it)"
            exit 77
        fi
    done
}

tmp=$(mktemp -d)
xvfb_pid="" player_pid=""
cleanup() {
    [ -n "$player_pid" ] && kill "$player_pid" 2>/dev/null
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
    wait 2>/dev/null
    rm -rf "$tmp"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*"
    for f in "$tmp"/stdout "$tmp"/stderr; do
        [ -s "$f" ] && { echo "--- player $(basename "$f"):"; cat "$f"; echo; }
    done
    exit 1
}

now_ms() { echo $(( $(date +%s%N) / 1000000 )); }

# Xvfb picks a free display number itself and tells it through -displayfd.
# The screen is $1 (default 1024x768).
start_xvfb() {
    require_tools Xvfb xdpyinfo
    Xvfb -displayfd 3 -screen 0 "${1:-1024x768}x24" -nolisten tcp 3>"$tmp/display" 2>"$tmp/xvfb.log" &
    xvfb_pid=$!
    for _ in $(seq 100); do [ -s "$tmp/display" ] && break; sleep 0.1; done
    [ -s "$tmp/display" ] || fail "Xvfb did not start: $(cat "$tmp/xvfb.log")"
    export DISPLAY=":$(head -1 "$tmp/display")"
    # A server that has just said its number may not take connections yet.
    for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
    xdpyinfo >/dev/null 2>&1 || fail "Xvfb on $DISPLAY takes no connections: $(cat "$tmp/xvfb.log")"
    echo "Xvfb on $DISPLAY"
}

# Starts the player in directory $1, silent; its output lands in $tmp. A
# start-up failure shows no message box unless SOFTDEMO_NO_MESSAGE_BOX is set empty.
start_player() {
    (cd "$1" && SDL_AUDIODRIVER=dummy SOFTDEMO_REPORT=1 SOFTDEMO_NO_MESSAGE_BOX=${SOFTDEMO_NO_MESSAGE_BOX-1} \
        exec env ${SOFTDEMO_PLAYER_PRELOAD:+LD_PRELOAD="$SOFTDEMO_PLAYER_PRELOAD"} "$player" >"$tmp/stdout" 2>"$tmp/stderr") &
    player_pid=$!
}

player_running() { kill -0 "$player_pid" 2>/dev/null; }

# Prints the id of the window named exactly $1 once it shows up within $2 seconds.
wait_window() {
    local deadline=$(( $(now_ms) + $2 * 1000 )) id
    while [ "$(now_ms)" -lt "$deadline" ]; do
        id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1)
        [ -n "$id" ] && { echo "$id"; return 0; }
        player_running || return 1
        sleep 0.1
    done
    return 1
}
