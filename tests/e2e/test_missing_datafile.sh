#!/usr/bin/env bash
# Without its data file beside the executable the game shows "Error loading <full path>!" and
# ends with exit code 12. The file is looked for beside the executable, never in the current
# directory.
source "$(dirname "$0")/lib.sh"
e2e_init "$@"

start_x

# No data directory at all.
mkdir -p "$WORK/alone"
cp "$GAME" "$WORK/alone/jetsquad"
expect_data_refused "$WORK/alone" "no data directory"

# The data file sits in the current directory, not beside the executable: still missing.
mkdir -p "$WORK/here/data"
cp "$DATAFILE" "$WORK/here/data/datafile.dat"
expect_data_refused "$WORK/alone" "data file only in the current directory" "$WORK/here"

# A data directory without the file, an empty file, and a directory in its place.
mkdir -p "$WORK/empty-dir/data"
cp "$GAME" "$WORK/empty-dir/jetsquad"
expect_data_refused "$WORK/empty-dir" "empty data directory"

mkdir -p "$WORK/empty-file/data"
cp "$GAME" "$WORK/empty-file/jetsquad"
: >"$WORK/empty-file/data/datafile.dat"
expect_data_refused "$WORK/empty-file" "zero-length data file"

mkdir -p "$WORK/dir-file/data/datafile.dat"
cp "$GAME" "$WORK/dir-file/jetsquad"
expect_data_refused "$WORK/dir-file" "a directory in place of the data file"

# Unreadable: only meaningful when not root (root reads every file).
if [[ $(id -u) -ne 0 ]]; then
    mkdir -p "$WORK/unreadable/data"
    cp "$GAME" "$WORK/unreadable/jetsquad"
    cp "$DATAFILE" "$WORK/unreadable/data/datafile.dat"
    chmod 000 "$WORK/unreadable/data/datafile.dat"
    expect_data_refused "$WORK/unreadable" "unreadable data file"
fi

echo "PASS: a missing data file ends the game with code 12 and names the full path"
