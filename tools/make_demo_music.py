#!/usr/bin/env python3
"""Writes the demo music: a few short tagged PCM WAV files with simple tunes.

    python3 tools/make_demo_music.py OUTPUT_FOLDER

The tunes are synthesised (soft triangle and sine voices with envelopes), so
nothing is downloaded and the same bytes come out on every machine. Each file
carries RIFF INFO tags (title, artist, album, track, date, genre), which the
player reads like any other tagged file. The first two also carry a front
cover, a generated PNG in an ID3v2.3 tag inside an "id3 " chunk, as many
tagging programs write it into WAV files.
"""

import array
import math
import os
import struct
import sys
import zlib

RATE = 32000
ARTIST = 'The Corvina Quartet'
ALBUM = 'First Light'
DATE = '2024'

# Note names to semitones above C.
_STEPS = {'C': 0, 'D': 2, 'E': 4, 'F': 5, 'G': 7, 'A': 9, 'B': 11}


def frequency(note):
    """'A4' -> 440.0; sharps as 'F#4', flats as 'Bb3'."""
    name, octave = note[:-1], int(note[-1])
    semis = _STEPS[name[0]] + name.count('#') - name.count('b')
    midi = 12 * (octave + 1) + semis
    return 440.0 * 2 ** ((midi - 69) / 12)


def triangle(phase):
    x = phase % 1.0
    return 4 * x - 1 if x < 0.5 else 3 - 4 * x


def sine(phase):
    return math.sin(2 * math.pi * phase)


def envelope(t, length, attack, release, decay):
    """Gain at time t of a note lasting `length` seconds."""
    if t < attack:
        return t / attack
    gain = math.exp(-(t - attack) * decay)
    if t > length - release:
        gain *= max(0.0, (length - t) / release)
    return gain


def render_voice(buf, notes, bpm, wave, level, attack=0.01, release=0.08, decay=1.5,
                 vibrato=0.0, start_beat=0.0):
    """Adds a sequence of (note or None, beats) to buf."""
    beat = 60.0 / bpm
    t0 = start_beat * beat
    for note, beats in notes:
        length = beats * beat
        if note is not None:
            f = frequency(note)
            first = int(t0 * RATE)
            count = int(length * RATE)
            for i in range(count):
                if first + i >= len(buf):
                    break
                t = i / RATE
                wobble = 1 + vibrato * math.sin(2 * math.pi * 5.0 * t)
                g = envelope(t, length, attack, release, decay)
                buf[first + i] += level * g * wave(f * t * wobble)
        t0 += length


def chord_pad(buf, chords, bpm, level):
    """Soft sustained chords: each (list of notes, beats)."""
    beat = 60.0 / bpm
    t0 = 0.0
    for notes, beats in chords:
        length = beats * beat
        for note in notes:
            render_voice_at(buf, note, t0, length, level / len(notes))
        t0 += length


def render_voice_at(buf, note, t0, length, level):
    f = frequency(note)
    first = int(t0 * RATE)
    for i in range(int(length * RATE)):
        if first + i >= len(buf):
            break
        t = i / RATE
        g = envelope(t, length, 0.25, 0.4, 0.2)
        buf[first + i] += level * g * sine(f * t)


def finish(buf, seconds):
    """Fades the tail, normalises with headroom, returns 16-bit samples."""
    fade = int(0.6 * RATE)
    n = len(buf)
    for i in range(fade):
        buf[n - fade + i] *= 1 - i / fade
    peak = max(1e-9, max(abs(v) for v in buf))
    scale = 0.7 * 32767 / peak
    return array.array('h', (int(round(v * scale)) for v in buf))


def info_chunk(tags):
    body = b'INFO'
    for key, value in tags:
        data = value.encode('utf-8') + b'\0'
        if len(data) % 2:
            data += b'\0'
        body += key.encode('ascii') + struct.pack('<I', len(value.encode('utf-8')) + 1) + data
    return b'LIST' + struct.pack('<I', len(body)) + body


