#!/usr/bin/env bash
# Makes the audio suite's sample files in OUTDIR from a generated sine, with
# the encoders Debian ships. Formats whose encoder is missing are left out;
# the suite says which.
set -euo pipefail
out=${1:?usage: make_samples.sh OUTDIR}
mkdir -p "$out"
cd "$out"
# 440 Hz, 3 s, 44100 Hz stereo, rising from 0.05 to 0.45 of full scale so
# the level tells the time; the gapless pair is one 660 Hz sine cut in two
# at a frame where it is far from zero; e2e/ holds 1 s files at half scale.
python3 - <<'PY'
import math, struct, wave
def write(name, freq, start, count, level=lambda i: 0.5, rate=44100):
    with wave.open(name, "wb") as w:
        w.setnchannels(2); w.setsampwidth(2); w.setframerate(rate)
        frames = bytearray()
        for i in range(start, start + count):
            v = int(round(32768 * level(i) * math.sin(2 * math.pi * freq * i / rate)))
            frames += struct.pack("<hh", v, v)
        w.writeframes(bytes(frames))
write("sine.wav", 440, 0, 3 * 44100, lambda i: 0.05 + 0.4 * i / (3 * 44100))
import os
os.makedirs("e2e", exist_ok=True)
write("e2e/tone.wav", 440, 0, 44100)
write("gapless1.wav", 660, 0, 44100 + 1234)
write("gapless2.wav", 660, 44100 + 1234, 44100)
PY
have() { command -v "$1" >/dev/null 2>&1; }
if have flac; then
  flac -s -f -o sine.flac sine.wav
  flac -s -f -o gapless1.flac gapless1.wav
  flac -s -f -o gapless2.flac gapless2.wav
fi
have oggenc && oggenc -Q -q 6 -o sine.ogg sine.wav
have lame && lame --quiet -b 192 sine.wav sine.mp3
# The player's folder: name order is MP3, corrupt MP3, FLAC, Ogg.
have lame && lame --quiet -b 192 e2e/tone.wav e2e/a_tone.mp3
have flac && flac -s -f -o e2e/c_tone.flac e2e/tone.wav
have oggenc && oggenc -Q -q 6 -o e2e/d_tone.ogg e2e/tone.wav
rm e2e/tone.wav
if have ffmpeg; then
  ffmpeg -v error -y -i sine.wav -c:a aac -b:a 192k sine.m4a
  ffmpeg -v error -y -i sine.wav -c:a wmav2 -b:a 192k sine.wma
fi
# Looks like an MP3 to the tag reader (a valid first frame header), but the
# rest is noise no decoder accepts.
python3 - <<'PY'
import random
random.seed(7)
body = bytes(random.randrange(256) for _ in range(20000))
for name in ("corrupt.mp3", "e2e/b_corrupt.mp3"):
    with open(name, "wb") as f:
        f.write(b"\xff\xfb\x90\x64" + body)
PY
touch samples.done
