#!/usr/bin/env bash
# On a machine without any sound device the game still starts (silently) and ends on Escape
# with code 0: the music synthesizer, which borrows its voices from a sound device, is left out
# rather than stopping the game.
source "$(dirname "$0")/lib.sh"
e2e_init "$@"

# The only sound device the game's home knows of is a card that does not exist.
printf 'pcm.!default { type hw card 99 }\nctl.!default { type hw card 99 }\n' >"$WORK/home/.asoundrc"
[[ -f $(dirname "$GAME")/patches.dat ]] ||
    note "no patches.dat beside the game: the synthesizer would not start anyway"

start_x
launch_game
wait_window
focus_window
sleep 1
game_running || fail "the game ended on its own"
press_key Escape
wait_game_exit 15
expect_exit_code 0 "Escape without a sound device"
[[ $(xmessage_calls) -eq 0 ]] || fail "an error dialog was shown: $(xmessage_text)"
echo "PASS: the game plays without a sound device"
