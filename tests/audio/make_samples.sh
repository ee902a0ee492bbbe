#!/usr/bin/env bash
# Makes the audio suite's sample files in OUTDIR from a generated sine, with
# the encoders Debian ships. Formats whose encoder is missing are left out;
# the suite says which.
set -euo pipefail
out=${1:?usage: make_samples.sh OUTDIR}
mkdir -p "$out/e2e"
cd "$out"
# 440 Hz, 3 s, 44100 Hz stereo, rising from 0.05 to 0.45 of full scale so
# the level tells the time; the gapless pair is one 660 Hz sine cut in two
# at a frame where it is far from zero; e2e/ holds 1 s files at half scale.
# corrupt.mp3 looks like an MP3 to the tag reader (a valid first frame
# header), but the rest is noise no decoder accepts.
python3 - <<'PY'
import math, random, struct, wave
def write(name, freq, start, count, level=lambda i: 0.5, rate=44100):
    with wave.open(name, "wb") as w:
        w.setnchannels(2); w.setsampwidth(2); w.setframerate(rate)
        frames = bytearray()
        for i in range(start, start + count):
            v = int(round(32768 * level(i) * math.sin(2 * math.pi * freq * i / rate)))
            frames += struct.pack("<hh", v, v)
        w.writeframes(bytes(frames))
write("sine.wav", 440, 0, 3 * 44100, lambda i: 0.05 + 0.4 * i / (3 * 44100))
write("e2e/tone.wav", 440, 0, 44100)
write("gapless1.wav", 660, 0, 44100 + 1234)
write("gapless2.wav", 660, 44100 + 1234, 44100)
random.seed(7)
body = bytes(random.randrange(256) for _ in range(20000))
for name in ("corrupt.mp3", "e2e/b_corrupt.mp3"):
    with open(name, "wb") as f:
        f.write(b"\xff\xfb\x90\x64" + body)
PY
have() { command -v "$1" >/dev/null 2>&1; }
# The player's folder: name order is MP3, corrupt MP3, FLAC, Ogg.
have flac && for f in sine gapless1 gapless2 e2e/tone; do flac -s -f -o $f.flac $f.wav; done
have flac && mv e2e/tone.flac e2e/c_tone.flac
have oggenc && oggenc -Q -q 6 -o sine.ogg sine.wav && oggenc -Q -q 6 -o e2e/d_tone.ogg e2e/tone.wav
have lame && lame --quiet -b 192 sine.wav sine.mp3 && lame --quiet -b 192 e2e/tone.wav e2e/a_tone.mp3
rm e2e/tone.wav
if have ffmpeg; then
  ffmpeg -v error -y -i sine.wav -c:a aac -b:a 192k sine.m4a
  ffmpeg -v error -y -i sine.wav -c:a wmav2 -b:a 192k sine.wma
fi
touch samples.done
