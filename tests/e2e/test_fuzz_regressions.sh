#!/usr/bin/env bash
# The data file fuzzer's regression inputs as the real game's data file: each refused one ends
# the game with exit code 12 and "Error loading ...", never a signal or a hang; each well-formed
# one plays, and so does the built file with a palette added by Allegro's dat tool. The heap is
# filled with garbage, as a damaged file that reads uninitialised memory would crash on it.
source "$(dirname "$0")/lib.sh"
e2e_init "$@"

mkdir -p "$WORK/game/data"
cp "$GAME" "$WORK/game/jetsquad"
DATA=$WORK/game/data/datafile.dat
GAME_ENV=(MALLOC_PERTURB_=165)
start_x

plays() {
    launch_game "$WORK/game/jetsquad"
    wait_window
    focus_window
    press_key Escape
    wait_game_exit 15
    expect_exit_code 0 "$1"
}

for f in "$E2E_DIR"/../fuzz/regressions/refused/*.dat; do
    cp "$f" "$DATA"
    expect_data_refused "$WORK/game" "$(basename "$f")"
done
for f in "$E2E_DIR"/../fuzz/regressions/accepted/*.dat; do
    cp "$f" "$DATA"
    plays "$(basename "$f")"
done
cp "$DATAFILE" "$DATA"
timeout 30 "$CONVERT" -size 4x4 xc:red -type Palette "BMP3:$WORK/palette.bmp"
timeout 60 dat -a -t PAL -s1 -n0 "$DATA" "$WORK/palette.bmp" >/dev/null
plays "the built data file with a palette added"

echo "PASS: every regression input is refused or plays as it should"
