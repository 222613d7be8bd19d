#!/usr/bin/env bash
# A minute of random hands on the real game: keys held long and short or left down, the pointer
# anywhere on the X screen, both buttons held or clicked fast, squad boxes and their targets.
# The game must stay up all along and still end on Escape with code 0. PLAY_SECONDS (default
# 60) and PLAY_SEED (default from the clock, printed) repeat a run.
PLAY_SECONDS=${PLAY_SECONDS:-60}
GAME_LIMIT=$((PLAY_SECONDS + 60))
source "$(dirname "$0")/lib.sh"
e2e_init "$@"
RANDOM=${PLAY_SEED:=$((EPOCHSECONDS % 32768))}
note "PLAY_SEED=$PLAY_SEED"

start_x
launch_game
wait_window
focus_window

# Random times in 1/1000 s, random places on the window (sometimes anywhere on the screen).
pause() { sleep "$(printf '0.%03d' $((RANDOM % $1)))"; }
anywhere() {
    if ((RANDOM % 5)); then
        xdo mousemove $((WIN_X + RANDOM % WIN_WIDTH)) $((WIN_Y + RANDOM % WIN_HEIGHT))
    else
        xdo mousemove $((RANDOM % 1280)) $((RANDOM % 1024))
    fi
}
press() {
    xdo mousedown "$1"
    pause 200
    xdo mouseup "$1"
}

KEYS=(w a s d)
actions=0 end=$((SECONDS + PLAY_SECONDS))
while ((SECONDS < end)); do
    key=${KEYS[RANDOM % 4]}
    case $((RANDOM % 9)) in
    0 | 1) # keys held together for a while, D and W more often
        keys=(d)
        ((RANDOM % 2)) && keys+=(w)
        ((RANDOM % 5)) || keys+=(a s)
        xdo keydown "${keys[@]}"
        pause 999
        pause 999
        xdo keyup "${keys[@]}"
        ;;
    2) ((RANDOM % 2)) && xdo keydown "$key" || xdo keyup "$key" ;; # left down for a while
    3) anywhere ;;
    4) # the left button held while the pointer moves
        xdo mousedown 1
        anywhere
        pause 999
        xdo mouseup 1
        ;;
    5) xdo click --repeat $((2 + RANDOM % 8)) --delay $((20 + RANDOM % 80)) $((1 + RANDOM % 2 * 2)) ;;
    6) press 3 ;; # abilities on or off
    7) # a squad box, then a target
        point_at $((195 + 60 * (RANDOM % 2))) $((400 + 30 * (RANDOM % 3)))
        press 1
        pause 300
        point_at $((RANDOM % 640)) $((RANDOM % 240))
        press 1
        ;;
    8) pause 999 ;;
    esac
    actions=$((actions + 1))
    game_running || fail "the game ended during random play after $actions actions (PLAY_SEED=$PLAY_SEED)"
done
xdo keyup "${KEYS[@]}"
note "$actions random actions"
focus_window
press_key Escape
wait_game_exit 15
expect_exit_code 0 "Escape after $PLAY_SECONDS s of random play (PLAY_SEED=$PLAY_SEED)"
echo "PASS: $PLAY_SECONDS s of random play, then Escape ends the game with code 0"
