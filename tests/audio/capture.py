#!/usr/bin/env python3
"""Captures what the game plays through ALSA and measures it.

ALSA's `file` plugin writes what a program plays into a file. With the `null` device behind it
nothing holds the player back, and Allegro's mixer would run about twice as fast as the clock
while its MIDI player keeps to the clock, so the music would come out stretched. Writing into a
named pipe that `drain` empties at 44100 frames a second, as a sound card would, keeps the
capture in real time.

    capture.py drain FIFO OUT          empty FIFO into OUT in real time until SIGTERM
    capture.py song SONG.mid           print the song's loop facts as shell assignments
    capture.py game CAPTURE            the real game's capture: the music must be heard
    capture.py probe CAPTURE SONG.mid SEEK_BEAT
                                       the sound probe's capture (tests/audio/audio_probe.cpp)

The capture is raw 16-bit stereo at 44100 Hz; Allegro writes it unsigned (silence 0x8000),
which is told apart from signed data by the silence that starts every capture.
"""

import array
import fcntl
import math
import operator
import os
import signal
import sys
import time

RATE = 44100
FRAME_BYTES = 4
WINDOW = RATE // 100  # 10 ms envelope windows
F_SETPIPE_SZ = 1031
PIPE_BYTES = 1 << 18  # 1.5 s of sound

# Levels are RMS of full-scale 32768; a window below SILENT is silence (about -72 dBFS).
SILENT = 8.0
# Music is "heard" where a 100 ms window reaches about -50 dBFS.
HEARD = 100.0
# Silences shorter than this do not split the capture into scenes.
SPLIT_SECONDS = 0.35

# The probe's scenes (audio_probe.cpp).
MUSIC_SECONDS = 6.0
BUZZ_SECONDS = 1.5
PAUSE_SECONDS = 0.6
FLYER_COUNTS = [16, 64, 128, 200]
# Loop point: how close the restart must come to the song's end, and the stretch of the song's
# opening compared with what follows the end.
LOOP_TOLERANCE = 0.08
TEMPLATE_SECONDS = 3.0


class CaptureError(Exception):
    pass


def check(condition, message):
    if not condition:
        raise CaptureError(message)


def dbfs(level):
    return 20 * math.log10(max(level, 1e-9) / 32768)


# ---- drain: a sound card that takes 44100 frames a second ------------------------------------


def drain(fifo, out):
    stop = []
    signal.signal(signal.SIGTERM, lambda *_: stop.append(1))
    signal.signal(signal.SIGINT, lambda *_: stop.append(1))
    # Open for reading and writing: the player may open and close its end several times, and
    # this end must never see end-of-file in between.
    fd = os.open(fifo, os.O_RDWR | os.O_NONBLOCK)
    try:
        # A deep buffer, so neither side's scheduling hiccups hold the other up: the player
        # mixes at the clock's pace once the pipe is full, whatever the latency.
        fcntl.fcntl(fd, F_SETPIPE_SZ, PIPE_BYTES)
    except OSError:
        pass
    short = 0.0
    with open(out, "wb") as f:
        start = time.monotonic()
        taken = 0
        while not stop:
            due = int((time.monotonic() - start) * RATE) * FRAME_BYTES - taken
            if due > 0:
                try:
                    got = os.read(fd, due)
                except BlockingIOError:
                    got = b""
                if len(got) < due:
                    # Nothing more to play: a card would run dry; start counting again from here.
                    if taken:
                        short += (due - len(got)) / (RATE * FRAME_BYTES)
                    start = time.monotonic() - (taken + len(got)) / (RATE * FRAME_BYTES)
                taken += len(got)
                f.write(got)
            time.sleep(0.005)
        # What the player had already handed over is part of the capture.
        while True:
            try:
                got = os.read(fd, 65536)
            except BlockingIOError:
                break
            if not got:
                break
            f.write(got)
    os.close(fd)
    # Before the first sound and after the last the player writes nothing; in between this is
    # time the player fell behind the clock.
    print(f"drain: {taken / (RATE * FRAME_BYTES):.2f} s captured, the player fell behind "
          f"for {short:.2f} s in all", file=sys.stderr)


