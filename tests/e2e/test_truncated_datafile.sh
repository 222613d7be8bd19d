#!/usr/bin/env bash
# A data file cut short anywhere is refused with exit code 12 and the error dialog, never a crash.
source "$(dirname "$0")/lib.sh"
e2e_init "$@"

[[ -f $DATAFILE ]] || fail "no data file at $DATAFILE (build the jetsquad_data target)"
"$PYTHON" "$E2E_DIR/datafile_tool.py" layout "$DATAFILE" >"$WORK/layout"
size=$(stat -c %s "$DATAFILE")
header=$(awk '$1 == "header" { print $2 }' "$WORK/layout")
# object_field INDEX FIELD: 4 = start offset, 5 = length of an object in the file.
object_field() {
    awk -v i="$1" -v f="$2" '$1 == "object" && $2 == i { print $f }' "$WORK/layout"
}
count=$(grep -c '^object' "$WORK/layout")
((count == 22)) || fail "the built data file holds $count objects, not 22"
grep -qx unpacked "$WORK/layout" || note "the built data file is packed: cuts fall inside the packed stream"

mkdir -p "$WORK/game/data"
cp "$GAME" "$WORK/game/jetsquad"
start_x

# cut_at OFFSET WHAT: the first OFFSET bytes of the data file only.
cut_at() {
    head -c "$1" "$DATAFILE" >"$WORK/game/data/datafile.dat"
    expect_data_refused "$WORK/game" "$2 (cut at $1 of $size bytes)"
}

cut_at 6 "inside the header"
cut_at "$header" "after the object count"
cut_at $(($(object_field 0 4) + 6)) "inside the first object's properties"
cut_at $(($(object_field 10 4) + $(object_field 10 5) / 2)) "inside a bitmap"
cut_at $(($(object_field 20 4) + $(object_field 20 5) / 2)) "inside the sample"
cut_at "$(object_field 21 4)" "before the last object"
cut_at $(($(object_field 21 4) + $(object_field 21 5) / 2)) "inside the song"
cut_at $((size - 1)) "one byte short"

echo "PASS: every cut data file is refused without a crash"
