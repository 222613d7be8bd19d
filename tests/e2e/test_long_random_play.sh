#!/usr/bin/env bash
# A minute of random hands on the real game: keys held long and short, the pointer anywhere on
# the X screen (inside the window and out of it), both buttons held or clicked fast. The game
# must stay up the whole minute and still end on Escape with exit code 0.
#
# PLAY_SECONDS (default 60) and PLAY_SEED (default: from the clock, printed) can be set to
# repeat a run.
PLAY_SECONDS=${PLAY_SECONDS:-60}
GAME_LIMIT=$((PLAY_SECONDS + 60))
source "$(dirname "$0")/lib.sh"
e2e_init "$@"

PLAY_SEED=${PLAY_SEED:-$(($(date +%s) % 32768))}
RANDOM=$PLAY_SEED
note "random hands with PLAY_SEED=$PLAY_SEED for ${PLAY_SECONDS}s"

start_x 1280x1024x24
launch_game
wait_window
focus_window
window_geometry

xdo() {
    timeout 5 xdotool "$@" >/dev/null 2>&1 || fail "xdotool $* did not answer"
}

# A random point of the X screen, mostly on the window, sometimes off it.
random_pointer() {
    if ((RANDOM % 10 < 8)); then
        xdo mousemove "$((WIN_X + RANDOM % WIN_W))" "$((WIN_Y + RANDOM % WIN_H))"
    else
        xdo mousemove "$((RANDOM % 1280))" "$((RANDOM % 1024))"
    fi
}

# Sleeps a random time between $1 and $2 milliseconds.
pause_ms() {
    local ms=$(($1 + RANDOM % ($2 - $1 + 1)))
    sleep "$(printf '%d.%03d' $((ms / 1000)) $((ms % 1000)))"
}

# Keys the game reads; Escape is not among them until the end.
KEYS=(w a s d)
declare -A held=()

toggle_key() {
    local k=${KEYS[RANDOM % 4]}
    if [[ -n ${held[$k]:-} ]]; then
        xdo keyup "$k"
        unset "held[$k]"
    else
        xdo keydown "$k"
        held[$k]=1
    fi
}

release_everything() {
    local k
    for k in "${KEYS[@]}"; do
        timeout 5 xdotool keyup "$k" >/dev/null 2>&1 || true
    done
    held=()
    timeout 5 xdotool mouseup 1 >/dev/null 2>&1 || true
    timeout 5 xdotool mouseup 3 >/dev/null 2>&1 || true
}

actions=0
deadline=$(($(date +%s) + PLAY_SECONDS))
while (($(date +%s) < deadline)); do
    case $((RANDOM % 8)) in
    0 | 1) toggle_key ;;
    2) random_pointer ;;
    3) # the left button held a while, the pointer moving meanwhile
        xdo mousedown 1
        random_pointer
        pause_ms 100 1500
        xdo mouseup 1
        ;;
    4) # fast clicking
        xdo click --repeat $((2 + RANDOM % 8)) --delay $((20 + RANDOM % 80)) $((RANDOM % 2 ? 1 : 3))
        ;;
    5) # the right button held
        xdo mousedown 3
        pause_ms 50 800
        xdo mouseup 3
        ;;
    6) # a squad box: press, release, then click somewhere else
        xdo mousemove "$((WIN_X + WIN_W * (175 + 20 + 60 * (RANDOM % 2)) / 640))" \
            "$((WIN_Y + WIN_H * (400 + 30 * (RANDOM % 3)) / 480))"
        xdo click 1
        pause_ms 50 300
        random_pointer
        xdo click 1
        ;;
    7) pause_ms 50 1000 ;;
    esac
    actions=$((actions + 1))
    game_running || fail "the game ended during random play after $actions actions (PLAY_SEED=$PLAY_SEED)"
done
release_everything
note "$actions random actions"

sleep 0.5
game_running || fail "the game ended during random play (PLAY_SEED=$PLAY_SEED)"
screenshot "$WORK/after-random-play.png"

# The pointer back on the window so the keyboard reaches it, then Escape.
focus_window
press_key Escape
wait_game_exit 15
expect_exit_code 0 "Escape after ${PLAY_SECONDS}s of random play (PLAY_SEED=$PLAY_SEED)"
echo "PASS: ${PLAY_SECONDS}s of random play, then Escape ends the game with exit code 0"
