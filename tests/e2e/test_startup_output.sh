#!/usr/bin/env bash
# Start-up prints two progress bars while the colour tables are built, and nothing else.
source "$(dirname "$0")/lib.sh"
e2e_init "$@"

start_x
launch_game
wait_window
focus_window
press_key Escape
wait_game_exit 15
expect_exit_code 0 "Escape after start-up"

expect_startup_output "start-up"
echo "PASS: start-up output is the two progress bars, byte for byte"
