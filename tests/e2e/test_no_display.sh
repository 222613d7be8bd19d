#!/usr/bin/env bash
# Without an X display the game cannot open its window: exit code 1 and a clear message on
# standard error, nothing on standard output, no dialog (there is no display to show it on).
source "$(dirname "$0")/lib.sh"
e2e_init "$@"

# no_display WHAT ENV...: one run with the given environment changes.
no_display() {
    local what=$1
    shift
    GAME_ENV=("$@")
    reset_xmessage
    launch_game
    wait_game_exit 30
    unset GAME_ENV
    expect_exit_code 1 "$what"
    grep -qi 'display' "$WORK/stderr" || fail "$what: no message about the display on stderr"
    [[ ! -s $WORK/stdout ]] || fail "$what: unexpected output on stdout: $(head -c 200 "$WORK/stdout")"
    [[ $(xmessage_calls) -eq 0 ]] || fail "$what: an error dialog was attempted"
    note "$what: exit code 1, stderr: $(grep -i display "$WORK/stderr" | head -n 1)"
}

no_display "DISPLAY unset" -u DISPLAY
no_display "DISPLAY empty" DISPLAY=
# A display number nobody serves.
no_display "DISPLAY names no server" DISPLAY=:4999

echo "PASS: without a display the game ends with code 1 and says why"