# ---- the song --------------------------------------------------------------------------------


def varlen(data, pos):
    value = 0
    for _ in range(4):
        b = data[pos]
        pos += 1
        value = value << 7 | (b & 0x7F)
        if not b & 0x80:
            return value, pos
    raise CaptureError("MIDI: variable-length number too long")


def read_song(path):
    """Ticks per quarter, end tick (the loop point), tempo changes and bar length in ticks."""
    data = open(path, "rb").read()
    check(data[:4] == b"MThd", f"{path} is not a MIDI file")
    head = int.from_bytes(data[4:8], "big")
    tracks = int.from_bytes(data[10:12], "big")
    division = int.from_bytes(data[12:14], "big")
    check(not division & 0x8000, "MIDI: SMPTE time is not used by the game")
    pos = 8 + head
    end_tick = 0
    tempos = {0: 500000}  # 120 beats a minute until the song says otherwise
    bar_ticks = division * 4
    for _ in range(tracks):
        check(data[pos : pos + 4] == b"MTrk", "MIDI: missing track")
        size = int.from_bytes(data[pos + 4 : pos + 8], "big")
        p, stop = pos + 8, pos + 8 + size
        tick, running = 0, 0
        while p < stop:
            delta, p = varlen(data, p)
            tick += delta
            status = data[p]
            if status & 0x80:
                p += 1
            else:
                status = running
            if status == 0xFF:
                kind = data[p]
                length, p = varlen(data, p + 1)
                if kind == 0x51:
                    tempos[tick] = int.from_bytes(data[p : p + 3], "big")
                if kind == 0x58:
                    bar_ticks = data[p] * division * 4 // (1 << data[p + 1])
                p += length
            elif status in (0xF0, 0xF7):
                length, p = varlen(data, p)
                p += length
            else:
                running = status
                p += 1 if status & 0xF0 in (0xC0, 0xD0) else 2
        end_tick = max(end_tick, tick)
        pos = stop
    return division, end_tick, sorted(tempos.items()), bar_ticks


def seconds_at(tick, division, tempos):
    seconds, last_tick, last_tempo = 0.0, 0, tempos[0][1]
    for at, tempo in tempos:
        if at >= tick:
            break
        seconds += (at - last_tick) * last_tempo / division / 1e6
        last_tick, last_tempo = at, tempo
    return seconds + (tick - last_tick) * last_tempo / division / 1e6


def song_facts(path):
    division, end_tick, tempos, bar_ticks = read_song(path)
    beats = end_tick / division
    seek_beat = max(0, int(beats) - 12)
    length = seconds_at(end_tick, division, tempos)
    remaining = length - seconds_at(seek_beat * division, division, tempos)
    return {
        "SONG_SECONDS": round(length, 4),
        "SONG_BEATS": round(beats, 3),
        "SONG_BARS": round(end_tick / bar_ticks, 3),
        "SEEK_BEAT": seek_beat,
        "SEEK_REMAINING": round(remaining, 4),
    }


# ---- the capture -----------------------------------------------------------------------------


def load_capture(path):
    data = bytearray(open(path, "rb").read())
    data = data[: len(data) - len(data) % FRAME_BYTES]
    check(len(data) > RATE * FRAME_BYTES, f"{path}: less than a second was captured")
    first = int.from_bytes(data[0:2], "little")
    check(first in (0, 0x8000), f"{path}: the capture does not start with silence ({first:#x})")
    if first == 0x8000:
        # Unsigned to signed: flip the top bit of every high byte.
        flip = bytes((b ^ 0x80) for b in range(256))
        data[1::2] = data[1::2].translate(flip)
    samples = array.array("h")
    samples.frombytes(bytes(data))
    if sys.byteorder != "little":
        samples.byteswap()
    return samples


def envelope(samples, window=WINDOW):
    """RMS of each window of `window` frames, both channels together."""
    step = window * 2
    env = []
    for i in range(0, len(samples) - step + 1, step):
        w = samples[i : i + step]
        env.append(math.sqrt(sum(map(operator.mul, w, w)) / step))
    return env


def decibels(env):
    return [20 * math.log10(max(e, 1.0)) for e in env]


