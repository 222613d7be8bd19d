#!/usr/bin/env bash
# The window: title "Jetsquad", 1024 x 768, the near-black (10, 10, 10) background wherever
# nothing is drawn, and the cursor image of the data file drawn where the pointer is.
source "$(dirname "$0")/lib.sh"
e2e_init "$@"

start_x
launch_game
wait_window
window_geometry
note "window $WID at ${WIN_X},${WIN_Y}, ${WIN_W}x${WIN_H}"
[[ ${WIN_W}x${WIN_H} == 1024x768 ]] || fail "window is ${WIN_W}x${WIN_H}, expected 1024x768"

# The cursor image (object 5): its size, then "x y r g b" per pixel; magenta is transparent.
"$PYTHON" "$E2E_DIR/datafile_tool.py" pixels "$DATAFILE" 5 >"$WORK/cursor.txt"
read -r CURSOR_W CURSOR_H <"$WORK/cursor.txt"
note "cursor image ${CURSOR_W}x${CURSOR_H}"

# check_cursor SHOT BX BY: the cursor's opaque pixels are at buffer point (BX, BY), stretched
# 1.6 times onto the window; each is sampled at the middle of its stretched square.
check_cursor() {
    local shot=$1 bx=$2 by=$3
    tail -n +2 "$WORK/cursor.txt" |
        awk -v bx="$bx" -v by="$by" -v ox="$WIN_X" -v oy="$WIN_Y" '
            !($3 == 255 && $4 == 0 && $5 == 255) {
                wx = int((bx + $1 + 0.5) * 1.6) + ox; wy = int((by + $2 + 0.5) * 1.6) + oy
                printf "%d %d %d %d %d\n", wx, wy, $3, $4, $5
            }' >"$WORK/cursor-expected.txt"
    local total good
    total=$(wc -l <"$WORK/cursor-expected.txt")
    ((total > 0)) || fail "the cursor image has no opaque pixel"
    # Only the part of the screenshot under the cursor, as "x,y: (r,g,b)" lines.
    local left top width height
    left=$(awk -v v="$bx" -v o="$WIN_X" 'BEGIN { print int(v * 1.6) + o }')
    top=$(awk -v v="$by" -v o="$WIN_Y" 'BEGIN { print int(v * 1.6) + o }')
    width=$(((CURSOR_W * 16 + 9) / 10 + 2))
    height=$(((CURSOR_H * 16 + 9) / 10 + 2))
    timeout 60 "$CONVERT" "$shot" -crop "${width}x${height}+${left}+${top}" +repage -alpha off \
        -depth 8 txt:- >"$WORK/shot.txt"
    good=$(awk -v left="$left" -v top="$top" '
               NR == FNR { want[$1 "," $2] = $3 " " $4 " " $5; next }
               FNR > 1 { split($1, p, /[,:]/); k = (p[1] + left) "," (p[2] + top)
                         if (k in want) { c = $2; gsub(/[(),]/, " ", c); split(c, v, " ")
                                          if (v[1] " " v[2] " " v[3] == want[k]) n++ } }
               END { print n + 0 }' "$WORK/cursor-expected.txt" "$WORK/shot.txt")
    note "cursor at buffer ($bx, $by): $good of $total opaque pixels match"
    # The stretch can shift a pixel by one source pixel at most where neighbours differ.
    ((good * 10 >= total * 9))
}

# Pointer at the window's centre: buffer point (320, 240).
pointer_to 512 384
sleep 0.7
screenshot "$WORK/centre.png"
check_cursor "$WORK/centre.png" 320 240 || fail "the cursor image is not at the pointer (window 512,384)"

# Background: wherever nothing is drawn the frame is the (10, 10, 10) clear colour, and the mask
# colour never shows. How much of the frame is sky depends on the random hills, but the band of
# frame rows 20..59 (window rows 32..95) lies 140 to 180 pixels above the ground's first vertex:
# hills reach into it only rarely, and then over a small part of its width.
window_area="${WIN_W}x${WIN_H}+${WIN_X}+${WIN_Y}"
sky_band="${WIN_W}x64+${WIN_X}+$((WIN_Y + 32))"
sky=$(colour_count "$WORK/centre.png" "$sky_band" 10 10 10)
dark=$(colour_count "$WORK/centre.png" "$window_area" 10 10 10)
magenta=$(colour_count "$WORK/centre.png" "$window_area" 255 0 255)
note "(10,10,10) pixels: $sky of $((WIN_W * 64)) in the sky band, $dark of $((WIN_W * WIN_H)) in all"
note "magenta pixels: $magenta"
((sky * 100 >= WIN_W * 64 * 75)) || fail "the sky band is not mostly the (10, 10, 10) background"
((magenta == 0)) || fail "$magenta pixels of the mask colour reach the window"

# Pointer elsewhere: buffer point (int)(900 * 0.625), (int)(100 * 0.625) = (562, 62); the
# cursor follows, and its old place shows no cursor any more.
pointer_to 900 100
sleep 0.7
screenshot "$WORK/moved.png"
check_cursor "$WORK/moved.png" 562 62 || fail "the cursor image did not follow the pointer to window 900,100"
if check_cursor "$WORK/moved.png" 320 240; then
    fail "the cursor image is still drawn at the old pointer position"
fi

focus_window
press_key Escape
wait_game_exit 15
expect_exit_code 0 "Escape"
echo "PASS: window title, size, background and cursor"
