#!/usr/bin/env python3
# Captures what the game plays through ALSA and measures it.
#
# ALSA's file plugin writes what a program plays. With only the null device behind it nothing
# holds the player to the clock (Allegro's mixer would run ahead while its MIDI player keeps
# time), so `drain` empties a named pipe at 44100 frames a second, as a sound card would. The
# mixer keeps the pipe full, 1.5 s ahead; on a busy machine it can fall behind for a while and
# catch up after, so a place in the capture is not the moment it was mixed. `drain` also notes
# when the player handed over each byte (CAPTURE.clock), and durations are measured by that clock.
#
#   capture.py drain FIFO OUT          empty FIFO into OUT in real time until SIGTERM
#   capture.py game CAPTURE            the game's capture: its music is heard
#   capture.py seek FACTS              the probe's arguments: a beat 12 before the song's end, and
#                                      the seconds from there to the end
#   capture.py probe CAPTURE FACTS     the capture of tests/audio/audio_probe.cpp; status 2: a
#                                      check failed where the mixer had stalled, capture again
#
# FACTS is the song's facts file, build/assets/music.facts (docs/assets.md).
#
# A capture is raw 16-bit stereo at 44100 Hz, unsigned (Allegro's) or signed, told apart by the
# silence it starts with. Levels are the RMS of 10 ms windows.
import array, bisect, cmath, fcntl, math, os, signal, statistics, sys, termios, time

RATE, FRAME, WINDOW = 44100, 4, 882  # WINDOW: samples of 10 ms, both channels
SILENT, HEARD = 8.0, 100.0  # about -72 dBFS; about -50 dBFS over 100 ms


def drain(fifo, out):
    stop = []
    signal.signal(signal.SIGTERM, lambda *_: stop.append(1))
    fd = os.open(fifo, os.O_RDWR | os.O_NONBLOCK)  # both ends: the player may reopen its own
    fcntl.fcntl(fd, 1031, 1 << 18)  # F_SETPIPE_SZ, 1.5 s: neither side's hiccups stop the other
    clock, pending = [], array.array("i", [0])
    with open(out, "wb") as f:
        start, taken = time.monotonic(), 0
        while not stop:
            due = int((time.monotonic() - start) * RATE) * FRAME - taken
            got = read(fd, due) if due > 0 else b""
            if len(got) < due:  # the player had nothing more: the clock restarts from here
                start = time.monotonic() - (taken + len(got)) / (RATE * FRAME)
            taken += len(got)
            f.write(got)
            fcntl.ioctl(fd, termios.FIONREAD, pending)  # written by now: taken + pending
            if not clock or clock[-1][1] != taken + pending[0]:
                clock.append((time.monotonic(), taken + pending[0]))
            time.sleep(0.005)
        while got := read(fd, 1 << 16):  # what the player handed over before it ended is heard
            f.write(got)
    with open(out + ".clock", "w") as f:
        f.writelines(f"{t:.4f} {written}\n" for t, written in clock)


def read(fd, size):
    try:
        return os.read(fd, size)
    except BlockingIOError:
        return b""


# A check that fails on a capture whose mixer stalled (STALL names it) only asks for another
# capture: exit status 2.
STALL = []


def check(ok, message):
    if not ok and STALL:
        print(f"DISTURBED: {message}, but the mixer stalled {STALL[0]}", file=sys.stderr)
        sys.exit(2)
    ok or sys.exit("FAIL: " + message)


