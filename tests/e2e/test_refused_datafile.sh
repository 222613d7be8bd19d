#!/usr/bin/env bash
# A data file that is missing, cut short or damaged is refused, never a crash or a hang: the game
# ends by itself with code 12 after one dialog "Error loading <full path>!" and the two progress
# bars. Each row below makes the file from a copy of the good one, data/datafile.dat beside a
# copy of the game; the game starts in a directory that holds a good data/datafile.dat, which it
# must not take. The fuzzer's regression inputs are refused the same way, or play if well-formed,
# as do the good file and one with a palette added by Allegro's dat tool; the accepted regression
# inputs are played for 20 s with hands on the controls, into a sound device that takes what is
# played, as a file that loads but breaks in play (its music, its buzz) would crash there. The
# heap is filled with garbage, as a loader that reads uninitialised memory would crash on it.
source "$(dirname "$0")/../../scripts/xgame.sh"
xgame_init "$@"
GAME_ENV=(MALLOC_PERTURB_=165) DIR=$WORK/game BAD=$WORK/game/data/datafile.dat
echo 'pcm.!default { type file; slave.pcm "null"; file "/dev/null"; format "raw" }' \
    >"$WORK/home/.asoundrc"
cp "${GAME%/*}/patches.dat" "$DIR/" 2>/dev/null || true # the music's instruments, if built
mkdir -p "$DIR" "$WORK/here/data" && cp "$GAME" "$DIR/jetsquad" && cp "$DATAFILE" "$WORK/here/data/"
SIZE=$(stat -c %s "$DATAFILE")
# S[i]: where object i starts, B[i]: where its body starts (after properties, kind and sizes).
while read -r i start body; do S[i]=$start B[i]=$body; done < <("$PYTHON" "$FRAME_PY" layout \
    "$DATAFILE")
((${#S[@]} == 22)) || fail "the built data file holds ${#S[@]} objects, not 22"
S[22]=$SIZE

# poke OFFSET HEX: bytes written over the file at OFFSET.
poke() {
    printf "$(sed 's/../\\x&/g' <<<"$2")" | dd of="$BAD" seek="$1" bs=1 conv=notrunc status=none
}
# objects I...: the header, then these objects in this order.
objects() {
    local i && head -c 12 "$DATAFILE" >"$BAD"
    for i; do dd if="$DATAFILE" iflag=skip_bytes,count_bytes skip=${S[i]} \
        count=$((S[i + 1] - S[i])) status=none; done >>"$BAD"
}
cut_at() { truncate -s "$1" "$BAD"; }
add_palette() {
    timeout 30 "${IMPORT%import}convert" -size 4x4 xc:red -type Palette "BMP3:$WORK/palette.bmp" &&
        timeout 60 dat -a -t PAL -s1 -n0 "$BAD" "$WORK/palette.bmp" >/dev/null
}

# fresh MAKE...: a fresh copy of the good file, changed by MAKE.
fresh() { rm -rf "$DIR/data" && mkdir "$DIR/data" && cp "$DATAFILE" "$BAD" && "$@"; }

# plays WHAT MAKE...: the game runs on the file and ends on Escape with code 0.
plays() { fresh "${@:2}" && start_game "$DIR/jetsquad" "$WORK/here" && quit_game "$1"; }
# plays_a_while WHAT MAKE...: the same after 20 s of play: thrust right and up, fire, let go.
plays_a_while() {
    fresh "${@:2}" && start_game "$DIR/jetsquad" "$WORK/here"
    local end=$((SECONDS + 20))
    while ((SECONDS < end)); do
        point_at $((RANDOM % 640)) $((RANDOM % 480)) && xdo keydown d w mousedown 1 && sleep 0.7
        xdo keyup w mouseup 1 && sleep 0.3 && xdo keyup d
        game_running || fail "$1: the game ended during play"
    done
    quit_game "$1"
}
# refused WHAT MAKE...
refused() {
    fresh "${@:2}"
    launch_game "$DIR/jetsquad" "$WORK/here" && wait_game_exit 30 && expect_exit_code 12 "$1"
    printf 'Error loading %s/data/datafile.dat!\n\n\0' "$(readlink -f "$DIR")" |
        cmp -s - "$WORK/dialogs" || fail "$1: the dialogs said: $(tr '\0' '|' <"$WORK/dialogs")"
    expect_startup_output "$1"
}
start_x
plays "the good file beside a copy of the game" true
plays "a palette added after the 22 objects" add_palette
while IFS='|' read -r what make; do read -r what <<<"$what" && refused "$what" eval "$make"
done <<'EOF'
no data directory            | rm -r "$DIR/data"
no data file                 | rm "$BAD"
a directory in its place     | rm "$BAD" && mkdir "$BAD"
a pipe in its place          | rm "$BAD" && mkfifo "$BAD"
an empty file                | cut_at 0
cut inside the header        | cut_at 6
cut after the object count   | cut_at 12
cut in the first properties  | cut_at $((S[0] + 6))
cut inside a bitmap          | cut_at $(((B[10] + S[11]) / 2))
cut inside the sample        | cut_at $(((B[20] + S[21]) / 2))
cut before the song          | cut_at ${S[21]}
cut inside the song          | cut_at $(((B[21] + SIZE) / 2))
one byte short               | cut_at $((SIZE - 1))
bitmap 0 30000 pixels wide   | poke $((B[0] + 2)) 7530
bitmap 10 30000 pixels high  | poke $((B[10] + 4)) 7530
bitmap 4 of colour depth 13  | poke ${B[4]} 000d
bitmap 18 of colour depth 13 | poke ${B[18]} 000d
object 7 of 2 GB             | poke $((B[7] - 8)) 7fff00007fff0000
object 18 of 2 GB            | poke $((B[18] - 8)) 7fff00007fff0000
a sample of 2 G frames       | poke $((B[20] + 4)) 7ffffff0
a song track of 2 GB         | poke $((B[21] + 2)) 7ffffff0
2^31 - 1 objects             | poke 8 7fffffff
-5 objects                   | poke 8 fffffffb
21 objects, no song          | objects {0..20} && poke 8 00000015
sample and song swapped      | objects {0..19} 21 20
the sample for the cursor    | objects {0..4} 20 {6..19} 5 21
EOF
((EUID == 0)) || refused "an unreadable file" chmod 000 "$BAD" # root reads every file
for input in "$REPO"/tests/fuzz/regressions/refused/*; do refused "$input" cp "$input" "$BAD"; done
for input in "$REPO"/tests/fuzz/regressions/accepted/*; do
    plays_a_while "$input" cp "$input" "$BAD"
done
echo "PASS: every missing, cut or damaged data file is refused with code 12; well-formed ones play"
