#!/usr/bin/env bash
# On a 16-bit desktop the game runs in 16-bit colour: the window opens, the near-black clear
# colour (10, 10, 10 rounded to 5-6-5 bits) fills the sky, the mask colour never shows, and
# Escape ends the game with code 0.
source "$(dirname "$0")/lib.sh"
e2e_init "$@"

start_x 1280x1024x16
launch_game
wait_window
window_geometry
[[ ${WIN_W}x${WIN_H} == 1024x768 ]] || fail "window is ${WIN_W}x${WIN_H}, expected 1024x768"
pointer_to 512 384
sleep 0.7
screenshot "$WORK/depth16.png"

# The near-black clear colour, (10, 10, 10) rounded to 5-6-5 bits, shows as (8, 8, 8). As in the
# window test, the band of frame rows 20..59 (window rows 32..95) lies 140 to 180 pixels above the
# ground's first vertex, so it is sky whatever hills the game made.
window_area="${WIN_W}x${WIN_H}+${WIN_X}+${WIN_Y}"
sky_band="${WIN_W}x64+${WIN_X}+$((WIN_Y + 32))"
sky=$(colour_count "$WORK/depth16.png" "$sky_band" 8 8 8)
note "(8,8,8) pixels: $sky of $((WIN_W * 64)) in the sky band"
((sky * 100 >= WIN_W * 64 * 75)) || fail "the sky band is not mostly the near-black clear colour"
timeout 30 "$CONVERT" "$WORK/depth16.png" -crop "$window_area" +repage -alpha off -depth 8 \
    -format %c histogram:info:- >"$WORK/histogram"
magenta=$(awk '/#FF00FF|#F800F8|#FF00F8|#F800FF/ { gsub(/:/, "", $1); n += $1 } END { print n + 0 }' "$WORK/histogram")
((magenta == 0)) || fail "$magenta pixels of the mask colour reach the window"

focus_window
press_key Escape
wait_game_exit 15
expect_exit_code 0 "Escape on a 16-bit desktop"
echo "PASS: the game runs on a 16-bit desktop"
