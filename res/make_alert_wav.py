#!/usr/bin/env python3
"""Writes the alert sound of the receive page: a short two-note chime, 16-bit mono PCM.

Usage: make_alert_wav.py [output path, default mac.wav]
"""
import math
import struct
import sys
import wave

RATE = 22050


def note(frequency, seconds, volume=0.45):
    count = int(RATE * seconds)
    for k in range(count):
        t = k / RATE
        # Quick attack, exponential decay: a soft bell rather than a beep.
        envelope = min(1.0, t / 0.01) * math.exp(-5.0 * t)
        tone = math.sin(2 * math.pi * frequency * t) + 0.3 * math.sin(4 * math.pi * frequency * t)
        yield volume * envelope * tone / 1.3


def main():
    path = sys.argv[1] if len(sys.argv) > 1 else "mac.wav"
    samples = list(note(880.0, 0.18)) + list(note(1318.5, 0.32))
    frames = b"".join(struct.pack("<h", int(max(-1.0, min(1.0, s)) * 32767)) for s in samples)
    with wave.open(path, "wb") as out:
        out.setnchannels(1)
        out.setsampwidth(2)
        out.setframerate(RATE)
        out.writeframes(frames)


if __name__ == "__main__":
    main()
