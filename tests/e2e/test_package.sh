#!/usr/bin/env bash
# The Debian package cpack makes from this build. Installed with dpkg (as root in CI) or else
# unpacked into a scratch root, its /usr/games/jetsquad starts the game by name through the
# PATH from an unrelated directory: the game finds the data file and the patch set that lie
# beside it, plays its music, and Escape ends it with code 0. It names the freepats version
# its patch set was made from. (scripts/check-builds runs lintian, the metainfo and menu entry
# checks and hardening-check on the package.)
source "$(dirname "$0")/../../scripts/xgame.sh"
xgame_init "$@"
CAPTURE_PY=$(cd "$REPO/tests/audio" && pwd)/capture.py
CAPTURE=$WORK/installed.raw

INSTALLED=""
remove_package() {
    local status=$?
    set +e
    [[ -z $INSTALLED ]] || timeout 120 dpkg -r jetsquad >"$WORK/dpkg-r.log" 2>&1 ||
        note "dpkg -r jetsquad failed"
    return "$status"
}
trap 'remove_package; xgame_cleanup' EXIT

(cd "$WORK" && timeout 180 cpack --config "$BUILD/CPackConfig.cmake" -B "$WORK/pkg") \
    >"$WORK/cpack.log" 2>&1 || {
    tail -n 20 "$WORK/cpack.log" >&2
    fail "cpack could not build the package"
}
debs=("$WORK"/pkg/*.deb)
[[ ${#debs[@]} -eq 1 && -f ${debs[0]} ]] || fail "cpack made ${#debs[@]} packages"
depends=$(timeout 30 dpkg-deb -f "${debs[0]}" Depends)
[[ $depends == *liballegro4.4* && $depends != *freepats* ]] ||
    fail "the package should need Allegro and not freepats: $depends"
built_using=$(timeout 30 dpkg-deb -f "${debs[0]}" Built-Using)
[[ $built_using == "freepats (= $(dpkg-query -W -f='${Version}' freepats))" ]] ||
    fail "the package should name the freepats its patch set was made from: $built_using"

if [[ ${CI:-} == true && $(id -u) -eq 0 ]]; then
    ! dpkg -s jetsquad >/dev/null 2>&1 || fail "jetsquad is installed here already; not touching it"
    INSTALLED=yes
    timeout 120 dpkg -i "${debs[0]}" >"$WORK/dpkg.log" 2>&1 || {
        cat "$WORK/dpkg.log" >&2
        fail "dpkg -i failed"
    }
    ROOT=""
else
    ROOT=$WORK/root
    timeout 60 dpkg -x "${debs[0]}" "$ROOT" || fail "dpkg -x failed"
fi
[[ $(readlink "$ROOT/usr/games/jetsquad") == ../lib/jetsquad/jetsquad ]] ||
    fail "/usr/games/jetsquad is not a relative link to the game"
for file in data/datafile.dat patches.dat; do
    cmp -s "$ROOT/usr/lib/jetsquad/$file" "$BUILD/$file" ||
        fail "the packaged $file is not the one this build made"
done

mkdir -p "$WORK/elsewhere"
cat >"$WORK/home/.asoundrc" <<EOF
pcm.!default { type file; slave.pcm "null"; file "$CAPTURE"; format "raw" }
EOF
GAME_ENV=("PATH=$ROOT/usr/games:$PATH")
start_x
launch_game jetsquad "$WORK/elsewhere"
wait_window
focus_window
# Three seconds of sound (44100 frames of 4 bytes a second) before Escape, within 30 s.
for ((tries = 0; tries < 300; tries++)); do
    (($(stat -c %s "$CAPTURE" 2>/dev/null || echo 0) >= 3 * 44100 * 4)) && break
    game_running || fail "the installed game ended by itself"
    sleep 0.1
done
((tries < 300)) || fail "the installed game played under 3 s of sound in 30 s"
press_key Escape
wait_game_exit 15
expect_exit_code 0 "Escape in the installed game"
expect_startup_output "the installed game"
[[ -z $(ls -A "$WORK/elsewhere") ]] || fail "the game left files in the directory it started in"
timeout 60 "$PYTHON" "$CAPTURE_PY" game "$CAPTURE" >&2 ||
    fail "the installed game's music was not heard: its patch set was not found"
echo "PASS: the package's /usr/games/jetsquad starts the game, which finds its data and music"
