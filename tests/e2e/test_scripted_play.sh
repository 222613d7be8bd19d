#!/usr/bin/env bash
# A game played by hand in the real window: the squad kills a ground enemy and the score goes up;
# then the pilot, with the bots on its back again, flies in among the enemies until their stings
# end the game under "GAME OVER", which stays; Escape ends the game with code 0.
#
# The terrain and the enemies differ from run to run (the game seeds its random numbers with the
# clock), so the script finds the enemies by their violet shades and aims where the last two
# looks say the target is going. A round that misses its kill or its death starts a new game
# while time is left: PLAY_DEADLINE (default 140) seconds for all rounds.
GAME_LIMIT=$((${PLAY_DEADLINE:=140} + 20))
source "$(dirname "$0")/lib.sh"
e2e_init "$@"

# nearest LIMIT: of the enemies well inside the view and off the HUD, the one nearest to
# (TX, TY) and within LIMIT pixels, in TX, TY.
nearest() {
    local e x y d best=$(($1 ** 2))
    for e in $ENEMIES; do
        x=${e%,*} y=${e#*,} d=$(((${e%,*} - TX) ** 2 + (${e#*,} - TY) ** 2))
        ((d >= best || x < 60 || x > 580 || y < 40 || y > 420 || (x < 290 && y > 340))) ||
            best=$d NX=$x NY=$y
    done
    ((best < $1 ** 2)) && TX=$NX TY=$NY
}

# settled: the camera has stopped: the target moved less than 10 pixels since the last look.
settled() { local x=$TX y=$TY && look && nearest 1000 && (((TX - x) ** 2 + (TY - y) ** 2 < 100)); }

# aim X Y: the pointer a little above (X, Y), as the bullets drop on their way, inside the frame
# and off the squad boxes, where the left button fires.
aim() {
    local x=$(($1 < 4 ? 4 : $1 > 636 ? 636 : $1)) y=$(($2 < 9 ? 4 : $2 > 481 ? 476 : $2 - 5))
    point_at "$x" $((x < 290 && y > 360 ? 360 : y))
}

deploy_near() {
    for b in 1 2 3; do squad_command 195 "$b" $(($1 - 20 - 20 * b < 8 ? 8 : $1 - 20 - 20 * b)); done
    DEPLOYED=$1
}

# kill: the pilot flies right until an enemy is in reach; the bots land left of it and fire at
# it, at where the last two looks say it is going, until the score goes up.
kill_one() {
    look && local start=$SCORE until=$((SECONDS + 45)) px py pt=0 t TX=0 TY=240
    ((start > 0)) || fail "no score in the top-left corner"
    hold keydown d eval 'look && (nearest 1000 || ((GAME_OVER)))'
    wait_for 10 settled || nearest 1000 || return 1
    deploy_near "$TX" && xdo mousedown 1
    while ((SECONDS < until)) && look && ((!GAME_OVER)); do
        ((SCORE <= start + 10)) || { xdo mouseup 1 && note "kill after $SECONDS s" && return 0; }
        nearest 120 || nearest 1000 || continue
        t=${EPOCHREALTIME/./}
        if (((TX - DEPLOYED) ** 2 > 100 ** 2 && TX >= 40)); then
            xdo mouseup 1 && deploy_near "$TX" && xdo mousedown 1
        elif ((pt)); then # where it will be in 0.3 s, at its speed since the last look
            aim $((TX + (TX - px) * 300000 / (t - pt))) $((TY + (TY - py) * 300000 / (t - pt)))
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
        crowd || { xdo keydown d && { wait_for 5 crowd || true; } && xdo keyup d; }
        ((!GAME_OVER)) || return 0
    done
    return 1
}

start_x
until start_game && kill_one && die; do
    stop_game && ((SECONDS + 60 < PLAY_DEADLINE)) || fail "no kill and death in $PLAY_DEADLINE s"
    note "a new game after $SECONDS s"
done
look && ((GAME_OVER)) || fail "GAME OVER went away after $SECONDS s"
quit_game "Escape after GAME OVER"
echo "PASS: a kill raised the score, the pilot died under GAME OVER, Escape ended the game"
