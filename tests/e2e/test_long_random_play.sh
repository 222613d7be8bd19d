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

# A press the game's polling cannot miss.
click_held() {
    xdo mousedown "$1"
    pause_ms 60 200
    xdo mouseup "$1"
}

# Some keys held together for a while, D and W more often than A and S.
hold_keys() {
    local -a keys=()
    ((RANDOM % 100 < 60)) && keys+=(d)
    ((RANDOM % 100 < 45)) && keys+=(w)
    ((RANDOM % 100 < 20)) && keys+=(a)
    ((RANDOM % 100 < 20)) && keys+=(s)
    ((${#keys[@]} > 0)) || keys=(d)
    local k
    for k in "${keys[@]}"; do xdo keydown "$k"; done
    pause_ms 100 1500
    for k in "${keys[@]}"; do xdo keyup "$k"; done
}

actions=0
deadline=$(($(date +%s) + PLAY_SECONDS))
while (($(date +%s) < deadline)); do
    case $((RANDOM % 10)) in
    0 | 1) hold_keys ;;
    2) toggle_key ;; # a key left down across the next actions
    3) random_pointer ;;
    4) # the left button held a while, the pointer moving meanwhile
        xdo mousedown 1
        random_pointer
        pause_ms 100 1500
        xdo mouseup 1
        ;;
    5) # fast clicking, which the game may partly miss
        xdo click --repeat $((2 + RANDOM % 8)) --delay $((20 + RANDOM % 80)) $((RANDOM % 2 ? 1 : 3))
        ;;
    6) click_held 3 ;; # the right button: abilities on and off
    7 | 8) # a squad box: press and release on it, then press where the command applies
        xdo mousemove "$((WIN_X + WIN_W * (195 + 60 * (RANDOM % 2)) / 640))" \
            "$((WIN_Y + WIN_H * (400 + 30 * (RANDOM % 3)) / 480))"
        click_held 1
        pause_ms 50 300
        xdo mousemove "$((WIN_X + RANDOM % WIN_W))" "$((WIN_Y + RANDOM % (WIN_H / 2)))"
        click_held 1
        ;;
    9) pause_ms 50 1000 ;;
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
