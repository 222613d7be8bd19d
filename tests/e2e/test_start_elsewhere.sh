#!/usr/bin/env bash
# The game finds its data file beside the executable however it is started: from another
# working directory, through a symbolic link (also a relative link to a link), and by name
# through PATH.
source "$(dirname "$0")/lib.sh"
e2e_init "$@"

start_x

# starts_and_quits WHAT EXE CWD: the window appears and Escape ends the game with code 0.
starts_and_quits() {
    local what=$1 exe=$2 cwd=$3
    reset_xmessage
    launch_game "$exe" "$cwd"
    wait_window
    focus_window
    press_key Escape
    wait_game_exit 15
    expect_exit_code 0 "$what"
    [[ $(xmessage_calls) -eq 0 ]] || fail "$what: an error dialog was shown: $(xmessage_text)"
    note "$what: started and quit"
}

mkdir -p "$WORK/elsewhere" "$WORK/links/deeper"
starts_and_quits "another working directory" "$GAME" "$WORK/elsewhere"

ln -s "$GAME" "$WORK/links/jetsquad"
starts_and_quits "a symbolic link" "$WORK/links/jetsquad" "$WORK/elsewhere"

ln -s ../jetsquad "$WORK/links/deeper/play"
starts_and_quits "a relative link to a link, by relative path" "./deeper/play" "$WORK/links"

GAME_ENV=("PATH=$WORK/links:$PATH")
starts_and_quits "by name through PATH" jetsquad "$WORK/elsewhere"
unset GAME_ENV

echo "PASS: the game starts from anywhere and through links"
