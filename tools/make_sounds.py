#!/usr/bin/env python3
"""Writes the program's eleven event sounds into assets/sounds/.

Each clip is a short sequence of soft tones (16-bit mono, 22050 Hz). The output is deterministic, so running
the script again gives byte-identical files and the committed clips can always be rebuilt.

    python3 tools/make_sounds.py [output directory]
"""

import math
import os
import struct
import sys
import wave

RATE = 22050
PEAK = 0.55  # of full scale: loud enough to hear, far from clipping once notes overlap

# Equal-tempered note frequencies used below.
NOTE = {
    "C4": 261.63, "E4": 329.63, "F4": 349.23, "G4": 392.00, "A4": 440.00, "B4": 493.88,
    "C5": 523.25, "D5": 587.33, "E5": 659.25, "G5": 783.99, "A5": 880.00, "C6": 1046.50,
    "E6": 1318.51, "G6": 1567.98,
}


def tone(freq, length, attack=0.008, decay=6.0, harmonics=(1.0, 0.25, 0.08), glide=0.0):
    """One note: a few soft harmonics under a quick attack and an exponential decay.

    `glide` bends the pitch by that fraction of `freq` over the note, for blips and sweeps.
    """
    count = int(length * RATE)
    samples = []
    phase = 0.0
    release = min(0.03, length / 4)  # always end at zero, so no click at the note's end
    for i in range(count):
        t = i / RATE
        f = freq * (1.0 + glide * t / length)
        phase += 2.0 * math.pi * f / RATE
        value = sum(weight * math.sin(phase * (n + 1)) for n, weight in enumerate(harmonics))
        env = min(1.0, t / attack) * math.exp(-decay * t)
        if t > length - release:
            env *= max(0.0, (length - t) / release)
        samples.append(value * env)
    return samples


def tick(length=0.15):
    """A short wooden tick: a high, fast-decaying partial over a soft knock."""
    count = int(length * RATE)
    samples = []
    for i in range(count):
        t = i / RATE
        env = min(1.0, t / 0.002) * math.exp(-45.0 * t)
        value = 0.7 * math.sin(2 * math.pi * 1760.0 * t) + 0.5 * math.sin(2 * math.pi * 620.0 * t)
        samples.append(value * env)
    return samples


def mix(length, parts):
    """Places (start time, samples) parts on a silent track of `length` seconds."""
    track = [0.0] * int(length * RATE)
    for start, samples in parts:
        offset = int(start * RATE)
        for i, s in enumerate(samples):
            if offset + i < len(track):
                track[offset + i] += s
    return track


def normalise(track):
    loudest = max(abs(s) for s in track) or 1.0
    return [s * PEAK / loudest for s in track]


def sequence(notes, step, note_length, total, **kw):
    return mix(total, [(k * step, tone(NOTE[n], note_length, **kw)) for k, n in enumerate(notes)])


CLIPS = {
    # The game is missing: a low, serious falling pair, played twice quickly.
    "SND_WARNGAME": lambda: mix(0.55, [
        (0.00, tone(NOTE["A4"], 0.16, decay=5.0, harmonics=(1.0, 0.35, 0.15))),
        (0.14, tone(NOTE["E4"], 0.16, decay=5.0, harmonics=(1.0, 0.35, 0.15))),
        (0.30, tone(NOTE["A4"], 0.12, decay=6.0, harmonics=(1.0, 0.35, 0.15))),
        (0.40, tone(NOTE["E4"], 0.15, decay=8.0, harmonics=(1.0, 0.35, 0.15))),
    ]),
    # Skipped levels were found: three quick rising notes, like a notification.
    "SND_SKIPFOUND": lambda: sequence(["C5", "E5", "G5"], 0.09, 0.22, 0.42, decay=9.0),
    # The level list is read again: a short tick.
    "SND_REFRESH": lambda: tick(0.15),
    # Go: a rising two-note chime.
    "SND_GO": lambda: sequence(["C5", "G5"], 0.12, 0.33, 0.45, decay=7.0),
    # Go and exit: the chime climbs on to the octave.
    "SND_GOEXIT": lambda: sequence(["C5", "G5", "C6"], 0.12, 0.34, 0.58, decay=7.0),
    # About: a bright rising arpeggio with a sparkle on top.
    "SND_ABOUT": lambda: mix(0.55, [
        (0.00, tone(NOTE["E5"], 0.30, decay=8.0)),
        (0.07, tone(NOTE["G5"], 0.30, decay=8.0)),
        (0.14, tone(NOTE["C6"], 0.30, decay=8.0)),
        (0.21, tone(NOTE["E6"], 0.32, decay=9.0, harmonics=(1.0, 0.1))),
    ]),
    # A question follows: two equal notes, the second a step higher, like a raised voice.
    "SND_CONFIRM": lambda: sequence(["E5", "A5"], 0.13, 0.20, 0.36, decay=10.0, harmonics=(1.0, 0.4, 0.1)),
    # The id levels are shown: a quick upward blip.
    "SND_IDLEVELS": lambda: tone(NOTE["C5"], 0.20, attack=0.005, decay=10.0, glide=0.6),
    # Closing: a lower falling pair.
    "SND_CLOSING": lambda: sequence(["G4", "C4"], 0.17, 0.33, 0.52, decay=5.5),
    # Handicapping switched on: a warm, gentle major third.
    "SND_EMPATHY": lambda: mix(0.45, [
        (0.00, tone(NOTE["C5"], 0.44, attack=0.04, decay=4.5, harmonics=(1.0, 0.15))),
        (0.05, tone(NOTE["E5"], 0.39, attack=0.04, decay=4.5, harmonics=(1.0, 0.15))),
    ]),
    # Help: a soft down-up figure that sounds like a question.
    "SND_HELP": lambda: sequence(["G5", "D5", "A5"], 0.08, 0.14, 0.30, decay=12.0, harmonics=(1.0, 0.1)),
}


def write_wav(path, track):
    frames = b"".join(struct.pack("<h", int(round(s * 32767))) for s in track)
    with wave.open(path, "wb") as out:
        out.setnchannels(1)
        out.setsampwidth(2)
        out.setframerate(RATE)
        out.writeframes(frames)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    target = sys.argv[1] if len(sys.argv) > 1 else os.path.normpath(os.path.join(here, "..", "assets", "sounds"))
    os.makedirs(target, exist_ok=True)
    for name, make in CLIPS.items():
        track = normalise(make())
        path = os.path.join(target, name + ".wav")
        write_wav(path, track)
        print(f"{path}: {len(track) / RATE:.2f} s, {os.path.getsize(path)} bytes")


if __name__ == "__main__":
    main()