def rms(env):
    return math.sqrt(sum(e * e for e in env) / len(env)) if env else 0.0


def scenes(env):
    """Stretches of sound, as (first, end) window indexes, split by silences long enough."""
    split = int(SPLIT_SECONDS * 100)
    found, start, quiet = [], None, 0
    for i, e in enumerate(env):
        if e >= SILENT:
            if start is None:
                start = i
            quiet = 0
        elif start is not None:
            quiet += 1
            if quiet >= split:
                found.append((start, i - quiet + 1))
                start, quiet = None, 0
    if start is not None:
        found.append((start, len(env) - quiet))
    return found


def heard_fraction(env):
    """Share of 100 ms stretches in which the sound reaches HEARD."""
    blocks = [rms(env[i : i + 10]) for i in range(0, len(env) - 9, 10)]
    return sum(1 for b in blocks if b >= HEARD) / max(1, len(blocks))


def correlation(a, b):
    n = len(a)
    ma, mb = sum(a) / n, sum(b) / n
    da = [x - ma for x in a]
    db = [y - mb for y in b]
    num = sum(map(operator.mul, da, db))
    den = math.sqrt(sum(map(operator.mul, da, da)) * sum(map(operator.mul, db, db)))
    return num / den if den else 0.0


def seconds(windows):
    return windows / 100.0


def describe(found):
    return ", ".join(f"{seconds(a):.2f}-{seconds(b):.2f} s" for a, b in found)


# ---- the real game ---------------------------------------------------------------------------


def analyse_game(path):
    env = envelope(load_capture(path))
    found = scenes(env)
    check(found, "the game played nothing at all: the music is silent")
    start, end = found[0][0], found[-1][1]
    music = env[start:end]
    heard = heard_fraction(music)
    print(f"game: sound from {seconds(start):.2f} s to {seconds(end):.2f} s, "
          f"RMS {dbfs(rms(music)):.1f} dBFS, heard in {100 * heard:.0f}% of it")
    check(seconds(end - start) >= 2.0,
          f"the game's sound lasted only {seconds(end - start):.2f} s: the music is silent")
    check(heard >= 0.9, f"the music is heard in only {100 * heard:.0f}% of the game's capture")


# ---- the probe -------------------------------------------------------------------------------


