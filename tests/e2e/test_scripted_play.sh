#!/usr/bin/env bash
# A game played by hand in the real window: the squad kills a ground enemy and the score goes up;
# then the pilot, with the bots on its back again, flies in among the enemies until their stings
# end the game under "GAME OVER", which stays; Escape ends the game with code 0.
#
# The terrain and the enemies differ from run to run (the game seeds its random numbers with the
# clock), so the script finds the enemies by their violet shades and aims where the last two
# looks say the target is going. A round that misses its kill or its death starts a new game
# while time is left: PLAY_DEADLINE (default 140) seconds for all rounds.
PLAY_DEADLINE=${PLAY_DEADLINE:-140}
GAME_LIMIT=$((PLAY_DEADLINE + 20))
source "$(dirname "$0")/lib.sh"
e2e_init "$@"
END=$((SECONDS + PLAY_DEADLINE))

now_ms() { echo $((${EPOCHREALTIME/./} / 1000)); }

# in_reach: the leftmost enemy well inside the view and away from the HUD, in TX, TY.
in_reach() {
    local e x y
    for e in $ENEMIES; do
        x=${e%,*} y=${e#*,}
        ((x < 60 || x > 580 || y < 40 || y > 420 || (x < 290 && y > 340))) || { TX=$x TY=$y && return 0; }
    done
    return 1
}

# follow: the enemy nearest to (TX, TY) if it is within 120 pixels, in TX, TY.
follow() {
    local e x y d best=14400
    for e in $ENEMIES; do
        x=${e%,*} y=${e#*,}
        d=$(((x - TX) ** 2 + (y - TY) ** 2))
        ((d >= best)) || { best=$d NX=$x NY=$y; }
    done
    ((best < 14400)) && TX=$NX TY=$NY
}

settled() {
    local x=$TX y=$TY
    look && in_reach && (((TX - x) ** 2 + (TY - y) ** 2 < 100))
}

# aim X Y: the pointer a little above (X, Y), as the bullets drop on their way, inside the frame
# and off the squad boxes, where the left button fires.
aim() {
    local x=$(($1 < 4 ? 4 : $1 > 636 ? 636 : $1)) y=$(($2 - 5 < 4 ? 4 : $2 - 5 > 476 ? 476 : $2 - 5))
    point_at "$x" $((x < 290 && y > 360 ? 360 : y))
}

deploy_near() {
    local b
    for b in 1 2 3; do squad_command 195 "$b" $(($1 - 20 - 20 * b < 8 ? 8 : $1 - 20 - 20 * b)); done
    DEPLOYED=$1
}

# kill: flies the pilot right until an enemy is in reach, puts the bots down left of it and fires
# at it, following it, until the score goes up.
kill_one() {
    look
    local start=$SCORE until=$((SECONDS + 45)) t px py pt
    ((start > 0)) || fail "no score in the top-left corner"
    xdo keydown d
    wait_for 20 eval 'look && (in_reach || ((GAME_OVER)))' || true
    xdo keyup d
    in_reach || return 1
    # The pilot coasts on, the camera with it: the view has settled when the target stays put.
    wait_for 10 settled || in_reach || return 1
    note "target at ($TX, $TY) after $SECONDS s"
    deploy_near "$TX"
    xdo mousedown 1
    px=$TX py=$TY pt=$(now_ms)
    while ((SECONDS < until)); do
        look
        ((!GAME_OVER)) || return 1
        if ((SCORE > start + 10)); then
            xdo mouseup 1
            note "kill after $SECONDS s: the score text grew from $start to $SCORE pixels"
            return 0
        fi
        follow || in_reach || continue
        t=$(now_ms)
        if (((TX - DEPLOYED) ** 2 > 100 ** 2 && TX >= 40)); then
            xdo mouseup 1
            deploy_near "$TX"
            xdo mousedown 1
        elif ((t > pt)); then # where it will be in 0.3 s, at the speed since the last look
            aim $((TX + (TX - px) * 300 / (t - pt))) $((TY + (TY - py) * 300 / (t - pt)))
        fi
        px=$TX py=$TY pt=$t
    done
    return 1
}

# crowd: GAME OVER, or four enemies in view.
crowd() { look && ((GAME_OVER || $(wc -w <<<"$ENEMIES") >= 4)); }

# die: the bots back on the pilot, which flies right until it is among four enemies or more
# and waits there, going on when they thin out, until the stings end the game.
die() {
    local b until=$((SECONDS + 60))
    for b in 1 2 3; do squad_command 255 "$b" 420; done
    point_at 420 60
    while ((SECONDS < until)); do
        if ! crowd; then
            xdo keydown d
            wait_for 5 crowd || true
            xdo keyup d
        fi
        ((!GAME_OVER)) || return 0
    done
    return 1
}

start_x
until launch_game && wait_window && focus_window && kill_one && die; do
    stop_game
    ((SECONDS + 60 < END)) || fail "no kill and GAME OVER in $PLAY_DEADLINE s"
    note "a new game after $SECONDS s"
done
note "GAME OVER after $SECONDS s"
look
((GAME_OVER)) || fail "GAME OVER went away"
focus_window
press_key Escape
wait_game_exit 15
expect_exit_code 0 "Escape after GAME OVER"
echo "PASS: a kill raised the score, the pilot died under GAME OVER, Escape ended the game"
