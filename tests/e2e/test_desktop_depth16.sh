#!/usr/bin/env bash
# On a 16-bit desktop the game runs in 16-bit colour: the window opens, the near-black clear
# colour (10, 10, 10 rounded to 5-6-5 bits) fills most of it, the mask colour never shows, and
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

# The most frequent colour of the window and its share.
timeout 30 "$CONVERT" "$WORK/depth16.png" -crop "${WIN_W}x${WIN_H}+${WIN_X}+${WIN_Y}" +repage \
    -alpha off -depth 8 -format %c histogram:info:- | sort -rn >"$WORK/histogram"
top_count=$(awk 'NR == 1 { sub(/:/, "", $1); print $1 }' "$WORK/histogram")
top_hex=$(head -n 1 "$WORK/histogram" | grep -o '#[0-9A-Fa-f]\{6\}' | head -n 1)
r=$((16#${top_hex:1:2})) g=$((16#${top_hex:3:2})) b=$((16#${top_hex:5:2}))
note "most frequent colour ($r,$g,$b) on $top_count pixels"
((r <= 16 && g <= 16 && b <= 16 && r == g && g == b)) ||
    fail "the most frequent colour ($r,$g,$b) is not the near-black clear colour"
((top_count * 100 >= WIN_W * WIN_H * 30)) || fail "the clear colour covers less than 30% of the window"
magenta=$(awk '/#FF00FF|#F800F8|#FF00F8|#F800FF/ { gsub(/:/, "", $1); n += $1 } END { print n + 0 }' "$WORK/histogram")
((magenta == 0)) || fail "$magenta pixels of the mask colour reach the window"

focus_window
press_key Escape
wait_game_exit 15
expect_exit_code 0 "Escape on a 16-bit desktop"
echo "PASS: the game runs on a 16-bit desktop"
