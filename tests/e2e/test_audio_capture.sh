#!/usr/bin/env bash
# What a player hears. ALSA's default device is pointed at a capture (a private HOME with its own
# .asoundrc), drained in real time as a sound card would (tests/audio/capture.py), then:
#  1. the game itself, started and left alone for a few seconds: the music is heard, so the
#     patch set beside the executable was found with nothing set up;
#  2. the sound probe (tests/audio/audio_probe.cpp), the game's own start-up sound calls and
#     per-frame buzz volume in fixed scenes: the music is heard, it comes round to its opening
#     exactly when the song's MIDI file ends, and the buzz is silent with no flyers in view and
#     grows with their number (2 per flyer, at most 255), proportionally in the output.
source "$(dirname "$0")/lib.sh"
e2e_init "$@"

CAPTURE_PY=$(cd "$E2E_DIR/../audio" && pwd)/capture.py
PROBE=$BUILD/jetsquad_audio_probe
SONG=$BUILD/assets/music.mid
PATCHES=$(dirname "$GAME")/patches.dat
[[ -f $PATCHES ]] || fail "no patch set beside the game ($PATCHES): the music would be silent"
[[ -x $PROBE ]] || fail "no sound probe at $PROBE (built with the tests)"
[[ -f $SONG ]] || fail "no song at $SONG (written with the data file)"

FIFO=$WORK/sound.fifo
mkfifo "$FIFO"
cat >"$WORK/home/.asoundrc" <<EOF
pcm.!default { type file; slave.pcm "null"; file "$FIFO"; format "raw" }
EOF

DRAIN_PID=""
start_capture() {
    "$PYTHON" "$CAPTURE_PY" drain "$FIFO" "$1" 2>"$WORK/drain.log" &
    DRAIN_PID=$!
}

stop_capture() {
    [[ -n $DRAIN_PID ]] || return 0
    kill -TERM "$DRAIN_PID" 2>/dev/null || true
    local i
    for i in $(seq 1 50); do
        kill -0 "$DRAIN_PID" 2>/dev/null || break
        sleep 0.1
    done
    kill -KILL "$DRAIN_PID" 2>/dev/null || true
    wait "$DRAIN_PID" 2>/dev/null || true
    DRAIN_PID=""
    note "$(cat "$WORK/drain.log")"
}
# Stops the drain, then the shared clean-up, which reads the test's exit status from $?.
stop_capture_on_exit() {
    local status=$?
    set +e
    stop_capture
    return "$status"
}
trap 'stop_capture_on_exit; e2e_cleanup' EXIT

start_x

# --- 1. the game ------------------------------------------------------------------------------
start_capture "$WORK/game.raw"
launch_game
wait_window
focus_window
sleep 5
game_running || fail "the game ended by itself"
press_key Escape
wait_game_exit 15
expect_exit_code 0 "Escape after listening"
stop_capture
timeout 60 "$PYTHON" "$CAPTURE_PY" game "$WORK/game.raw" >&2 ||
    fail "the game's music was not heard"

# --- 2. the probe -----------------------------------------------------------------------------
eval "$(timeout 30 "$PYTHON" "$CAPTURE_PY" song "$SONG")"
note "song: $SONG_SECONDS s, $SONG_BEATS beats, $SONG_BARS bars; the probe starts at beat $SEEK_BEAT"
# Long enough to reach the loop point and hear three seconds of the opening after it.
LOOP_SECONDS=$("$PYTHON" -c "print(round($SEEK_REMAINING + 4.5, 2))")

start_capture "$WORK/probe.raw"
set +e
(cd "$WORK" && exec env HOME="$WORK/home" timeout -k 5 120 "$PROBE" "$SEEK_BEAT" "$LOOP_SECONDS") \
    >"$WORK/probe.out" 2>"$WORK/probe.err" </dev/null
probe_rc=$?
set -e
stop_capture
sed 's/^/   probe: /' "$WORK/probe.out" >&2
if [[ $probe_rc -ne 0 ]]; then
    grep -v '^ALSA lib' "$WORK/probe.err" | head -n 20 >&2
    fail "the sound probe ended with code $probe_rc"
fi
grep -q '^music driver: DIGMID' "$WORK/probe.out" || fail "the music did not play through DIGMID"

timeout 120 "$PYTHON" "$CAPTURE_PY" probe "$WORK/probe.raw" "$SONG" "$SEEK_BEAT" >&2 ||
    fail "the capture does not sound as it should (see above)"
echo "PASS: the music is heard and loops on time; the buzz follows the flyers in view"