def analyse_probe(path, song, seek_beat):
    facts = song_facts(song)
    division, end_tick, tempos, bar_ticks = read_song(song)
    remaining = seconds_at(end_tick, division, tempos) - seconds_at(
        seek_beat * division, division, tempos)
    env = envelope(load_capture(path))
    found = scenes(env)
    print(f"capture: {seconds(len(env)):.2f} s, scenes at {describe(found)}")
    check(len(found) == 3 + len(FLYER_COUNTS),
          f"expected {3 + len(FLYER_COUNTS)} stretches of sound (the start-up music, the song's "
          f"opening, the song round its loop point, {len(FLYER_COUNTS)} buzz levels), found "
          f"{len(found)}: {describe(found)}")
    music, opening, loop, buzz = found[0], found[1], found[2], found[3:]

    # The music: heard all through its scene, and as long as the scene.
    music_env = env[music[0] : music[1]]
    heard = heard_fraction(music_env)
    print(f"music: {seconds(music[1] - music[0]):.2f} s, RMS {dbfs(rms(music_env)):.1f} dBFS, "
          f"heard in {100 * heard:.0f}% of 100 ms windows")
    # After stop_midi the last notes fade out for a moment.
    check(MUSIC_SECONDS - 0.2 <= seconds(music[1] - music[0]) <= MUSIC_SECONDS + 1.2,
          f"the music scene lasted {seconds(music[1] - music[0]):.2f} s, not {MUSIC_SECONDS} s")
    check(heard >= 0.95, f"the music is heard in only {100 * heard:.0f}% of its scene")

    # The loop: the song's opening comes back when the rest of the song has played.
    check(end_tick % bar_ticks == 0,
          f"the song ends {facts['SONG_BARS']} bars in, not on a bar line: the loop would limp")
    check(heard_fraction(env[opening[0] : opening[1]]) >= 0.95,
          "the song's opening is not heard all through")
    # Compared in decibels, so the quiet beats between the loud ones count as much.
    template = decibels(env[opening[0] : opening[0] + int(TEMPLATE_SECONDS * 100)])
    loop_env = decibels(env[loop[0] : loop[1]])
    check(len(loop_env) > len(template) + int(remaining * 100),
          f"the loop scene ({seconds(len(loop_env)):.2f} s) is too short to reach the restart")
    best_lag, best = 0, -1.0
    for lag in range(0, len(loop_env) - len(template) + 1):
        c = correlation(template, loop_env[lag : lag + len(template)])
        if c > best:
            best_lag, best = lag, c
    measured = seconds(best_lag)
    loop_length = facts["SONG_SECONDS"] - remaining + measured
    print(f"loop: from beat {seek_beat} the song's opening returns after {measured:.2f} s "
          f"(expected {remaining:.2f} s, match {best:.3f}); loop length {loop_length:.2f} s, "
          f"song {facts['SONG_SECONDS']:.2f} s = {facts['SONG_BARS']:g} bars")
    check(best >= 0.85, f"the song's opening never came back (best match {best:.3f})")
    check(abs(measured - remaining) <= LOOP_TOLERANCE,
          f"the music restarted {measured:.2f} s after beat {seek_beat}, expected {remaining:.2f} s")
    around = env[loop[0] + max(0, best_lag - 20) : loop[0] + best_lag + 20]
    check(min(around) >= SILENT, "the music falls silent at its loop point")

    # The buzz: its level follows sound_volume, 2 per flyer in view, at most 255.
    volumes = [min(2 * n, 255) for n in FLYER_COUNTS]
    levels = []
    for (a, b), n, v in zip(buzz, FLYER_COUNTS, volumes):
        length = seconds(b - a)
        level = rms(env[a + 10 : b - 10])
        levels.append(level)
        print(f"buzz: {n:3d} flyers, sound_volume {v:3d}: {length:.2f} s, "
              f"RMS {level:7.1f} ({dbfs(level):.1f} dBFS)")
        check(abs(length - BUZZ_SECONDS) < 0.25,
              f"the buzz with {n} flyers lasted {length:.2f} s, not {BUZZ_SECONDS} s: "
              "it must loop for as long as the flyers are there")
    full = levels[volumes.index(255)]
    for n, v, level in zip(FLYER_COUNTS, volumes, levels):
        ratio = level / full
        check(abs(ratio / (v / 255) - 1) <= 0.12,
              f"the buzz with {n} flyers is at {ratio:.3f} of full, expected {v / 255:.3f}")
    check(levels[-1] > levels[-2] * 0.95 and levels[-1] < levels[-2] * 1.05,
          "the buzz grew beyond 128 flyers: sound_volume should stop at 255")
    check(dbfs(full) > -40, f"the buzz at full volume is too quiet ({dbfs(full):.1f} dBFS)")

    # Between the levels, flyers out of view only: silence.
    for (a0, b0), (a1, b1) in zip(buzz, buzz[1:]):
        gap = env[b0:a1]
        check(seconds(a1 - b0) >= PAUSE_SECONDS - 0.15,
              f"the pause before the buzz at {seconds(a1):.2f} s is {seconds(a1 - b0):.2f} s")
        check(max(gap) < SILENT, "flyers out of view still made the buzz heard")
    tail = env[buzz[-1][1]:]
    check(len(tail) >= 50 and max(tail) < SILENT,
          "the buzz went on after every flyer left the view")
    print("pauses: silent with the flyers out of view")


def main(argv):
    try:
        if len(argv) == 4 and argv[1] == "drain":
            drain(argv[2], argv[3])
        elif len(argv) == 3 and argv[1] == "song":
            for key, value in song_facts(argv[2]).items():
                print(f"{key}={value}")
        elif len(argv) == 3 and argv[1] == "game":
            analyse_game(argv[2])
        elif len(argv) == 5 and argv[1] == "probe":
            analyse_probe(argv[2], argv[3], int(argv[4]))
        else:
            print(__doc__, file=sys.stderr)
            return 2
    except CaptureError as e:
        print(f"FAIL: {e}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