def png_bytes(width, height, pixel):
    """A truecolour PNG; pixel(x, y) gives (r, g, b)."""
    def chunk(kind, data):
        return (struct.pack('>I', len(data)) + kind + data +
                struct.pack('>I', zlib.crc32(kind + data) & 0xFFFFFFFF))
    rows = b''.join(b'\0' + bytes(c for x in range(width) for c in pixel(x, y))
                    for y in range(height))
    header = struct.pack('>IIBBBBB', width, height, 8, 2, 0, 0, 0)
    return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', header) +
            chunk(b'IDAT', zlib.compress(rows, 9)) + chunk(b'IEND', b''))


def cover_png(hue):
    """An album cover: a dusk gradient, a sun and its reflection in water."""
    size = 96

    def pixel(x, y):
        t = y / (size - 1)
        r, g, b = (int(40 + 180 * t), int(30 + 60 * t), int(90 + 40 * (1 - t)))
        r, g = (r + hue) % 256, (g + hue // 2) % 256
        dx, dy = x - 48, y - 52
        if dx * dx + dy * dy < 20 * 20 and y < 60:
            r, g, b = 250, 200, 90
        if y >= 60:
            r, g, b = r // 3, g // 3, b // 2 + 40
            if abs(dx) < 18 - (y - 60) // 2 and (y // 3) % 2 == 0:
                r, g, b = 200, 150, 80
        return r, g, b
    return png_bytes(size, size, pixel)


def id3_chunk(picture):
    """An "id3 " chunk holding an ID3v2.3 tag with one front cover (APIC)."""
    apic = b'\0' + b'image/png\0' + b'\x03' + b'Cover\0' + picture
    frame = b'APIC' + struct.pack('>I', len(apic)) + b'\0\0' + apic
    size = len(frame)
    syncsafe = bytes([(size >> 21) & 0x7F, (size >> 14) & 0x7F, (size >> 7) & 0x7F, size & 0x7F])
    tag = b'ID3\x03\x00\x00' + syncsafe + frame
    if len(tag) % 2:
        tag += b'\0'
    return b'id3 ' + struct.pack('<I', len(tag)) + tag


def wav_bytes(samples, tags, cover=None):
    fmt = struct.pack('<HHIIHH', 1, 1, RATE, RATE * 2, 2, 16)
    data = samples.tobytes() if sys.byteorder == 'little' else _swapped(samples)
    body = b'WAVE'
    body += b'fmt ' + struct.pack('<I', len(fmt)) + fmt
    body += info_chunk(tags)
    body += b'data' + struct.pack('<I', len(data)) + data
    if cover is not None:
        body += id3_chunk(cover)
    return b'RIFF' + struct.pack('<I', len(body)) + body


def _swapped(samples):
    copy = array.array('h', samples)
    copy.byteswap()
    return copy.tobytes()


def morning_light():
    bpm = 112
    seconds = 8.0
    buf = [0.0] * int(seconds * RATE)
    melody = [('E5', 0.5), ('G5', 0.5), ('C6', 1), ('B5', 0.5), ('G5', 0.5), ('A5', 1),
              ('G5', 0.5), ('E5', 0.5), ('F5', 0.5), ('D5', 0.5), ('E5', 1), ('C5', 1),
              ('D5', 0.5), ('E5', 0.5), ('G5', 1), ('C6', 2)]
    render_voice(buf, melody, bpm, triangle, 0.5, decay=1.2)
    bass = [('C3', 2), ('A2', 2), ('F2', 2), ('G2', 2), ('C3', 2), ('G2', 2), ('C3', 3)]
    render_voice(buf, bass, bpm, sine, 0.45, decay=0.6)
    chord_pad(buf, [(['C4', 'E4', 'G4'], 4), (['F4', 'A4', 'C5'], 4), (['C4', 'E4', 'G4'], 7)],
              bpm, 0.25)
    return buf, seconds


def blue_hour():
    bpm = 84
    seconds = 9.0
    buf = [0.0] * int(seconds * RATE)
    melody = [('A4', 1), ('C5', 0.5), ('D5', 0.5), ('E5', 1.5), ('G5', 0.5), ('E5', 1),
              ('D5', 1), ('C5', 0.5), ('A4', 0.5), ('G4', 1), ('A4', 3)]
    render_voice(buf, melody, bpm, sine, 0.55, attack=0.03, decay=0.7, vibrato=0.004)
    bass = [('A2', 3), ('F2', 3), ('G2', 3), ('A2', 3)]
    render_voice(buf, bass, bpm, triangle, 0.3, decay=0.4)
    chord_pad(buf, [(['A3', 'C4', 'E4'], 3), (['F3', 'A3', 'C4'], 3), (['G3', 'B3', 'D4'], 3),
                    (['A3', 'C4', 'E4'], 4)], bpm, 0.3)
    return buf, seconds


def paper_boats():
    bpm = 132
    seconds = 7.0
    buf = [0.0] * int(seconds * RATE)
    melody = [('G5', 0.5), ('D5', 0.5), ('B4', 0.5), ('D5', 0.5), ('G5', 0.5), ('A5', 0.5),
              ('B5', 1), ('A5', 0.5), ('F#5', 0.5), ('D5', 0.5), ('F#5', 0.5), ('A5', 1),
              ('G5', 0.5), ('E5', 0.5), ('C5', 0.5), ('E5', 0.5), ('D5', 1), ('B4', 1), ('G4', 2)]
    render_voice(buf, melody, bpm, triangle, 0.45, attack=0.005, decay=4.0, release=0.05)
    bass = [('G2', 2), ('D3', 2), ('C3', 2), ('D3', 2), ('G2', 4)]
    render_voice(buf, bass, bpm, sine, 0.45, decay=0.9)
    return buf, seconds


def night_train():
    bpm = 96
    seconds = 9.0
    buf = [0.0] * int(seconds * RATE)
    melody = [(None, 1), ('D5', 0.5), ('F5', 0.5), ('A5', 1), ('G5', 0.5), ('F5', 0.5),
              ('E5', 1), ('C5', 1), ('D5', 1.5), ('F5', 0.5), ('E5', 1), ('A4', 1),
              ('D5', 3)]
    render_voice(buf, melody, bpm, triangle, 0.45, attack=0.02, decay=1.0, vibrato=0.003)
    bass = [('D2', 0.5), ('D3', 0.5)] * 4 + [('C2', 0.5), ('C3', 0.5)] * 2 + \
           [('G2', 0.5), ('G3', 0.5)] * 2 + [('D2', 0.5), ('D3', 0.5)] * 3
    render_voice(buf, bass, bpm, sine, 0.4, attack=0.005, decay=5.0, release=0.03)
    chord_pad(buf, [(['D4', 'F4', 'A4'], 4), (['C4', 'E4', 'G4'], 2), (['G3', 'B3', 'D4'], 2),
                    (['D4', 'F4', 'A4'], 6)], bpm, 0.22)
    return buf, seconds


TRACKS = [
    ('01 - Morning Light.wav', 'Morning Light', 'Pop', morning_light),
    ('02 - Blue Hour.wav', 'Blue Hour', 'Ambient', blue_hour),
    ('03 - Paper Boats.wav', 'Paper Boats', 'Folk', paper_boats),
    ('04 - Night Train.wav', 'Night Train', 'Electronic', night_train),
]


def main(argv):
    if len(argv) != 2:
        print('usage: make_demo_music.py OUTPUT_FOLDER', file=sys.stderr)
        return 2
    folder = argv[1]
    os.makedirs(folder, exist_ok=True)
    for number, (name, title, genre, tune) in enumerate(TRACKS, 1):
        buf, seconds = tune()
        samples = finish(buf, seconds)
        tags = [('INAM', title), ('IART', ARTIST), ('IPRD', ALBUM), ('ITRK', str(number)),
                ('ICRD', DATE), ('IGNR', genre)]
        path = os.path.join(folder, name)
        # Written beside and renamed, so an interrupted build leaves no half file.
        with open(path + '.tmp', 'wb') as f:
            f.write(wav_bytes(samples, tags, cover_png(40 * number) if number <= 2 else None))
        os.replace(path + '.tmp', path)
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
