#!/usr/bin/env bash
# A player's own sound settings in ~/.allegrorc never crash the game. Under each set below, with a
# sound device that takes whatever is played and freed heap memory poisoned, a short game (thrust
# held until the cursor image follows the pointer) ends with code 0 on Escape: mono output three
# times, at the mixer's default quality, then at quality 1 and 8 bits, and as text that reads as 0
# with a quality out of range; and no fragment count, as 0 and as text, with no fragment size.
source "$(dirname "$0")/../../scripts/xgame.sh"
xgame_init "$@"

echo 'pcm.!default { type file; slave.pcm "null"; file "/dev/null"; format "raw" }' \
    >"$WORK/home/.asoundrc"
GAME_ENV=(MALLOC_PERTURB_=165)
cursor_follows() { point_at "$1" "$2" && look "$PX" "$PY" && ((CURSOR >= 90)); }
# play SETTING...: a short game with these lines in the [sound] section of ~/.allegrorc.
play() {
    printf '[sound]\n' >"$WORK/home/.allegrorc" && printf '%s\n' "$@" >>"$WORK/home/.allegrorc"
    start_game && hold keydown w cursor_follows 560 60 && quit_game "with $*"
}

start_x
for run in 1 2 3; do play 'sound_stereo = 0'; done
play 'sound_stereo = 0' 'quality = 1' 'sound_bits = 8' 'sound_freq = 8000' 'alsa_numfrags = 0'
play 'sound_stereo = off' 'quality = 7' 'alsa_fragsize = 0' 'alsa_numfrags = none'
echo "PASS: mono output at every mixer quality and no fragment count end with 0 on Escape"
