#!/usr/bin/env bash
# A minute of random hands on the real game: keys held long and short or left down, the pointer
# anywhere on the X screen, both buttons held or clicked fast, squad boxes and their targets.
# The game must stay up all along and still end on Escape with code 0. PLAY_SECONDS (default
# 60) and PLAY_SEED (default from the clock, printed) repeat a run.
GAME_LIMIT=$((${PLAY_SECONDS:=60} + 60))
source "$(dirname "$0")/../../scripts/xgame.sh"
xgame_init "$@"
RANDOM=${PLAY_SEED:=$((EPOCHSECONDS % 32768))}
note "PLAY_SEED=$PLAY_SEED" && start_x && start_game

# pause MS: up to MS milliseconds. anywhere: the pointer mostly on the window, else anywhere.
pause() { sleep "$(printf '0.%03d' $((RANDOM % $1)))"; }
anywhere() {
    local on=$((RANDOM % 5))
    xdo mousemove $((RANDOM % (on ? WIN_WIDTH : 1280))) $((RANDOM % (on ? WIN_HEIGHT : 1024)))
}
press() { xdo mousedown "$1" && pause 200 && xdo mouseup "$1"; }

KEYS=(w a s d) actions=0 end=$((SECONDS + PLAY_SECONDS))
while ((SECONDS < end)); do
    case $((RANDOM % 9)) in
    0 | 1) # D, often with W, sometimes with all the others, held a while
        keys=(d) && ((RANDOM % 2)) && keys+=(w); ((RANDOM % 5)) || keys+=(a s)
        xdo keydown "${keys[@]}" && pause 999 && pause 999 && xdo keyup "${keys[@]}" ;;
    2) # a key left down for a while, or let go
        key=${KEYS[RANDOM % 4]} && ((RANDOM % 2)) && xdo keydown "$key" || xdo keyup "$key" ;;
    3) anywhere ;;
    4) xdo mousedown 1 && anywhere && pause 999 && xdo mouseup 1 ;; # held while moving
    5) # fast clicks of the left or the right button, which the game may partly miss
        xdo click --repeat $((2 + RANDOM % 8)) --delay $((20 + RANDOM % 80)) $((RANDOM % 2 * 2 + 1)) ;;
    6) press 3 ;; # abilities on or off
    7) # a squad box, then a target
        point_at $((195 + 60 * (RANDOM % 2))) $((400 + 30 * (RANDOM % 3)))
        press 1 && pause 300 && point_at $((RANDOM % 640)) $((RANDOM % 240)) && press 1 ;;
    8) pause 999 ;;
    esac
    ((++actions)) && game_running || fail "the game ended after $actions actions; PLAY_SEED=$PLAY_SEED"
done
xdo keyup "${KEYS[@]}" && note "$actions random actions"
quit_game "Escape after $PLAY_SECONDS s of random play (PLAY_SEED=$PLAY_SEED)"
echo "PASS: $PLAY_SECONDS s of random play, then Escape ends the game with code 0"
