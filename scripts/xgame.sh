# The game in a private X server, driven by hand: the server, the game under a time limit, its
# window, keys, buttons and frames, for the end-to-end tests and scripts/screenshot. A script
# starts with
#     source "$REPO/scripts/xgame.sh"
#     xgame_init <path-to-jetsquad> <build-dir>
# Everything it starts is stopped when it exits, and every outside command runs under a time
# limit: a script can fail but never hang. Nothing waits a fixed time for the game: wait_for
# polls for the awaited state itself, up to a deadline.
set -euo pipefail
REPO=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
FRAME_PY=$REPO/scripts/frame.py # what the window shows
GAME_LIMIT=${GAME_LIMIT:-60} # seconds one game run may last before it is killed
# Debian's python3 and ImageMagick before others on PATH.
PYTHON=$(command -v /usr/bin/python3 python3 | head -n 1) || true
IMPORT=$(command -v /usr/bin/import import | head -n 1) || true

fail() { echo "FAIL: $*" >&2 && exit 1; }
note() { echo "-- $*" >&2; }
# need COMMAND...: skips the test (code 77, ctest's SKIP_RETURN_CODE) on a machine without one,
# such as a build daemon with no X server.
need() {
    local c
    for c; do command -v "$c" >/dev/null || { echo "SKIP: no $c here" >&2 && exit 77; }; done
}

