#!/usr/bin/env bash
# What a player hears, through a sound device that writes into a named pipe, drained in real time
# as a sound card would (tests/audio/capture.py): the game's music, heard with nothing set up, so
# the patch set beside the executable was found; and the sound probe (tests/audio/audio_probe.cpp),
# the game's own sound calls in fixed scenes: the song comes round to its opening exactly when its
# MIDI file ends, the buzz follows the number of flyers in view, silent without any, and ten of
# them are heard over the music. No sample reaches full scale, and the music's loudest moment and
# the buzz at full volume together stay below it.
source "$(dirname "$0")/../../scripts/xgame.sh"
xgame_init "$@"

CAPTURE=("$PYTHON" "$REPO/tests/audio/capture.py") SONG=$BUILD/assets/music.facts
[[ -f $(dirname "$GAME")/patches.dat && -x $BUILD/jetsquad_audio_probe && -f $SONG ]] ||
    fail "no patches.dat beside the game, sound probe or song's facts in $BUILD"
mkfifo "$WORK/sound" && printf 'pcm.!default { type file; slave.pcm "null"; file "%s"; %s }' \
    "$WORK/sound" 'format "raw"' >"$WORK/home/.asoundrc"
# capture OUT COMMAND...: what COMMAND plays, in OUT.
capture() {
    "${CAPTURE[@]}" drain "$WORK/sound" "$1" & HELPER_PID=$!
    "${@:2}" && end_process "$HELPER_PID" && HELPER_PID=""
}
# Seconds of sound in a capture (16-bit stereo at 44100 Hz) above SECONDS.
captured() { (($(stat -c %s "$WORK/game.raw") > $1 * 176400)); }
listen() {
    start_game && wait_for 30 captured 5 || fail "the game played less than 5 s of sound in 30 s"
    quit_game "Escape after listening"
}

start_x
capture "$WORK/game.raw" listen
timeout 60 "${CAPTURE[@]}" game "$WORK/game.raw"
read -r seek remaining < <("${CAPTURE[@]}" seek "$SONG")
# A busy machine can stall the mixer for a moment, which bends the capture's timing: a capture
# that fails where the mixer stalled is taken again, three times at most.
for attempt in 1 2 3; do
    capture "$WORK/probe.raw" timeout -k 5 120 env HOME="$WORK/home" \
        "$BUILD/jetsquad_audio_probe" "$seek" "$remaining"
    status=0 && timeout 120 "${CAPTURE[@]}" probe "$WORK/probe.raw" "$SONG" || status=$?
    ((status == 2)) || break
done
((status == 0)) || fail "the sound probe's capture (attempt $attempt)"
echo "PASS: the music is heard and loops on time, unclipped; the buzz follows the flyers in view"
