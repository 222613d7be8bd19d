#!/usr/bin/env bash
# Makes the fuzzer's seed corpus in OUTDIR: the built data file and the small well-formed one of
# the regression inputs, each as it is and as Allegro's dat tool packs it (object by object,
# and whole); the small one with one object more of every kind dat can grab; cut short files;
# our own song with random edits and our buzz cut short.
#
#   tests/fuzz/make_seeds.sh DATAFILE OUTDIR
set -euo pipefail
HERE=$(cd "$(dirname "$0")" && pwd)
DATAFILE=$(readlink -f "$1")
mkdir -p "$2" && OUT=$(cd "$2" && pwd) && rm -f "$OUT"/*
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
cd "$WORK"

# One small source of every kind: an image, a palette image, a 8 x 16 BIOS font, an 8-bit WAV,
# a MIDI song, and a directory that becomes a nested data file.
CONVERT=$(command -v /usr/bin/convert convert | head -n 1) # ImageMagick's, wherever PATH points
"$CONVERT" -size 5x3 xc:magenta -fill blue -draw 'point 1,1' -draw 'point 3,2' BMP3:image.bmp
"$CONVERT" -size 4x4 xc:red -type Palette BMP3:palette.bmp
python3 - <<'EOF'
import struct
open('font.fnt', 'wb').write(bytes((i * 37) & 0xff for i in range(4096)))
d = bytes([128, 200, 60, 128])
open('sample.wav', 'wb').write(b'RIFF' + struct.pack('<I', 36 + len(d)) + b'WAVEfmt ' +
    struct.pack('<IHHIIHH', 16, 1, 1, 11025, 11025, 1, 8) + b'data' + struct.pack('<I', len(d)) + d)
t = bytes([0, 0x90, 60, 64, 0x60, 0x80, 60, 0, 0, 0xff, 0x2f, 0])
open('song.mid', 'wb').write(b'MThd' + struct.pack('>IHHH', 6, 0, 1, 96) + b'MTrk' +
    struct.pack('>I', len(t)) + t)
EOF
mkdir nested && cp image.bmp nested/

cp "$DATAFILE" built.dat
cp "$HERE/regressions/accepted/extra-palette.dat" small.dat
for kind in BMP:image.bmp RLE:image.bmp CMP:image.bmp XCMP:image.bmp PAL:palette.bmp \
    FONT:font.fnt SAMP:sample.wav MIDI:song.mid DATA:song.mid FILE:nested; do
    out=small-${kind%%:*}.dat
    cp small.dat "$out"
    if [[ $kind == FILE:* ]]; then
        dat -a -r -t BMP -s1 -n0 "$out" nested >/dev/null
    else
        dat -a -t "${kind%%:*}" -s1 -n0 "$out" "${kind#*:}" >/dev/null
    fi
done
cp small.dat small-RLE8.dat
dat -a -t RLE -bpp 8 -s1 -n0 small-RLE8.dat palette.bmp >/dev/null # rows of single bytes
for f in *.dat; do
    for c in 1 2; do
        cp "$f" "${f%.dat}-c$c.dat"
        dat -c$c -s1 -n0 -w "${f%.dat}-c$c.dat" >/dev/null
    done
done
for f in small.dat small-c1.dat small-c2.dat built-c2.dat; do
    size=$(stat -c %s "$f")
    for cut in $((size / 4)) $((size / 2)) $((size - 1)); do
        head -c "$cut" "$f" >"${f%.dat}-cut$cut.dat"
    done
done
# Our own song (object 21) with a few bytes of its tracks changed, the same every run; the buzz
# (object 20) cut to a few frames at the highest rate.
python3 - "$HERE/../../scripts/frame.py" <<'PY'
import random, struct, subprocess, sys
data = open('built.dat', 'rb').read()
layout = [[int(v) for v in line.split()] for line in subprocess.check_output(
    [sys.executable, sys.argv[1], 'layout', 'built.dat']).decode().splitlines()]
rng = random.Random(16)
for n in range(24):
    edited = bytearray(data)
    for _ in range(1 + n % 4):
        at = rng.randrange(layout[21][2] + 2, len(data))
        edited[at] = rng.choice([rng.randrange(128), rng.randrange(256), 0x80, 0xff])
    open('song-edit%02d.dat' % n, 'wb').write(edited)
for frames in (1, 4, 64):
    body = struct.pack('>hHI', 8, 65535, frames) + bytes([128] * frames)
    sizes = struct.pack('>ii', len(body), len(body))
    open('buzz-%d.dat' % frames, 'wb').write(data[:layout[20][2] - 8] + sizes + body +
                                             data[layout[21][1]:])
PY
cp ./*.dat "$OUT"/
echo "make_seeds: $(ls "$OUT" | wc -l) seeds in $OUT"
