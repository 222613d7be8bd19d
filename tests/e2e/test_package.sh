#!/usr/bin/env bash
# The Debian package: cpack makes it from this build; it holds the game, its data file and patch
# set beside the real executable, the command on the PATH, the menu entry and the icons. Unpacked
# into a scratch root (or installed with dpkg -i as root when CI=true), the game is started by
# name through the PATH from an unrelated directory: it finds its data, plays its music with the
# patch set it brought, opens its window, and Escape ends it with code 0.
source "$(dirname "$0")/lib.sh"
e2e_init "$@"

CAPTURE_PY=$(cd "$E2E_DIR/../audio" && pwd)/capture.py
command -v cpack >/dev/null || fail "cpack is missing"
command -v dpkg-deb >/dev/null || fail "dpkg-deb is missing"
[[ -f $BUILD/CPackConfig.cmake ]] || fail "no CPackConfig.cmake in $BUILD"

INSTALLED=""
remove_installed_package() {
    local status=$?
    set +e
    if [[ -n $INSTALLED ]]; then
        timeout 120 dpkg -r jetsquad >"$WORK/dpkg-r.log" 2>&1 || note "dpkg -r jetsquad failed"
    fi
    return "$status"
}
trap 'remove_installed_package; e2e_cleanup' EXIT

# --- the package ------------------------------------------------------------------------------
if ! (cd "$WORK" && timeout 180 cpack --config "$BUILD/CPackConfig.cmake" -G DEB -B "$WORK/pkg") \
    >"$WORK/cpack.log" 2>&1; then
    tail -n 20 "$WORK/cpack.log" >&2
    fail "cpack could not build the package"
fi
debs=("$WORK"/pkg/*.deb)
[[ ${#debs[@]} -eq 1 && -f ${debs[0]} ]] || fail "cpack made ${#debs[@]} packages"
DEB=${debs[0]}
note "package: $(basename "$DEB"), $(stat -c %s "$DEB") bytes"

timeout 30 dpkg-deb -f "$DEB" Package Depends Section >"$WORK/control"
grep -qx 'Package: jetsquad' "$WORK/control" || fail "the package is not called jetsquad"
grep -q '^Depends:.*liballegro4\.4' "$WORK/control" || fail "the package does not depend on Allegro"
! grep -q 'freepats' "$WORK/control" || fail "the package needs freepats, but brings its own patches"

# Each entry's path, and where a link points.
timeout 30 dpkg-deb -c "$DEB" | awk '{ p = $6; if ($7 == "->") p = p " -> " $8; print p }' |
    sed 's|^\./||' >"$WORK/contents"
for path in usr/lib/jetsquad/jetsquad usr/lib/jetsquad/data/datafile.dat \
    usr/lib/jetsquad/patches.dat usr/share/applications/jetsquad.desktop \
    usr/share/icons/hicolor/48x48/apps/jetsquad.png; do
    grep -q "^$path\$" "$WORK/contents" || fail "the package lacks /$path"
done
grep -qx 'usr/bin/jetsquad -> ../lib/jetsquad/jetsquad' "$WORK/contents" ||
    fail "/usr/bin/jetsquad is not a relative link to the real executable"

# --- installed --------------------------------------------------------------------------------
if [[ ${CI:-} == true && $(id -u) -eq 0 ]]; then
    if dpkg -s jetsquad >/dev/null 2>&1; then
        fail "jetsquad is installed on this machine already; not touching it"
    fi
    timeout 120 dpkg -i "$DEB" >"$WORK/dpkg.log" 2>&1 || {
        cat "$WORK/dpkg.log" >&2
        fail "dpkg -i failed"
    }
    INSTALLED=yes
    ROOT=""
    note "installed with dpkg -i"
else
    ROOT=$WORK/root
    timeout 60 dpkg -x "$DEB" "$ROOT" || fail "dpkg -x failed"
    note "unpacked into $ROOT"
fi

cmp -s "$ROOT/usr/lib/jetsquad/data/datafile.dat" "$BUILD/data/datafile.dat" ||
    fail "the packaged data file is not the one this build made"
cmp -s "$ROOT/usr/lib/jetsquad/patches.dat" "$BUILD/patches.dat" ||
    fail "the packaged patch set is not the one this build made"

desktop=$ROOT/usr/share/applications/jetsquad.desktop
grep -qx 'Exec=jetsquad' "$desktop" || fail "the menu entry does not run jetsquad"
grep -qx 'Icon=jetsquad' "$desktop" || fail "the menu entry does not name the icon"
grep -qx 'Type=Application' "$desktop" || fail "the menu entry is not an application"
if command -v desktop-file-validate >/dev/null; then
    timeout 30 desktop-file-validate "$desktop" || fail "desktop-file-validate rejects the menu entry"
fi
size=$("$PYTHON" -c '
import struct, sys
d = open(sys.argv[1], "rb").read(24)
assert d[:8] == b"\x89PNG\r\n\x1a\n" and d[12:16] == b"IHDR"
print("%dx%d" % struct.unpack(">II", d[16:24]))' "$ROOT/usr/share/icons/hicolor/48x48/apps/jetsquad.png") ||
    fail "the 48x48 icon is not a PNG"
[[ $size == 48x48 ]] || fail "the 48x48 icon is $size"

# --- the installed game, by name, from elsewhere, with its sound captured ------------------------
mkdir -p "$WORK/elsewhere"
cat >"$WORK/home/.asoundrc" <<EOF
pcm.!default { type file; slave.pcm "null"; file "$WORK/installed.raw"; format "raw" }
EOF
PATH_FOR_GAME=$PATH
if [[ -n $ROOT ]]; then
    PATH_FOR_GAME=$ROOT/usr/bin:$PATH
fi
[[ $(PATH=$PATH_FOR_GAME command -v jetsquad) == "$ROOT/usr/bin/jetsquad" ]] ||
    fail "jetsquad on the PATH is not the installed one"

start_x
GAME_ENV=("PATH=$PATH_FOR_GAME")
launch_game jetsquad "$WORK/elsewhere"
wait_window
focus_window
sleep 3
game_running || fail "the installed game ended by itself"
press_key Escape
wait_game_exit 15
expect_exit_code 0 "Escape in the installed game"
expect_startup_output "the installed game"
[[ -z $(ls -A "$WORK/elsewhere") ]] || fail "the game left files in the directory it started in"
timeout 60 "$PYTHON" "$CAPTURE_PY" game "$WORK/installed.raw" >&2 ||
    fail "the installed game's music was not heard: its patch set was not found"
echo "PASS: the package installs a game that starts through the PATH, plays its music and quits"
