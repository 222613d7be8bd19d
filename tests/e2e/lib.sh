# Shared helpers of the end-to-end tests: a private X server, the game started in the
# background under a time limit, the window, keys, pointer, screenshots and pixels.
#
# A test script starts with
#     source "$(dirname "$0")/lib.sh"
#     e2e_init "$@"        # arguments: <path-to-jetsquad> <build-dir>
# and everything it starts is stopped when it exits, however it exits.
#
# Every external command runs under `timeout`, so a test can fail but never hang.

set -euo pipefail

E2E_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

# Seconds one game run may take at most before it is killed and the test fails.
GAME_LIMIT=${GAME_LIMIT:-60}

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

note() {
    echo "-- $*" >&2
}

# Debian's python3 starts faster than a version manager's shim.
find_python() {
    if [[ -x /usr/bin/python3 ]]; then
        echo /usr/bin/python3
    else
        command -v python3 || fail "python3 is missing"
    fi
}

# ImageMagick's own convert (another `convert` may come first on PATH).
find_convert() {
    if [[ -x /usr/bin/convert ]]; then
        echo /usr/bin/convert
    else
        command -v convert || fail "ImageMagick's convert is missing"
    fi
}

e2e_init() {
    [[ $# -ge 2 ]] || fail "usage: $0 <path-to-jetsquad> <build-dir>"
    GAME=$(readlink -f "$1")
    BUILD=$(readlink -f "$2")
    DATAFILE=$(dirname "$GAME")/data/datafile.dat
    [[ -x $GAME ]] || fail "no game executable at $GAME"

    WORK=$(mktemp -d "${TMPDIR:-/tmp}/jetsquad-e2e.XXXXXX")
    XVFB_PID=""
    GAME_PID=""
    DISPLAY_NUMBER=""
    trap e2e_cleanup EXIT
    trap 'exit 130' INT
    trap 'exit 143' TERM

    CONVERT=$(find_convert)
    PYTHON=$(find_python)
    TEST_NAME=$(basename "$0" .sh)
    rm -rf "$BUILD/e2e-failures/$TEST_NAME"
    install_fake_xmessage
    # The game's home: nothing the game or its libraries might read or write there is ours.
    mkdir -p "$WORK/home"
    # A silent sound device, as Xvfb is a display nobody sees: without any, the music's software
    # synthesiser finds no voices and the sound system cannot start.
    printf 'pcm.!default { type null }\n' >"$WORK/home/.asoundrc"
}

e2e_cleanup() {
    local status=$?
    trap - EXIT
    set +e
    stop_game
    stop_x
    if [[ $status -ne 0 && -n ${WORK:-} ]]; then
        # Keep the screenshots of a failed test for a look afterwards.
        if compgen -G "$WORK/*.png" >/dev/null; then
            local keep="$BUILD/e2e-failures/$TEST_NAME"
            mkdir -p "$keep" && cp "$WORK"/*.png "$keep"/ && note "screenshots kept in $keep"
        fi
        note "game output of the last run:"
        for f in "$WORK"/stdout "$WORK"/stderr; do
            [[ -f $f ]] && { echo "   $(basename "$f"):" >&2; grep -v '^ALSA lib' "$f" | head -n 20 | sed 's/^/     /' >&2; }
        done
    fi
    [[ -n ${WORK:-} ]] && rm -rf "$WORK"
    exit "$status"
}

# The error dialog: allegro_message runs `xmessage` and waits for its OK button. This one
# records its arguments, each ended by a NUL byte, one call after another, and returns at once
# with 101, the status of the real one's OK button (any other status makes Allegro print the
# message to standard output as well).
install_fake_xmessage() {
    mkdir -p "$WORK/bin"
    XMESSAGE_LOG=$WORK/xmessage.log
    cat >"$WORK/bin/xmessage" <<EOF
#!/bin/sh
for arg in "\$@"; do printf '%s\\0' "\$arg"; done >>'$XMESSAGE_LOG'
printf '\\n' >>'$XMESSAGE_LOG.calls'
exit 101
EOF
    chmod +x "$WORK/bin/xmessage"
    export PATH="$WORK/bin:$PATH"
    : >"$XMESSAGE_LOG"
    : >"$XMESSAGE_LOG.calls"
}

# How many times the dialog was shown, and the text of the last one (the last argument).
xmessage_calls() {
    wc -l <"$XMESSAGE_LOG.calls" | tr -d ' '
}

xmessage_text() {
    # The message is the last NUL-ended argument.
    "$PYTHON" -c 'import sys; a=open(sys.argv[1],"rb").read().split(b"\0"); sys.stdout.buffer.write(a[-2] if len(a)>1 else b"")' \
        "$XMESSAGE_LOG"
}

reset_xmessage() {
    : >"$XMESSAGE_LOG"
    : >"$XMESSAGE_LOG.calls"
}

# --- the X server ----------------------------------------------------------------------------

# Starts Xvfb on a free display (it picks the number itself) with a screen of the given size and
# depth, default 1280x1024x24, and exports DISPLAY.
start_x() {
    local screen=${1:-1280x1024x24}
    local tries
    for tries in 1 2 3; do
        rm -f "$WORK/display"
        Xvfb -displayfd 3 -screen 0 "$screen" -nolisten tcp -noreset \
            3>"$WORK/display" 2>"$WORK/xvfb.log" &
        XVFB_PID=$!
        local waited=0
        while [[ ! -s $WORK/display ]] && kill -0 "$XVFB_PID" 2>/dev/null && ((waited < 150)); do
            sleep 0.1
            waited=$((waited + 1))
        done
        if [[ -s $WORK/display ]]; then
            DISPLAY_NUMBER=$(tr -dc '0-9' <"$WORK/display")
            export DISPLAY=":$DISPLAY_NUMBER"
            # The server answers once it is ready.
            local i
            for i in $(seq 1 50); do
                if timeout 5 xdpyinfo >/dev/null 2>&1; then
                    return 0
                fi
                sleep 0.1
            done
        fi
        note "Xvfb did not come up (try $tries): $(tail -n 3 "$WORK/xvfb.log" 2>/dev/null)"
        stop_x
    done
    fail "could not start Xvfb"
}

stop_x() {
    if [[ -n ${XVFB_PID:-} ]]; then
        kill -TERM "$XVFB_PID" 2>/dev/null || true
        local i
        for i in $(seq 1 30); do
            kill -0 "$XVFB_PID" 2>/dev/null || break
            sleep 0.1
        done
        kill -KILL "$XVFB_PID" 2>/dev/null || true
        wait "$XVFB_PID" 2>/dev/null || true
        XVFB_PID=""
    fi
}

# --- the game --------------------------------------------------------------------------------

# launch_game [EXE [DIR]]: starts EXE (default the built game) in directory DIR (default the
# work directory) in the background; stdout and stderr go to $WORK/stdout and $WORK/stderr.
# Extra environment: set GAME_ENV to an array of words for env (-u NAME first, then NAME=VALUE).
launch_game() {
    local exe=${1:-$GAME}
    local dir=${2:-$WORK}
    # env takes its -u options before any NAME=VALUE.
    local -a env_words=()
    if [[ -n ${GAME_ENV+x} ]]; then
        env_words=("${GAME_ENV[@]}")
    fi
    env_words+=("HOME=$WORK/home")
    [[ -z ${GAME_PID:-} ]] || fail "launch_game: a game is still running"
    (cd "$dir" && exec env "${env_words[@]}" timeout -k 5 "$GAME_LIMIT" "$exe") \
        >"$WORK/stdout" 2>"$WORK/stderr" </dev/null &
    GAME_PID=$!
    GAME_RC=""
}

game_running() {
    [[ -n ${GAME_PID:-} ]] && kill -0 "$GAME_PID" 2>/dev/null
}

# wait_game_exit SECONDS: waits for the game to end and sets GAME_RC; fails after SECONDS.
wait_game_exit() {
    local limit=$1
    local steps=$((limit * 10)) i
    for ((i = 0; i < steps; i++)); do
        game_running || break
        sleep 0.1
    done
    if game_running; then
        fail "the game was still running after ${limit}s"
    fi
    set +e
    wait "$GAME_PID"
    GAME_RC=$?
    set -e
    GAME_PID=""
    note "game ended with exit code $GAME_RC"
}

stop_game() {
    if [[ -n ${GAME_PID:-} ]]; then
        # TERM reaches the game through timeout; KILL if it does not end.
        kill -TERM "$GAME_PID" 2>/dev/null || true
        local i
        for i in $(seq 1 30); do
            game_running || break
            sleep 0.1
        done
        if game_running; then
            # timeout's -k would do it after 5 s; do not wait that long.
            pkill -KILL -P "$GAME_PID" 2>/dev/null || true
            kill -KILL "$GAME_PID" 2>/dev/null || true
        fi
        wait "$GAME_PID" 2>/dev/null || true
        GAME_PID=""
    fi
}

# Fails unless the run ended by itself with the given code: not killed by the time limit, no
# crash, no sanitizer report.
expect_exit_code() {
    local want=$1 what=$2
    case $GAME_RC in
    124 | 137) fail "$what: the game hung and was killed by the time limit" ;;
    134) fail "$what: the game aborted (SIGABRT, exit 134)" ;;
    139) fail "$what: the game crashed (SIGSEGV, exit 139)" ;;
    esac
    if grep -q -e 'AddressSanitizer' -e 'runtime error:' "$WORK/stderr" 2>/dev/null; then
        fail "$what: sanitizer report on stderr"
    fi
    [[ $GAME_RC == "$want" ]] || fail "$what: exit code $GAME_RC, expected $want"
}

# --- the window ------------------------------------------------------------------------------

# wait_window [SECONDS]: waits until the game's window exists and carries the title "Jetsquad";
# sets WID. Fails early if the game ends first.
wait_window() {
    local limit=${1:-30}
    local steps=$((limit * 5)) i ids id
    WID=""
    for ((i = 0; i < steps; i++)); do
        game_running || fail "the game ended before its window appeared"
        # The search matches without regard to case; the exact title is checked below.
        ids=$(timeout 5 xdotool search --name '^Jetsquad$' 2>/dev/null || true)
        for id in $ids; do
            if [[ $(timeout 5 xdotool getwindowname "$id" 2>/dev/null || true) == "Jetsquad" ]]; then
                WID=$id
                return 0
            fi
        done
        sleep 0.2
    done
    fail "no window titled Jetsquad after ${limit}s"
}

# Sets WIN_X, WIN_Y, WIN_W, WIN_H from the window's absolute geometry.
window_geometry() {
    local info
    info=$(timeout 10 xwininfo -id "$WID") || fail "xwininfo failed on window $WID"
    WIN_X=$(awk '/Absolute upper-left X:/ {print $4}' <<<"$info")
    WIN_Y=$(awk '/Absolute upper-left Y:/ {print $4}' <<<"$info")
    WIN_W=$(awk '/Width:/ {print $2}' <<<"$info")
    WIN_H=$(awk '/Height:/ {print $2}' <<<"$info")
}

# Keyboard focus follows the pointer (there is no window manager): put the pointer on the
# window and give it the focus as well.
focus_window() {
    timeout 5 xdotool mousemove --window "$WID" 200 200 >/dev/null 2>&1 || true
    timeout 5 xdotool windowfocus "$WID" >/dev/null 2>&1 || true
}

# Holds a key long enough for the game's polling to see it.
press_key() {
    local key=$1
    timeout 5 xdotool keydown "$key" || fail "xdotool keydown $key"
    sleep 0.3
    timeout 5 xdotool keyup "$key" || fail "xdotool keyup $key"
}

# Moves the pointer to window-relative coordinates.
pointer_to() {
    timeout 5 xdotool mousemove --window "$WID" "$1" "$2" || fail "xdotool mousemove"
}

# --- pictures --------------------------------------------------------------------------------

# screenshot FILE: the whole X screen as PNG.
# ImageMagick reads the screen itself: its xwd reader takes the pixels of a 16-bit screen for
# 24-bit ones and shows wrong colours there.
screenshot() {
    local out=$1
    timeout 30 "$(dirname "$CONVERT")/import" -window root -depth 8 "png:$out" ||
        fail "import failed"
}

# pixel FILE X Y: prints "R G B" of one pixel.
pixel() {
    timeout 20 "$CONVERT" "$1" -crop "1x1+$2+$3" +repage -depth 8 txt:- |
        awk 'NR == 2 { gsub(/[(),]/, " ", $2); split($2, c, " "); print c[1], c[2], c[3] }'
}

# colour_count FILE GEOMETRY R G B: how many pixels of the region (WxH+X+Y) have that exact colour.
colour_count() {
    local file=$1 geometry=$2 hex
    hex=$(printf '#%02X%02X%02X' "$3" "$4" "$5")
    timeout 30 "$CONVERT" "$file" -crop "$geometry" +repage -alpha off -depth 8 -format %c histogram:info:- |
        awk -v hex="$hex" 'index($0, hex) { gsub(/:/, "", $1); n += $1 } END { print n + 0 }'
}

# --- what start-up prints and how it refuses -------------------------------------------------

# The exact standard output of start-up. Each bar is "<", 64 dots, ">", then a carriage return
# and "<" so the stars overwrite the dots; a full bar has 64 stars (one per four progress steps).
# puts() ends its line; puts("\n") prints two newlines; a final putchar('\n') ends the second
# bar. Allegro reports the light table's progress only once, at the end; the game fills the rest
# of that bar itself, so both bars end full.
expected_startup_output() {
    local dots stars
    dots=$(printf '.%.0s' $(seq 1 64))
    stars=$(printf '*%.0s' $(seq 1 64))
    printf 'Generating rgb_map table:\n<%s>\r<%s\n\n' "$dots" "$stars"
    printf 'Generating lighting table:\n<%s>\r<%s\n' "$dots" "$stars"
}

# expect_startup_output WHAT: standard output of the last run is exactly the two bars.
expect_startup_output() {
    expected_startup_output >"$WORK/expected-stdout"
    if ! cmp -s "$WORK/expected-stdout" "$WORK/stdout"; then
        echo "expected:" >&2
        od -c "$WORK/expected-stdout" >&2
        echo "got:" >&2
        od -c "$WORK/stdout" >&2
        fail "$1: standard output is not exactly the two progress bars"
    fi
}

# expect_data_refused DIR WHAT [CWD]: the game at DIR/jetsquad, started in CWD, refuses its data
# file: exit code 12 by itself, one error dialog "Error loading <DIR>/data/datafile.dat!" and a
# blank line, with the absolute path, and nothing but the progress bars on standard output.
expect_data_refused() {
    local dir=$1 what=$2 cwd=${3:-$WORK}
    local expected
    expected="Error loading $(readlink -f "$dir")/data/datafile.dat!"$'\n\n'
    reset_xmessage
    launch_game "$dir/jetsquad" "$cwd"
    wait_game_exit 30
    expect_exit_code 12 "$what"
    [[ $(xmessage_calls) -eq 1 ]] || fail "$what: the error dialog was shown $(xmessage_calls) times"
    xmessage_text >"$WORK/message"
    if [[ $(
        cat "$WORK/message"
        echo .
    ) != "$expected." ]]; then
        echo "message: $(od -c "$WORK/message")" >&2
        fail "$what: the error dialog did not say: Error loading <path>!"
    fi
    expect_startup_output "$what"
    [[ ! -e $cwd/core && ! -e $dir/core ]] || fail "$what: a core file was left"
    note "$what: exit code 12, message: $(head -n 1 "$WORK/message")"
}
