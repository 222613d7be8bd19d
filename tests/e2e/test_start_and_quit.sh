#!/usr/bin/env bash
# Starting and quitting. Without a display the game ends with code 1, says why on standard error
# and prints nothing else. With one it prints exactly the two progress bars, maps a 1024 x 768
# window titled "Jetsquad", of class "jetsquad" and with the game's icon, with the near-black
# clear colour in the sky and never the mask colour, draws its cursor image where the pointer is
# (and no longer where it was), and ends with code 0 on Escape: also from another directory,
# through links, by name through PATH, without a sound device, on a 16-bit desktop, and on
# desktops of 800 x 600 and 1366 x 768, too small for the large window and a title bar, in a
# 640 x 480 one.
source "$(dirname "$0")/../../scripts/xgame.sh"
xgame_init "$@"

sky_is() { look && [[ $SKY == "$1" ]] && ((SKY_SHARE >= 75 && MAGENTA == 0)); }
# cursor_follows X Y: the pointer put at frame point (X, Y), again on every call as the game may
# move it while it starts, and the cursor image drawn where the game sees the pointer.
cursor_follows() { point_at "$1" "$2" && look "$PX" "$PY" && ((CURSOR >= 90)); }

start_x 1280x1024x24 1280x1024x16 800x600x24 1366x768x24
launch_game && wait_window
[[ ${WIN_WIDTH}x$WIN_HEIGHT == 1024x768 ]] || fail "the window is ${WIN_WIDTH}x$WIN_HEIGHT"
# Docks tie the window to the menu entry by its class; its icon is the desktop's 64-pixel one.
timeout 5 xprop -id "$WID" WM_CLASS WM_HINTS >"$WORK/xprop" || fail "xprop did not answer"
grep -qx 'WM_CLASS(STRING) = "jetsquad", "jetsquad"' "$WORK/xprop" ||
    fail "the window's class is not jetsquad: $(head -n 1 "$WORK/xprop")"
icon=$(awk '/to use for icon:/ {p = $NF} /mask for icon:/ {m = $NF} END {print p, m}' "$WORK/xprop")
timeout 30 "$PYTHON" "$FRAME_PY" icon $icon >"$WORK/icon.ppm" &&
    timeout 30 "${IMPORT%import}convert" "$BUILD/packaging/icons/64x64/jetsquad.png" \
        -background magenta -flatten ppm:- | cmp -s - "$WORK/icon.ppm" ||
    fail "the window's icon ($icon) is not the game's"
wait_for 15 cursor_follows 320 240 || fail "the cursor image is not at the pointer: $CURSOR % of it"
sky_is 10,10,10 || fail "the sky is $SKY_SHARE % ($SKY), with $MAGENTA pixels of the mask colour"
wait_for 15 cursor_follows 560 60 || fail "the cursor image did not follow the pointer: $CURSOR %"
look 320 240 && ((CURSOR < 50)) || fail "the cursor image is still drawn where the pointer was"
quit_game "Escape"

mkdir -p "$WORK/elsewhere" "$WORK/links/deeper" && ln -s "$GAME" "$WORK/links/jetsquad"
ln -s ../jetsquad "$WORK/links/deeper/play" && GAME_ENV=("PATH=$WORK/links:$PATH")
for how in "$GAME elsewhere" "$WORK/links/jetsquad elsewhere" "./deeper/play links" \
    "jetsquad elsewhere"; do
    set -- $how && start_game "$1" "$WORK/$2" && quit_game "started as $1 in $2"
done

echo 'pcm.!default { type hw card 99 } ctl.!default { type hw card 99 }' >"$WORK/home/.asoundrc"
start_game && quit_game "without a sound device"

SCREEN0=$DISPLAY
for desktop in 2=800x600 3=1366x768; do
    export DISPLAY=$SCREEN0.${desktop%=*} && start_game
    [[ ${WIN_WIDTH}x$WIN_HEIGHT == 640x480 ]] ||
        fail "on a ${desktop#*=} desktop the window is ${WIN_WIDTH}x$WIN_HEIGHT"
    quit_game "on a ${desktop#*=} desktop"
done

# The clear colour (10, 10, 10) in 5-6-5 bits shows as (8, 8, 8).
export DISPLAY=$SCREEN0.1 && start_game
wait_for 15 sky_is 8,8,8 || fail "16-bit: the sky is $SKY_SHARE % ($SKY), $MAGENTA mask pixels"
quit_game "on a 16-bit desktop"

for env in "-u DISPLAY" DISPLAY= DISPLAY=:4999; do
    GAME_ENV=($env) && launch_game && wait_game_exit 30 && expect_exit_code 1 "$env"
    grep -qi display "$WORK/stderr" || fail "${GAME_ENV[*]}: no word about the display on stderr"
    [[ ! -s $WORK/stdout && ! -s $WORK/dialogs ]] || fail "${GAME_ENV[*]}: output or a dialog"
done
echo "PASS: no display, start-up output, window, cursor, Escape; from anywhere and on any desktop"