def levels(path):
    data = bytearray(open(path, "rb").read())
    check(len(data) > RATE * FRAME, f"less than a second was captured in {path}")
    if data[1] == 0x80:  # unsigned: flip the top bit of every high byte
        data[1::2] = data[1::2].translate(bytes(b ^ 0x80 for b in range(256)))
    samples = array.array("h", bytes(data[:len(data) // FRAME * FRAME]))
    clipped = [i for i, v in enumerate(samples) if v in (-32768, 32767)]
    check(not clipped, f"{len(clipped)} samples at full scale in {path}, the first at "
          f"{(clipped or [0])[0] / 2 / RATE:.2f} s")
    return samples, [rms(samples[i:i + WINDOW])
                     for i in range(0, len(samples) - WINDOW + 1, WINDOW)]


# The moment each window was handed over, by the drain's clock, in seconds. The clock is read
# every 5 ms or so: each window's lead over the clock is taken as the median of its 0.5 s.
def moments(path, count):
    clock = [(float(t), int(n)) for t, n in map(str.split, open(path + ".clock"))]
    ends = [min(bisect.bisect_left(clock, (i + 1) * WINDOW * 2, key=lambda c: c[1]),
                len(clock) - 1) for i in range(count)]
    lead = [clock[j][0] - i / 100 for i, j in enumerate(ends)]
    return [i / 100 + statistics.median(lead[max(i - 25, 0):i + 26]) for i in range(count)]


# VALUES of the windows from FIRST on, one for every 10 ms of the clock: COUNT of them.
def by_clock(values, clock, first, count):
    return [values[min(bisect.bisect_left(clock, clock[first] + k / 100), len(values) - 1)]
            for k in range(count)]


def fft(x):
    if len(x) == 1:
        return x
    even, odd = fft(x[0::2]), fft(x[1::2])
    turned = [cmath.exp(-2j * math.pi * k / len(x)) * o for k, o in enumerate(odd)]
    return [e + t for e, t in zip(even, turned)] + [e - t for e, t in zip(even, turned)]


# Power in steps of 2.7 Hz up to 5.5 kHz of COUNT windows from FIRST on, both channels in one.
def spectrum(samples, first, count):
    mono = samples[first * WINDOW:(first + count) * WINDOW]
    x = [sum(mono[i:i + 8]) for i in range(0, len(mono) - 7, 8)]  # 11025 frames a second
    hann = [math.sin(math.pi * n / 4096) ** 2 for n in range(4096)]
    power = [0.0] * 2048
    for w in range(0, len(x) - 4095, 4096):
        for k, v in enumerate(fft([a * h for a, h in zip(x[w:w + 4096], hann)])[:2048]):
            power[k] += abs(v) ** 2
    return power


rms = lambda values: math.sqrt(sum(v * v for v in values) / len(values))
db = lambda level: 20 * math.log10(max(level, 1e-9) / 32768)


# Stretches of sound, (first, end) windows, split by 0.35 s of silence.
def scenes(env):
    found = []
    for i in (i for i, e in enumerate(env) if e >= SILENT):
        if found and i - found[-1][1] < 35:
            found[-1][1] = i + 1
        else:
            found.append([i, i + 1])
    return found


# The share of 100 ms stretches in which the sound reaches HEARD.
def heard(env):
    blocks = [rms(env[i:i + 10]) for i in range(0, len(env) - 9, 10)]
    return sum(b >= HEARD for b in blocks) / max(1, len(blocks))


# Of the song, from the facts mkdata wrote beside it: the probe's seek beat, the seconds from
# there to the end (the loop point), the song's length in seconds, and its end tick modulo its bar.
def song(path):
    facts = {words[0]: words[1:] for words in map(str.split, open(path))}
    division, tempo, bar, end = (int(facts[k][0]) for k in ("divisions", "tempo", "bar", "length"))
    seek, second = end // division - 12, tempo / division / 1e6
    return seek, (end - seek * division) * second, end * second, end % bar


def analyse_game(path):
    found = scenes(env := levels(path)[1]) or [(0, 0)]
    music = env[found[0][0]:found[-1][1]]
    check(len(music) >= 200 and heard(music) >= 0.9, f"the game's music is not heard: "
          f"{len(music) / 100:.2f} s of sound, heard in {100 * heard(music):.0f}% of it")


def analyse_probe(path, song_path):
    seek, remaining, length, off_bar = song(song_path)
    check(off_bar == 0, "the song does not end on a bar line: its loop would limp")
    samples, env = levels(path)
    clock, found = moments(path, len(env)), scenes(env)
    stall, at = max((b - a, a) for a, b in zip(clock[found[0][0]:], clock[found[0][0] + 1:]))
    STALL.extend([f"{stall:.2f} s at {at - clock[0]:.2f} s"] if stall > 0.25 else [])
    check(len(found) == 7, "not 7 stretches of sound (the song's opening twice, the song round "
          f"its loop point and 4 buzz levels): {[(a / 100, b / 100) for a, b in found]} s")
    ((swarmed, _), (opening, opening_end), (loop, loop_end)), buzz = found[:3], found[3:]
    check(heard(env[opening:opening + 300]) >= 0.95, "the song's opening is not heard all through")
    # The opening comes back when the song has played to its end. Compared in decibels over
    # 50 ms, the quiet beats count as much as the loud ones. The mixer, or the whole player, may
    # have stalled a moment: the capture is read as it came and by the clock, the better taken.
    dbs = [db(rms(env[max(i - 2, 0):i + 3])) for i in range(len(env))]
    count = int((clock[loop_end - 1] - clock[loop]) * 100)
    match, lag = max(max((statistics.correlation(template, after[i:i + 300]), i)
                         for i in range(len(after) - 299))
                     for template, after in ((dbs[opening:opening + 300], dbs[loop:loop_end]),
                                             (by_clock(dbs, clock, opening, 300),
                                              by_clock(dbs, clock, loop, count))))
    check(match >= 0.85 and abs(lag / 100 - remaining) <= 0.08, f"the song did not loop on time: "
          f"the opening returns {lag / 100:.2f} s after beat {seek}, not {remaining:.2f} s "
          f"(match {match:.3f}); the song lasts {length:.2f} s")
    check(min(env[loop + lag - 20:loop + lag + 20]) >= SILENT, "the music stops at its loop point")
    # The buzz: 2 per flyer in view, at most 255, for as long as they are there; exact silence
    # with all of them out of view.
    full = rms(env[buzz[2][0] + 10:buzz[2][1] - 10])
    for (a, b), n in zip(buzz, (16, 64, 128, 200)):
        level, lasted = rms(env[a + 10:b - 10]) / full, clock[b - 1] - clock[a]
        check(abs(lasted - 1.5) < 0.25, f"the buzz of {n} flyers lasts {lasted:.2f} s")
        check(abs(level / (min(2 * n, 255) / 255) - 1) <= 0.12, f"{n} flyers' buzz at {level:.3f}")
    check(db(full) > -40, f"the buzz at full volume is at {db(full):.1f} dBFS")
    for (_, b), (a, _) in zip(buzz, buzz[1:] + [(len(env), 0)]):
        check(clock[min(a, len(env)) - 1] - clock[b] >= 0.45 and
              not any(samples[(b + 2) * WINDOW:(a - 2) * WINDOW]),
              f"no exact silence at {b / 100:.2f}-{a / 100:.2f} s with the flyers out of view")
    # Ten flyers are heard over the music: in the buzz's own band (where the full buzz is within
    # 10 dB of its loudest), the opening with them is clearly louder than the same opening alone.
    reference = spectrum(samples, buzz[2][0] + 10, buzz[2][1] - buzz[2][0] - 20)
    band = [k for k, p in enumerate(reference) if p >= max(reference) / 10]
    over = [sum(spectrum(samples, a + 10, 300)[k] for k in band) for a in (swarmed, opening)]
    gain = 10 * math.log10(over[0] / over[1])
    check(gain >= 6, f"ten flyers' buzz is {gain:.1f} dB over the music in its band, not 6 dB")
    # The music's loudest moment, its loop point, and the buzz of a swarm add up below full scale.
    peak = lambda a, b: max(map(abs, samples[a * WINDOW:b * WINDOW]))
    loudest = peak(loop, loop_end) + peak(*buzz[2])
    check(loudest < 32767, f"the music's peak and the full buzz's add up to {loudest}")
    print(f"ten flyers' buzz {gain:.1f} dB over the music in its band; peaks: music "
          f"{db(peak(loop, loop_end)):.1f} dBFS, full buzz {db(peak(*buzz[2])):.1f} dBFS")


{"drain": drain, "game": analyse_game, "probe": analyse_probe,
 "seek": lambda path: print(*song(path)[:2])}[sys.argv[1]](*sys.argv[2:])
