#!/usr/bin/env bash
# The game runs until Escape, and Escape ends it at once with exit code 0.
source "$(dirname "$0")/lib.sh"
e2e_init "$@"

start_x
launch_game
wait_window
focus_window

# Left alone, or steered with other keys, the game keeps running.
sleep 1.5
press_key w
press_key d
sleep 0.5
game_running || fail "the game ended without Escape"

press_key Escape
started=$(date +%s%N)
wait_game_exit 10
expect_exit_code 0 "Escape"
elapsed_ms=$((($(date +%s%N) - started) / 1000000))
note "ended ${elapsed_ms} ms after Escape was released"
((elapsed_ms < 5000)) || fail "the game took ${elapsed_ms} ms to end after Escape"
echo "PASS: Escape ends the game with exit code 0"
