#!/usr/bin/env bash
# A scripted game played by hand in a real window: the squad kills a ground enemy and the score
# goes up, then the pilot flies in among the enemies until the stings end the game with
# "GAME OVER", and Escape closes the window with exit code 0.
#
# The terrain and the enemies differ from run to run (the game seeds its random numbers with the
# clock), so the script finds the enemies on screen by their violet colours. An enemy drifts at
# the speed of its last hop and hops again each time it fires, so the pointer follows the path
# that two looks in a row predict, and every look corrects it. A round whose kill does not come
# in time (the pilot died first, or no enemy could be reached) is played again in a fresh game
# while time is left.
#
# PLAY_DEADLINE (default 140) is the number of seconds all rounds may take together; with
# PLAY_KEEP set to a directory, every screenshot the script looks at is kept there, numbered.
PLAY_DEADLINE=${PLAY_DEADLINE:-140}
GAME_LIMIT=$((PLAY_DEADLINE + 20))
source "$(dirname "$0")/lib.sh"
e2e_init "$@"

START_TIME=$(date +%s)
IMPORT=$(dirname "$CONVERT")/import
ROUND_KILL_LIMIT=45  # seconds one round may spend on its kill
ROUND_DEATH_LIMIT=60 # seconds one round may spend on the pilot's death

xdo() {
    timeout 5 xdotool "$@" >/dev/null 2>&1 || fail "xdotool $* did not answer"
}

elapsed() {
    echo $(($(date +%s) - START_TIME))
}

# deadline_in SECONDS: the clock (s) SECONDS from now, never past the end of the time for all
# rounds.
deadline_in() {
    local t=$(($(date +%s) + $1)) end=$((START_TIME + PLAY_DEADLINE))
    echo $((t < end ? t : end))
}

now_ms() {
    echo $(($(date +%s%N) / 1000000))
}

# Reads frames of the game (the window sampled back to its 640 x 480 buffer, as PPM files whose
# names come one per line on standard input) and prints for each what the script looks for, all
# in buffer pixels, then "end":
#   score N            pixels of the score's colour in the score corner (0,0)-(200,32)
#   scoremask HASH     which pixels those are
#   over RED WHITE     pure red and pure white pixels where "GAME OVER" is centred
#   enemy CX CY N      per group of violet pixels (a ground enemy): its centre and size
# It keeps running between frames: starting Python costs more than reading a frame.
cat >"$WORK/frame.py" <<'EOF'
import hashlib, re, sys

