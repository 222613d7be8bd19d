#!/usr/bin/env bash
# The game installed, with its data file and its instruments, in directories whose names Allegro
# reads otherwise: one holding '#' (Allegro's mark of an object inside a data file), one with
# non-ASCII letters, one whose path is over 300 bytes long. From each it starts, shows its own
# art, keeps the music's instruments open in sealed memory, plays and ends on Escape with code 0;
# without its data file, the message names the whole long path.
# Beside the first lies a trap: a file "g" holding another well-formed data file as the object that
# Allegro would open for ".../g#h/jetsquad/data/datafile.dat"; the game must show its own art.
source "$(dirname "$0")/../../scripts/xgame.sh"
xgame_init "$@"
PATCHES=${GAME%/*}/patches.dat
[[ -s $PATCHES ]] || fail "no patches.dat beside the built game"
echo 'pcm.!default { type file; slave.pcm "null"; file "/dev/null"; format "raw" }' \
    >"$WORK/home/.asoundrc" # a device that takes what is played, at the mixer's pace

# install DIR: the game, data/datafile.dat and patches.dat copied into DIR.
install() {
    mkdir -p "$1/data" && cp "$GAME" "$1/jetsquad" && cp "$DATAFILE" "$1/data/" &&
        cp "$PATCHES" "$1/"
}
# The game's process (under timeout) has a sealed memory copy open: its instruments.
instruments_in_memory() {
    local pid && pid=$(pgrep -P "$GAME_PID" | head -n 1) && [[ -n $pid ]] &&
        ls -l "/proc/$pid/fd" 2>/dev/null | grep -q 'memfd:jetsquad'
}
walker_seen() { look && [[ -n $ENEMIES ]]; }
shows_game() { point_at 320 240 && look "$PX" "$PY" && ((CURSOR >= 90 && MAGENTA == 0)); }

plays_from() {
    note "installed in $1 (${#1} bytes)"
    start_game "$1/jetsquad" "$WORK" && wait_for 30 shows_game || fail "$1: no game in the window"
    instruments_in_memory || fail "$1: the instruments were not handed over"
    hold keydown d walker_seen # fly right until a walker shows
    quit_game "installed in $1"
}

LONG=$WORK/install
while ((${#LONG} < 300)); do LONG+=/a-rather-long-directory-name; done
# The trap: "g" holds another well-formed data file as the object "h/jetsquad/data/datafile.dat".
"$PYTHON" - "$REPO/tests/fuzz/regressions/accepted/extra-palette.dat" "$WORK/g" <<'EOF'
import struct, sys
body = open(sys.argv[1], 'rb').read()[8:]  # its object count and objects
for name in (b'datafile.dat', b'data', b'jetsquad', b'h'):
    body = (struct.pack('>I', 1) + b'propNAME' + struct.pack('>I', len(name)) + name + b'FILE' +
            struct.pack('>II', len(body), len(body)) + body)
open(sys.argv[2], 'wb').write(b'slh.ALL.' + body)
EOF
install "$WORK/g#h/jetsquad"
install "$WORK/Jörg's Spiele/jetsquad"
install "$LONG/jetsquad"
start_x
plays_from "$WORK/g#h/jetsquad"
plays_from "$WORK/Jörg's Spiele/jetsquad"
plays_from "$LONG/jetsquad"
# Without its data file there, the message names the whole path.
rm "$LONG/jetsquad/data/datafile.dat"
launch_game "$LONG/jetsquad/jetsquad" && wait_game_exit 30 && expect_exit_code 12 "no data file"
printf 'Error loading %s/jetsquad/data/datafile.dat!\n\n\0' "$(readlink -f "$LONG")" |
    cmp -s - "$WORK/dialogs" || fail "the dialog said: $(tr '\0' '|' <"$WORK/dialogs")"
echo "PASS: the game plays from directories with '#', non-ASCII letters and a 300+ byte path"
