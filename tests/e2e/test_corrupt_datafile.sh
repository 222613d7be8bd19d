#!/usr/bin/env bash
# A data file whose numbers lie (sizes, depths, lengths, the object count), whose objects are of
# the wrong kind, or that holds too few objects is refused with exit code 12, never a crash.
source "$(dirname "$0")/lib.sh"
e2e_init "$@"

[[ -f $DATAFILE ]] || fail "no data file at $DATAFILE (build the jetsquad_data target)"
mkdir -p "$WORK/game/data"
cp "$GAME" "$WORK/game/jetsquad"
BAD=$WORK/game/data/datafile.dat
tool() {
    timeout 60 "$PYTHON" "$E2E_DIR/datafile_tool.py" "$@"
}
start_x

# The unchanged file, rewritten by the same tool, still starts: the tool itself damages nothing.
tool swap "$DATAFILE" "$BAD" 0 0
launch_game "$WORK/game/jetsquad"
wait_window
focus_window
press_key Escape
wait_game_exit 15
expect_exit_code 0 "the data file as rewritten by the test tool"

# One lying number at a time.
tool corrupt "$DATAFILE" "$BAD" bitmap-width 0
expect_data_refused "$WORK/game" "bitmap 0 claims to be 30000 pixels wide"
tool corrupt "$DATAFILE" "$BAD" bitmap-height 10
expect_data_refused "$WORK/game" "bitmap 10 claims to be 30000 pixels high"
tool corrupt "$DATAFILE" "$BAD" bitmap-depth 4
expect_data_refused "$WORK/game" "bitmap 4 has colour depth 13"
tool corrupt "$DATAFILE" "$BAD" object-size 7
expect_data_refused "$WORK/game" "object 7 claims 2 GB of data"
tool corrupt "$DATAFILE" "$BAD" sample-length 20
expect_data_refused "$WORK/game" "the sample claims 2 G frames"
tool corrupt "$DATAFILE" "$BAD" midi-track 21
expect_data_refused "$WORK/game" "a song track claims 2 GB"
tool corrupt "$DATAFILE" "$BAD" count-huge 0
expect_data_refused "$WORK/game" "the object count is 2^31 - 1"
tool corrupt "$DATAFILE" "$BAD" count-negative 0
expect_data_refused "$WORK/game" "the object count is negative"

# Damage of a random kind in a random object, three seeds.
for seed in 1 2 3; do
    what=$(tool flip "$DATAFILE" "$BAD" "$seed")
    expect_data_refused "$WORK/game" "random damage $seed: $what"
done

# Objects of the wrong kind where the game expects the sample, the song or a bitmap.
tool swap "$DATAFILE" "$BAD" 20 21
expect_data_refused "$WORK/game" "the sample and the song swapped"
tool swap "$DATAFILE" "$BAD" 5 20
expect_data_refused "$WORK/game" "the sample where the cursor belongs"

# One object too few: the count says 21 and the song is gone.
tool drop-last "$DATAFILE" "$BAD"
expect_data_refused "$WORK/game" "21 objects"

echo "PASS: every damaged data file is refused without a crash"