xgame_init() {
    [[ $# -ge 2 && -x $1 ]] || fail "usage: $0 <path-to-jetsquad> <build-dir>"
    need Xvfb xdotool python3 import
    GAME=$(readlink -f "$1") BUILD=$(readlink -f "$2") && DATAFILE=${GAME%/*}/data/datafile.dat
    WORK=$(mktemp -d "${TMPDIR:-/tmp}/jetsquad-e2e.XXXXXX")
    XVFB_PID="" GAME_PID="" FRAMES_PID="" HELPER_PID="" # HELPER_PID: a test's own, if any
    trap xgame_cleanup EXIT && trap 'exit 130' INT && trap 'exit 143' TERM
    # Allegro shows an error with xmessage and waits for its OK button. This one appends the
    # message (its last argument) and a NUL to $WORK/dialogs and answers at once as OK does.
    mkdir -p "$WORK/bin" "$WORK/home" && export PATH=$WORK/bin:$PATH
    printf '#!/bin/bash\nprintf "%%s\\0" "${!#}" >>%q/dialogs\nexit 101\n' "$WORK" \
        >"$WORK/bin/xmessage" && chmod +x "$WORK/bin/xmessage"
    # A silent sound device: without any, the music's synthesiser finds no voices.
    echo 'pcm.!default { type null }' >"$WORK/home/.asoundrc"
}

# Stops what the test started; after a failure keeps the last window and the game's output.
xgame_cleanup() {
    local status=$? pid keep=$BUILD/e2e-failures/$(basename "$0" .sh)
    trap - EXIT && set +e && stop_game
    # Bash unsets FRAMES_PID once the frame reader has ended.
    for pid in "${FRAMES_PID:-}" "$HELPER_PID" "$XVFB_PID"; do end_process "$pid"; done
    if ((status != 0)); then
        rm -rf "$keep" && mkdir -p "$keep" && cp "$WORK"/*.ppm "$WORK"/std* "$keep" 2>/dev/null
        note "the last window and the game's output are kept in $keep"
        grep -sv '^ALSA lib' "$WORK/stderr" | head -n 20 >&2
    fi
    rm -rf "$WORK"
    exit "$status"
}

# wait_for SECONDS COMMAND...: runs COMMAND every 0.1 s until it succeeds; status 1 after SECONDS.
wait_for() {
    local end=$((SECONDS + $1))
    until "${@:2}"; do ((SECONDS < end)) && sleep 0.1 || return 1; done
}

gone() { ! kill -0 "$1" 2>/dev/null; }

# end_process PID: TERM, KILL after 3 s, reaped.
end_process() {
    [[ -n $1 ]] || return 0
    kill -TERM "$1" 2>/dev/null && wait_for 3 gone "$1" || kill -KILL "$1" 2>/dev/null || true
    wait "$1" 2>/dev/null || true
}

# start_x [WxHxD...]: Xvfb on a free display with these screens (default 1280x1024x24).
start_x() {
    local s screens=()
    for s in "${@:-1280x1024x24}"; do screens+=(-screen $((${#screens[@]} / 3)) "$s"); done
    # With two screens Xvfb aborts as it ends: no core file, no report of it.
    (ulimit -c 0 && exec Xvfb -displayfd 3 "${screens[@]}" -nolisten tcp -noreset) \
        3>"$WORK/display" 2>"$WORK/xvfb.log" & XVFB_PID=$! && disown
    wait_for 30 test -s "$WORK/display" || fail "no Xvfb: $(tail -n 3 "$WORK/xvfb.log")"
    export DISPLAY=:$(tr -dc 0-9 <"$WORK/display")
}

# launch_game [EXE [DIR]]: the game (default: the built one) started in DIR (default: $WORK) in
# the background, its output in $WORK/stdout and $WORK/stderr. GAME_ENV holds extra words for
# env (-u NAME first, then NAME=VALUE).
launch_game() {
    [[ -z $GAME_PID ]] || fail "launch_game: a game is still running"
    : >"$WORK/dialogs"
    (cd "${2:-$WORK}" && exec env ${GAME_ENV[@]+"${GAME_ENV[@]}"} HOME="$WORK/home" timeout -k 5 \
        "$GAME_LIMIT" "${1:-$GAME}") >"$WORK/stdout" 2>"$WORK/stderr" </dev/null & GAME_PID=$!
}

game_running() { [[ -n $GAME_PID ]] && ! gone "$GAME_PID"; }
game_ended() { ! game_running; }

# wait_game_exit SECONDS: waits for the game to end and sets GAME_RC.
wait_game_exit() {
    wait_for "$1" game_ended || fail "the game was still running after $1 s"
    GAME_RC=0 && wait "$GAME_PID" || GAME_RC=$? && GAME_PID=""
}

# TERM reaches the game through timeout; one stuck in Allegro's signal handler gets KILL.
stop_game() {
    game_running || return 0
    kill -TERM "$GAME_PID" && wait_for 3 game_ended || pkill -KILL -P "$GAME_PID" || true
    end_process "$GAME_PID" && GAME_PID=""
}

# expect_exit_code CODE WHAT: the last run ended by itself with CODE, without a signal or a
# sanitizer's report.
expect_exit_code() {
    ((GAME_RC != 124 && GAME_RC != 137)) || fail "$2: the game hung and was killed"
    ((GAME_RC < 128)) || fail "$2: the game died of signal $((GAME_RC - 128))"
    ! grep -qe AddressSanitizer -e 'runtime error:' "$WORK/stderr" || fail "$2: sanitizer report"
    ((GAME_RC == $1)) || fail "$2: exit code $GAME_RC, expected $1"
}

# expect_startup_output WHAT: the last run's standard output is exactly the two progress bars:
# each "<", 64 dots, ">", a carriage return and "<", then 64 stars as its table fills.
expect_startup_output() {
    local bar && printf -v bar '%64s' ""
    printf 'Generating rgb_map table:\n<%s>\r<%s\n\nGenerating lighting table:\n<%s>\r<%s\n' \
        "${bar// /.}" "${bar// /\*}" "${bar// /.}" "${bar// /\*}" | cmp -s - "$WORK/stdout" ||
        fail "$1: standard output is not exactly the two bars: $(od -c "$WORK/stdout" | head)"
}

# The game's window is mapped with the title "Jetsquad": sets WID.
window_shown() {
    game_running || fail "the game ended before its window appeared"
    WID=$(timeout 5 xdotool search --onlyvisible --name '^Jetsquad$' 2>/dev/null | head -n 1)
    [[ -n $WID ]]
}

# wait_window: waits for the window; sets WID, WIN_X, WIN_Y, WIN_WIDTH and WIN_HEIGHT.
wait_window() {
    wait_for 30 window_shown || fail "no window titled Jetsquad after 30 s"
    eval "$(timeout 5 xdotool getwindowgeometry --shell --prefix WIN_ "$WID")"
}

xdo() { timeout 5 xdotool "$@" >/dev/null 2>&1 || fail "xdotool $* did not answer"; }

# Without a window manager the keyboard follows the pointer: it goes onto the window too.
focus_window() { xdo mousemove --window "$WID" 200 200 windowfocus "$WID"; }

# start_game [EXE [DIR]]: launch_game, then its window waited for and given the keyboard.
start_game() { launch_game "$@" && wait_window && focus_window; }

# quit_game WHAT: Escape ends the game with code 0, no dialog, nothing printed but the two bars.
quit_game() {
    focus_window && press_key Escape && wait_game_exit 15 && expect_exit_code 0 "$1"
    expect_startup_output "$1"
    [[ ! -s $WORK/dialogs ]] || fail "$1: a dialog said: $(tr '\0' ' ' <"$WORK/dialogs")"
}

# hold keydown|mousedown KEY-OR-BUTTON TEST...: held until TEST succeeds (15 s at most), so no
# press falls between the game's polls.
hold() {
    xdo "$1" "$2" && wait_for 15 "${@:3}" || fail "$2 held for 15 s, still not: ${*:3}"
    xdo "${1/down/up}" "$2"
}

# press_key KEY [TEST]: KEY held until TEST succeeds, by default until the game has ended.
press_key() { hold keydown "$1" "${2:-game_ended}"; }

# point_at X Y: the pointer at a point of the 640 x 480 frame; PX, PY: where the game sees it.
point_at() {
    local x=$(($1 * WIN_WIDTH / 640)) y=$(($2 * WIN_HEIGHT / 480))
    xdo mousemove --window "$WID" "$x" "$y"
    PX=$((x * 640 / WIN_WIDTH)) PY=$((y * 480 / WIN_HEIGHT))
}

# look [X Y]: the window in $WORK/window.ppm and what $FRAME_PY reads there, as variables.
look() {
    [[ -n ${FRAMES_PID:-} ]] || coproc FRAMES { exec "$PYTHON" "$FRAME_PY" read "$DATAFILE"; }
    timeout 30 "$IMPORT" -window "$WID" -depth 8 "ppm:$WORK/window.ppm" || fail "import failed"
    local line && echo "$WORK/window.ppm $*" >&"${FRAMES[1]}"
    IFS= read -r -t 30 line <&"${FRAMES[0]}" && eval "$line" || fail "no answer from frame.py"
}

# squad_command BOX_X BOT X: the bot's box in the column at BOX_X (195 COMMAND, 255 PICKUP)
# pressed until its placement beam shows (armed); the pointer, still pressed, at the target X high
# in the sky until the box pointer shows there; let go until it is gone (the game saw the
# release); pressed until the beam is gone (carried out). GAME OVER ends each step early.
squad_step() { look "$PX" "$PY" && ((GAME_OVER || $1)); }
squad_command() {
    point_at "$1" $((400 + 30 * ($2 - 1))) && xdo mousedown 1
    wait_for 15 squad_step 'BEAM > 50' || fail "no placement beam for bot $2"
    point_at "$3" 60 && wait_for 15 squad_step 'BOX_CURSOR > 90' || fail "no box pointer there"
    xdo mouseup 1 && wait_for 15 squad_step 'BOX_CURSOR < 50' || fail "the release is not seen"
    hold mousedown 1 squad_step 'BEAM <= 50'
}