def read_frame(path):
    with open(path, "rb") as f:
        data = f.read()
    magic, size, depth, body = data.split(b"\n", 3)
    w, h = map(int, size.split())
    body = body[: w * h * 3]

    def pixels_of(colour):
        for m in re.finditer(re.escape(bytes(colour)), body):
            if m.start() % 3 == 0:
                p = m.start() // 3
                yield p % w, p // w

    score = sorted(p for p in pixels_of((225, 225, 128)) if p[0] < 200 and p[1] < 32)
    print("score", len(score))
    print("scoremask", hashlib.md5(repr(score).encode()).hexdigest())

    def in_band(p):
        return 276 <= p[0] < 364 and 234 < p[1] < 254

    red = sum(1 for p in pixels_of((255, 0, 0)) if in_band(p))
    white = sum(1 for p in pixels_of((255, 255, 255)) if in_band(p))
    print("over", red, white)

    # The enemies' violet shades; no other art and no HUD colour uses them. Pixels in touching
    # 8 x 8 cells make one enemy.
    cells = {}
    for colour in ((56, 22, 66), (104, 46, 124), (164, 86, 184), (218, 158, 228)):
        for x, y in pixels_of(colour):
            cells.setdefault((x // 8, y // 8), []).append((x, y))
    seen = set()
    for start in cells:
        if start in seen:
            continue
        seen.add(start)
        stack, found = [start], []
        while stack:
            cx, cy = stack.pop()
            found.extend(cells[(cx, cy)])
            for dx in (-1, 0, 1):
                for dy in (-1, 0, 1):
                    n = (cx + dx, cy + dy)
                    if n in cells and n not in seen:
                        seen.add(n)
                        stack.append(n)
        if len(found) >= 20:
            sx = sum(p[0] for p in found) // len(found)
            sy = sum(p[1] for p in found) // len(found)
            print("enemy", sx, sy, len(found))

for line in sys.stdin:
    try:
        read_frame(line.strip())
    except Exception as e:
        print("error", e)
    print("end", flush=True)
EOF
coproc FRAMES { exec "$PYTHON" -S "$WORK/frame.py"; }

# look NAME: the window read back into its 640 x 480 buffer pixels, kept as NAME.png, and read
# into SCORE, SCORE_MASK, OVER_RED, OVER_WHITE, ENEMIES (lines "CX CY N") and ENEMY_COUNT;
# LOOK_MS is the clock in milliseconds when the screen was taken.
look() {
    local png=$WORK/$1.png line
    LOOK_MS=$(now_ms)
    timeout 30 "$IMPORT" -window root -crop "${WIN_W}x${WIN_H}+${WIN_X}+${WIN_Y}" -depth 8 \
        "ppm:$WORK/screen.ppm" || fail "import failed"
    timeout 30 "$CONVERT" "$WORK/screen.ppm" +repage -sample '640x480!' -depth 8 \
        -write "png:$png" "ppm:$WORK/frame.ppm" || fail "convert failed on the screenshot"
    if [[ -n ${PLAY_KEEP:-} ]]; then
        LOOKS=$((${LOOKS:-0} + 1))
        mkdir -p "$PLAY_KEEP" && cp "$png" "$PLAY_KEEP/$(printf '%03d' "$LOOKS")-$1.png"
    fi
    echo "$WORK/frame.ppm" >&"${FRAMES[1]}" || fail "the frame reader has gone"
    : >"$WORK/frame.txt"
    while :; do
        IFS= read -r -t 30 line <&"${FRAMES[0]}" || fail "the frame reader did not answer"
        [[ $line == end ]] && break
        echo "$line" >>"$WORK/frame.txt"
    done
    ! grep '^error' "$WORK/frame.txt" || fail "the screenshot $png could not be read"
    SCORE=$(awk '$1 == "score" { print $2 }' "$WORK/frame.txt")
    SCORE_MASK=$(awk '$1 == "scoremask" { print $2 }' "$WORK/frame.txt")
    OVER_RED=$(awk '$1 == "over" { print $2 }' "$WORK/frame.txt")
    OVER_WHITE=$(awk '$1 == "over" { print $3 }' "$WORK/frame.txt")
    ENEMIES=$(awk '$1 == "enemy" { print $2, $3, $4 }' "$WORK/frame.txt")
    ENEMY_COUNT=$(awk '$1 == "enemy"' "$WORK/frame.txt" | wc -l)
}

# "GAME OVER": red letters on a white band of 72 x 8 buffer pixels.
game_over_shown() {
    ((OVER_RED > 80 && OVER_WHITE > 150))
}

# The score differs from its look at the start, with more digits: a kill scores 10 or 50.
score_raised() {
    [[ $SCORE_MASK != "$START_MASK" ]] && ((SCORE > START_SCORE + 10))
}

# The pointer at a point of the 640 x 480 buffer.
point_at() {
    xdo mousemove --window "$WID" $(($1 * WIN_W / 640)) $(($2 * WIN_H / 480))
}

hold_key() { # hold_key KEY SECONDS
    xdo keydown "$1"
    sleep "$2"
    xdo keyup "$1"
}

# A press the game's polling cannot miss (a logic tick is 17 ms; a loaded machine is slower).
click() {
    xdo mousedown 1
    sleep 0.2
    xdo mouseup 1
    sleep 0.2
}

# squad_command BOX_X BOT X: the box of the bot's row (x 195 COMMAND, 255 PICKUP), then the
# target press at buffer x X high in the sky; a deployed bot lands on the ground under it.
squad_command() {
    point_at "$1" $((400 + 30 * ($2 - 1)))
    sleep 0.15
    click
    point_at "$3" 60
    sleep 0.15
    click
}

# nearest_enemy X Y [MAX]: the enemy of ENEMIES nearest to (X, Y), as "CX CY"; none farther
# than MAX. Empty if there is none.
nearest_enemy() {
    awk -v x="$1" -v y="$2" -v max="${3:-100000}" '
        {
            d = ($1 - x) ^ 2 + ($2 - y) ^ 2
            if (d <= max * max && (best == "" || d < best)) { best = d; p = $1 " " $2 }
        }
        END { if (p != "") print p }' <<<"$ENEMIES"
}

# The leftmost enemy well inside the view and away from the HUD at the bottom; empty if none.
enemy_in_reach() {
    awk '$1 >= 60 && $1 <= 580 && $2 >= 40 && $2 <= 420 && !($1 < 290 && $2 > 340) {
            print $1, $2
        }' \
        <<<"$ENEMIES" | sort -n | head -n 1
}

# aim_at X Y: the pointer at a buffer point a little above (X, Y), for the bullets drop on their
# way, where the left button fires and cannot arm a squad box: inside the frame, above the boxes.
aim_at() {
    local x=$1 y=$(($2 - 5))
    x=$((x < 4 ? 4 : x > 636 ? 636 : x))
    y=$((y < 4 ? 4 : y > 476 ? 476 : y))
    if ((x < 290 && y > 360)); then
        y=360
    fi
    point_at "$x" "$y"
}

# track X Y VX VY T: in the background, the pointer follows an enemy seen at (X, Y) at clock
# T (ms) that drifts at (VX, VY) pixels per second, for three seconds or until stop_tracking.
TRACK_PID=""
track() {
    stop_tracking
    (
        local x=$1 y=$2 vx=$3 vy=$4 t=$5 i dt
        for ((i = 0; i < 30; i++)); do
            dt=$(($(now_ms) - t))
            aim_at $((x + vx * dt / 1000)) $((y + vy * dt / 1000))
            sleep 0.1
        done
    ) &
    TRACK_PID=$!
}

stop_tracking() {
    if [[ -n $TRACK_PID ]]; then
        kill "$TRACK_PID" 2>/dev/null || true
        wait "$TRACK_PID" 2>/dev/null || true
        TRACK_PID=""
    fi
}

# The follower does not outlive the test, however it ends.
finish() {
    local status=$?
    set +e
    stop_tracking
    (exit "$status") # the cleanup reads the status from $?
    e2e_cleanup
}
trap finish EXIT

# deploy_near X: the three bots on the ground left of an enemy whose centre is at buffer x X;
# the enemies drift towards the pilot, who stays at the left.
deploy_near() {
    local x=$1 b bx
    for b in 1 2 3; do
        bx=$((x - 20 - 20 * b))
        ((bx >= 8)) || bx=8
        squad_command 195 "$b" "$bx"
    done
}

# play_kill: (a) of a round. Returns 0 after a kill, 1 if the round should be played again.
play_kill() {
    look start
    START_SCORE=$SCORE
    START_MASK=$SCORE_MASK
    ((START_SCORE > 0)) || fail "no \"SCORE 0\" text in the top-left corner at the start"
    note "start: score text of $START_SCORE pixels, $ENEMY_COUNT enemies in view"

    # Fly the pilot right in short hops until an enemy stands in reach.
    local target hops=0 limit
    limit=$(deadline_in 30)
    target=$(enemy_in_reach)
    while [[ -z $target ]]; do
        ((hops < 20 && $(date +%s) < limit)) || {
            note "no enemy came into view"
            return 1
        }
        hold_key d 0.35
        sleep 0.3
        hops=$((hops + 1))
        look flying
        if game_over_shown; then
            note "the pilot died before any enemy was in reach"
            return 1
        fi
        target=$(enemy_in_reach)
    done
    if ((hops > 0)); then
        # Let the pilot coast to a stop, then look again: the camera follows it.
        sleep 1
        look flying
        target=$(enemy_in_reach)
        [[ -n $target ]] || target=$(nearest_enemy 320 200)
        [[ -n $target ]] || {
            note "the enemy went out of view"
            return 1
        }
    fi
    local tx ty
    read -r tx ty <<<"$target"
    note "after $hops hops of the pilot: target enemy at buffer ($tx, $ty)"
    deploy_near "$tx"

    # Fire at the enemy, following it; the bots move to it again when it drifts far from them.
    local deployed_x=$tx found
    limit=$(deadline_in "$ROUND_KILL_LIMIT")
    local px="" py="" pt=0 vx=0 vy=0
    aim_at "$tx" "$ty"
    xdo mousedown 1
    while (($(date +%s) < limit)); do
        sleep 0.3
        look aiming
        if score_raised; then
            stop_tracking
            xdo mouseup 1
            cp "$WORK/aiming.png" "$WORK/kill.png"
            note "kill after $(elapsed)s: the score text changed ($START_SCORE -> $SCORE pixels)"
            if [[ -z $(nearest_enemy "$tx" "$ty" 40) ]]; then
                note "and the target's violet pixels are gone"
            fi
            return 0
        fi
        if game_over_shown; then
            stop_tracking
            xdo mouseup 1
            note "the pilot died before the kill"
            return 1
        fi
        found=$(nearest_enemy "$tx" "$ty" 120)
        [[ -n $found ]] || found=$(enemy_in_reach)
        [[ -n $found ]] || continue
        read -r tx ty <<<"$found"
        # Its speed in pixels per second, if it is the same enemy as last time.
        vx=0 vy=0
        if [[ -n $px ]] && ((LOOK_MS > pt && (tx - px) ** 2 + (ty - py) ** 2 < 60 ** 2)); then
            vx=$(((tx - px) * 1000 / (LOOK_MS - pt)))
            vy=$(((ty - py) * 1000 / (LOOK_MS - pt)))
            vx=$((vx > 30 ? 30 : vx < -30 ? -30 : vx))
            vy=$((vy > 30 ? 30 : vy < -30 ? -30 : vy))
        fi
        px=$tx py=$ty pt=$LOOK_MS
        if ((tx - deployed_x > 100 || deployed_x - tx > 100)) && ((tx >= 40)); then
            # The bots go to where the enemy will be when they are down, and the aim waits
            # for the next look.
            stop_tracking
            xdo mouseup 1
            note "the enemy drifted to ($tx, $ty): the bots follow"
            deployed_x=$((tx + vx * 3))
            deploy_near "$deployed_x"
            px=""
            xdo mousedown 1
        else
            track "$tx" "$ty" "$vx" "$vy" "$LOOK_MS"
        fi
    done
    stop_tracking
    xdo mouseup 1
    note "no kill in time"
    return 1
}

# play_death: (b) of a round. The bots ride on the pilot again, so the keys steer the pilot. It
# flies right past the enemies it has met, to where several stand in view that have not fired
# yet, and waits there until their shots and flyers sting it to death. Returns 0 once
# "GAME OVER" shows.
play_death() {
    local b
    for b in 1 2 3; do
        squad_command 255 "$b" 420
    done
    point_at 420 60
    local limit hops=0 few=0
    limit=$(deadline_in "$ROUND_DEATH_LIMIT")
    hold_key d 3
    while (($(date +%s) < limit)); do
        look dying
        if game_over_shown; then
            cp "$WORK/dying.png" "$WORK/game-over.png"
            note "GAME OVER after $(elapsed)s (band: $OVER_RED red, $OVER_WHITE white pixels)"
            return 0
        fi
        if ((ENEMY_COUNT < 4)); then
            few=$((few + 1))
        else
            few=0
        fi
        # Few enemies in view: fly on to the next ones, at once while still on the way there,
        # after a few looks once waiting.
        if ((few > 0 && hops < 4 || few >= 4 && hops < 12)); then
            hold_key d 1
            hops=$((hops + 1))
            few=0
        else
            sleep 0.5
        fi
    done
    note "the pilot still lived at the end of its time among the enemies"
    return 1
}

start_x 1280x1024x24
round=0
while :; do
    round=$((round + 1))
    launch_game
    wait_window
    focus_window
    window_geometry
    sleep 0.5
    note "round $round starts after $(elapsed)s"
    if play_kill && play_death; then
        break
    fi
    stop_game
    # Another round only if it can finish in time.
    if (($(elapsed) + ROUND_KILL_LIMIT + ROUND_DEATH_LIMIT / 2 > PLAY_DEADLINE)); then
        fail "no kill and GAME OVER within ${PLAY_DEADLINE}s after $round rounds"
    fi
done

# The world stands still under "GAME OVER"; Escape still ends the game.
sleep 0.5
game_running || fail "the game ended by itself after GAME OVER"
look after-game-over
game_over_shown || fail "GAME OVER went away"
focus_window
press_key Escape
wait_game_exit 15
expect_exit_code 0 "Escape after GAME OVER"
echo "PASS: a kill raised the score, the pilot died under GAME OVER, Escape ended the game with" \
    "exit code 0 ($(elapsed)s, $round rounds)"
