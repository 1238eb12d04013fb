#!/usr/bin/python3
"""Composes the card's music and writes it as an Extended Module (XM) file.

Everything is made here: the arrangement of three traditional carols, the
synthesised instruments and the file itself, byte by byte. Standard library
only, deterministic (fixed random seed), so re-running it gives the same file.

    /usr/bin/python3 tools/track/make_track.py [output.xm]

The default output is resources/track.xm next to this script's repository.
"""

import math
import os
import random
import struct
import sys

# ---------------------------------------------------------------------------
# Song layout. The card and its tests rely on these exact values.

CHANNELS = 14
ROWS = 64
SPEED = 6
BPM = 128
INTRO_PATTERN = 9
UNUSED_PATTERN = 8          # stored empty, never played
ORDERS = [INTRO_PATTERN, 0, 1, 2, 3, 4, 5, 6, 7]
RESTART = 1                 # the loop skips the intro
PATTERN_COUNT = 10
INSTRUMENT_COUNT = 12
EMPTY_INSTRUMENTS = range(5, 10)   # 1-based: one sample of length 0 each

# Instrument numbers (1-based, as in the pattern cells).
LEAD, BELLS, PAD, BASS = 1, 2, 3, 4
KICK, CLAP, JINGLE = 10, 11, 12
HAT_NOTE, SLEIGH_NOTE = 49, 61  # C-4 plays the hi-hat, C-5 the sleigh bells

# Channels.
CH_LEAD, CH_COUNTER, CH_PAD = 0, 1, (2, 3, 4)
CH_BASS, CH_KICK, CH_CLAP, CH_HAT, CH_SLEIGH = 5, 6, 7, 8, 9
CH_HARMONY, CH_SPARKLE, CH_ECHO, CH_LOWPAD = 10, 11, 12, 13

KEY_OFF = 97

RNG = random.Random(20261224)

# ---------------------------------------------------------------------------
# Samples. Waveforms are floats in -1..1; tonal loops hold whole cycles so the
# loop is seamless, and every one-shot ends at silence.


def clamp(x):
    return -1.0 if x < -1.0 else 1.0 if x > 1.0 else x


def normalise(wave, peak):
    top = max(abs(v) for v in wave) or 1.0
    return [v * peak / top for v in wave]


def harmonic(t, period, amps, phase_cos=False):
    s = 0.0
    for k, a in enumerate(amps, 1):
        w = 2.0 * math.pi * k * t / period
        s += a * (math.cos(w) if phase_cos else math.sin(w))
    return s


def lead_wave():
    """Soft reed-like lead: a bright, breathy attack settling into a
    two-cycle loop. 32 frames per cycle: C-4 at 8363 Hz."""
    period, attack, loop = 32, 256, 64
    steady = [1.0, 0.30, 0.26, 0.08, 0.07, 0.03]
    bright = [1.0, 0.45, 0.45, 0.25, 0.20, 0.12, 0.08]
    out = []
    for t in range(attack + loop):
        if t < attack:
            fade = (1.0 - t / attack) ** 2  # reaches exactly 0 at the loop
            amps = [s + (b - s) * fade for s, b in
                    zip(steady + [0.0], bright)]
            v = harmonic(t, period, amps) + RNG.uniform(-0.25, 0.25) * fade
            v *= min(1.0, (t + 1) / 24.0)   # no click at the start
        else:
            v = harmonic(t, period, steady)
        out.append(v)
    return normalise(out, 0.95), attack, loop


def bell_wave():
    """Glockenspiel: inharmonic partials that die within the attack, then a
    looped pure tone that the envelope lets ring. 16 frames per cycle."""
    period, attack = 16, 2048
    out = []
    for t in range(attack + period):
        v = math.sin(2 * math.pi * t / period) + 0.08 * math.sin(4 * math.pi * t / period)
        if t < attack:
            fade = 1.0 - t / attack
            v += 0.55 * math.sin(2 * math.pi * 2.76 * t / period) * math.exp(-t / 260.0) * fade
            v += 0.30 * math.sin(2 * math.pi * 5.40 * t / period) * math.exp(-t / 110.0) * fade
            v *= min(1.0, (t + 1) / 6.0)
        out.append(v)
    return normalise(out, 0.97), attack, period


def pad_wave():
    """Warm string pad: two slightly detuned saw-like voices in cosine phase.
    The loop holds 64 cycles of one and 64.5 of the other, so both are
    symmetric at its ends and a ping-pong loop turns without a kink. A short
    mirrored lead-in fades in from silence."""
    period, loop, lead_in = 32, 2048, 64
    amps = [1.0 / k ** 1.15 for k in range(1, 9)]
    # Cosine phases keep the symmetry; flipping signs of some harmonics
    # (never their phase) spreads the peaks, so the pad is not spiky.
    best = None
    for signs in range(1 << len(amps)):
        trial = [a if signs >> k & 1 else -a for k, a in enumerate(amps)]
        top = max(abs(harmonic(t, period, trial, True)) for t in range(period))
        if best is None or top < best[0] - 1e-9:
            best = (top, trial)
    amps = best[1]
    period_b = loop / 64.5
    body = []
    for t in range(loop):
        body.append(harmonic(t, period, amps, True) + harmonic(t, period_b, amps, True))
    out = [body[lead_in - t] * (t / lead_in) for t in range(lead_in)] + body
    return normalise(out, 0.95), lead_in, loop


def bass_wave():
    """Plucked bass: a bright saw that mellows within the attack into a
    round looped tone. 64 frames per cycle: C-3 at 8363 Hz."""
    period, attack = 64, 1024
    steady = [1.0, 0.35, 0.12, 0.05]
    out = []
    for t in range(attack + period):
        if t < attack:
            fade = (1.0 - t / attack) * math.exp(-t / 260.0)
            amps = [s + (0.9 / k - s) * fade if k <= len(steady) else (0.9 / k) * fade
                    for k, s in zip(range(1, 13), steady + [0.0] * 8)]
            v = harmonic(t, period, amps)
        else:
            v = harmonic(t, period, steady)
        out.append(v)
    return normalise(out, 0.97), attack, period


def kick_wave(rate=8363):
    n = int(rate * 0.30)
    out, phase = [], 0.0
    for i in range(n):
        t = i / rate
        freq = 46.0 + 120.0 * math.exp(-t / 0.030)
        phase += 2 * math.pi * freq / rate
        amp = math.exp(-t / 0.12) * (1.0 - i / n)
        v = math.tanh(2.2 * math.sin(phase)) / math.tanh(2.2) * amp
        if i < 40:
            v += RNG.uniform(-0.3, 0.3) * (1.0 - i / 40.0)
        out.append(clamp(v))
    return normalise(out, 0.98)


def clap_wave(rate=16726):
    """Clap over a snare body: three quick bursts, a noisy tail and a short
    tonal thump."""
    n = int(rate * 0.22)
    out, low, prev = [], 0.0, 0.0
    for i in range(n):
        t = i / rate
        noise = RNG.uniform(-1, 1)
        low += 0.35 * (noise - low)            # take off the harshest top
        band = low - prev * 0.6
        prev = low
        env = 0.0
        for start in (0.0, 0.011, 0.022):
            if t >= start:
                env += math.exp(-(t - start) / 0.006) * 0.7
        env += math.exp(-t / 0.075) * 0.8 * min(1.0, t / 0.02)
        body = math.sin(2 * math.pi * 185 * t) * math.exp(-t / 0.035) * 0.5
        out.append(math.tanh(1.8 * (band * env + body)) * (1.0 - i / n))
    return normalise(out, 0.97)


def hat_wave(rate=33452):
    n = int(rate * 0.09)
    out, prev = [], 0.0
    for i in range(n):
        t = i / rate
        noise = math.tanh(3.0 * RNG.uniform(-1, 1))  # dense, not spiky
        high = noise - prev                    # first difference: bright
        prev = noise
        out.append(high * math.exp(-t / 0.024) * (1.0 - i / n))
    return normalise(out, 0.98)


def sleigh_wave(rate=16726):
    """A shake of sleigh bells: a handful of small jingles, each a cluster of
    high inharmonic partials, struck within a few tens of milliseconds."""
    n = int(rate * 0.28)
    out = [0.0] * n
    for _ in range(9):
        start = int(rate * RNG.uniform(0.0, 0.05))
        base = RNG.uniform(2600.0, 3300.0)
        partials = [(base, 1.0), (base * 1.52, 0.6), (base * 2.31, 0.35)]
        decay = RNG.uniform(0.05, 0.10)
        phases = [RNG.uniform(0, 2 * math.pi) for _ in partials]
        for i in range(start, n):
            t = (i - start) / rate
            env = math.exp(-t / decay) * min(1.0, t / 0.0008)
            s = sum(a * math.sin(2 * math.pi * f * t + p) for (f, a), p in zip(partials, phases))
            out[i] += s * env
    for i in range(n):
        t = i / rate
        out[i] += RNG.uniform(-1, 1) * 0.5 * math.exp(-t / 0.02)
        out[i] *= 1.0 - i / n
    # The jingles' peaks stack up; round them off so the bells sit in the
    # mix without spiking it.
    out = [math.tanh(2.5 * v) for v in normalise(out, 1.0)]
    return normalise(out, 0.95)


# ---------------------------------------------------------------------------
# Instruments. Envelope points are (tick, value 0..64).


class SampleDef:
    def __init__(self, name, wave, bits, loop="none", loop_start=0, loop_length=0,
                 volume=64, finetune=0, panning=128, relative=0):
        self.name, self.wave, self.bits = name, wave, bits
        self.loop, self.loop_start, self.loop_length = loop, loop_start, loop_length
        self.volume, self.finetune, self.panning, self.relative = volume, finetune, panning, relative


class InstrumentDef:
    def __init__(self, name, samples, sample_map=None, volume_env=None, volume_sustain=None,
                 volume_loop=None, panning_env=None, panning_sustain=None, panning_loop=None,
                 vibrato=(0, 0, 0, 0), fadeout=0):
        self.name, self.samples = name, samples
        self.sample_map = sample_map or [0] * 96
        self.volume_env, self.volume_sustain, self.volume_loop = volume_env, volume_sustain, volume_loop
        self.panning_env, self.panning_sustain, self.panning_loop = panning_env, panning_sustain, panning_loop
        self.vibrato, self.fadeout = vibrato, fadeout


def make_instruments():
    lead, lead_attack, lead_loop = lead_wave()
    bells, bell_attack, bell_loop = bell_wave()
    pad, pad_start, pad_loop = pad_wave()
    bass, bass_attack, bass_loop = bass_wave()
    jingle_map = [0] * 96
    for note in range(SLEIGH_NOTE - 1, 96):
        jingle_map[note] = 1
    instruments = {
        # Finetune +3 lifts the 32-frame cycle (261.3 Hz at C-4) onto pitch.
        LEAD: InstrumentDef(
            "Reed lead", [SampleDef("reed", lead, 16, "forward", lead_attack, lead_loop,
                                    volume=48, finetune=3)],
            # Sustain early and release within three ticks, so that a note
            # released a row before the next one is silent when it comes:
            # re-striking a sounding voice would click.
            volume_env=[(0, 0), (2, 64), (5, 58), (6, 30), (8, 8), (9, 0)], volume_sustain=2,
            vibrato=(0, 40, 5, 22), fadeout=0x0800),
        BELLS: InstrumentDef(
            "Glockenspiel", [SampleDef("glock", bells, 8, "forward", bell_attack, bell_loop,
                                       volume=40, finetune=3, relative=-12)],
            volume_env=[(0, 64), (3, 54), (12, 38), (30, 22), (60, 11), (110, 4), (170, 0)],
            fadeout=0x0200),
        # The two pad voices are detuned apart; finetune -6 centres them.
        PAD: InstrumentDef(
            "String pad", [SampleDef("strings", pad, 16, "pingpong", pad_start, pad_loop,
                                     volume=24, finetune=-6)],
            volume_env=[(0, 0), (20, 48), (48, 40), (76, 48)], volume_loop=(1, 3),
            panning_env=[(0, 32), (64, 24), (192, 40), (256, 32)], panning_loop=(0, 3),
            vibrato=(0, 0, 2, 6), fadeout=0x0180),
        BASS: InstrumentDef(
            "Pluck bass", [SampleDef("bass", bass, 8, "forward", bass_attack, bass_loop,
                                     volume=56, finetune=3, relative=12)],
            volume_env=[(0, 64), (3, 54), (6, 46), (8, 24), (11, 0)], volume_sustain=2,
            fadeout=0x0800),
        KICK: InstrumentDef("Kick", [SampleDef("kick", kick_wave(), 8, volume=60)]),
        CLAP: InstrumentDef("Clap", [SampleDef("clap", clap_wave(), 8, volume=44, relative=12)]),
        JINGLE: InstrumentDef(
            "Hat and sleigh bells",
            [SampleDef("hat", hat_wave(), 8, volume=28, panning=150, relative=24),
             SampleDef("sleigh bells", sleigh_wave(), 8, volume=30, panning=104, relative=0)],
            sample_map=jingle_map),
    }
    for number in EMPTY_INSTRUMENTS:
        instruments[number] = InstrumentDef("", [SampleDef("", [], 8, volume=0)])
    return instruments


# ---------------------------------------------------------------------------
# Music. Notes are written like "C5", "Bb4", "F#3" (octave 4 holds middle C);
# a pattern row is a sixteenth note, so a bar is 16 rows and a pattern 4 bars.

NAMES = {"C": 0, "D": 2, "E": 4, "F": 5, "G": 7, "A": 9, "B": 11}


def pitch(name):
    """MIDI-style pitch number (60 = middle C) of a note name."""
    semitone = NAMES[name[0]]
    rest = name[1:]
    while rest and rest[0] in "#b":
        semitone += 1 if rest[0] == "#" else -1
        rest = rest[1:]
    return 12 * (int(rest) + 1) + semitone


def xm_note(p):
    """XM note number (1 = C-0) of a pitch; C-4 is middle C."""
    n = p - 11
    assert 1 <= n <= 96, p
    return n


def phrase(text):
    """'C5:6 Bb4:2 r:4 | ...' -> [(pitch or None, rows)]."""
    out = []
    for token in text.split():
        if token == "|":
            continue
        name, rows = token.split(":")
        out.append((None if name == "r" else pitch(name), int(rows)))
    return out


DECK_A = "C5:6 Bb4:2 A4:4 G4:4 | F4:4 G4:4 A4:4 F4:4 | G4:2 A4:2 Bb4:2 G4:2 A4:6 G4:2 | F4:4 E4:4 F4:8"
DECK_B = "G4:6 A4:2 Bb4:4 G4:4 | A4:6 Bb4:2 C5:4 G4:4 | A4:2 B4:2 C5:4 D5:2 E5:2 F5:4 | E5:4 D5:4 C5:8"
DECK_C = "C5:6 Bb4:2 A4:4 G4:4 | F4:4 G4:4 A4:4 F4:4 | D5:2 D5:2 D5:2 D5:2 C5:6 Bb4:2 | A4:4 G4:4 F4:8"
JINGLE_A = ("A4:4 A4:4 A4:8 | A4:4 A4:4 A4:8 | A4:4 C5:4 F4:6 G4:2 | A4:16 | "
            "Bb4:4 Bb4:4 Bb4:6 Bb4:2 | Bb4:4 A4:4 A4:4 A4:2 A4:2 | A4:4 G4:4 G4:4 A4:4 | G4:8 C5:8")
JINGLE_B = ("A4:4 A4:4 A4:8 | A4:4 A4:4 A4:8 | A4:4 C5:4 F4:6 G4:2 | A4:16 | "
            "Bb4:4 Bb4:4 Bb4:4 Bb4:4 | Bb4:4 A4:4 A4:4 A4:2 A4:2 | C5:4 C5:4 Bb4:4 G4:4 | F4:16")

MELODY = phrase(" | ".join([DECK_A, DECK_A, DECK_B, DECK_C, JINGLE_A, JINGLE_B]))

CHORD_TONES = {
    "F": ["F", "A", "C"], "Bb": ["Bb", "D", "F"], "C": ["C", "E", "G"],
    "C7": ["C", "E", "G", "Bb"], "D7": ["D", "F#", "A", "C"], "G7": ["G", "B", "D", "F"],
}
ROOT = {"F": "F", "Bb": "Bb", "C": "C", "C7": "C", "D7": "D", "G7": "G"}

# One chord per half bar (8 rows), 64 half bars for the 32 bars of the loop.
CHORDS = ("F F  F F  C7 F  C7 F "      # deck the halls ... fa la la
          "F F  F F  C7 F  C7 F "
          "C7 C7  F C  D7 G7  C C "    # don we now our gay apparel
          "F F  F F  Bb C7  F F "
          "F F  F F  F F  F F "        # jingle bells ...
          "Bb Bb  F F  G7 G7  C7 C7 "
          "F F  F F  F F  F F "
          "Bb Bb  F F  C7 C7  F F").split()
INTRO_CHORDS = "F F  C7 F  C7 F  C7 C7".split()


def pitch_classes(chord):
    return [pitch(n + "0") % 12 for n in CHORD_TONES[chord]]


def voice_chord(chord, previous, low, high, voices=3):
    """Chord tones for `voices` voices within low..high, moving each as little
    as possible from `previous`; a seventh chord drops its fifth."""
    tones = pitch_classes(chord)
    if len(tones) == 4 and voices == 3:
        tones = [tones[0], tones[1], tones[3]]
    candidates = []
    for p in range(low, high + 1):
        if p % 12 in tones:
            candidates.append(p)
    best, best_cost = None, None

    def search(start, chosen):
        nonlocal best, best_cost
        if len(chosen) == voices:
            if {p % 12 for p in chosen} != set(tones):
                return
            cost = sum(abs(a - b) for a, b in zip(chosen, previous)) if previous else \
                abs(sum(chosen) / voices - (low + high) / 2)
            if best_cost is None or cost < best_cost:
                best, best_cost = list(chosen), cost
            return
        for i in range(start, len(candidates)):
            search(i + 1, chosen + [candidates[i]])

    search(0, [])
    return best


# The mixing desk: a gain per instrument on every note's volume.
MIX = {LEAD: 1.0, BELLS: 1.4, BASS: 1.2, KICK: 1.0, CLAP: 1.0, JINGLE: 1.0, PAD: 1.0}


class Grid:
    """Cells of a stretch of rows: [note, instrument, volume, effect, param]."""

    def __init__(self, rows):
        self.rows = rows
        self.cells = [[[0, 0, 0, 0, 0] for _ in range(CHANNELS)] for _ in range(rows)]

    def note(self, row, ch, p, ins, vol=None, effect=None):
        if not 0 <= row < self.rows:
            return
        c = self.cells[row][ch]
        c[0] = xm_note(p) if p is not None else KEY_OFF
        c[1] = ins if p is not None else 0
        if vol is not None:
            c[2] = 0x10 + max(0, min(64, int(round(vol * MIX.get(ins, 1.0)))))
        if effect:
            c[3], c[4] = effect

    def key_off(self, row, ch):
        if 0 <= row < self.rows and self.cells[row][ch][0] == 0:
            self.cells[row][ch][0] = KEY_OFF

    def effect(self, row, ch, effect, param):
        if 0 <= row < self.rows and self.cells[row][ch][3] == 0 and self.cells[row][ch][4] == 0:
            self.cells[row][ch][3], self.cells[row][ch][4] = effect, param

    def volume(self, row, ch, vol):
        if 0 <= row < self.rows and self.cells[row][ch][2] == 0:
            self.cells[row][ch][2] = 0x10 + max(0, min(64, int(round(vol))))

    def patterns(self):
        return [self.cells[i:i + ROWS] for i in range(0, self.rows, ROWS)]


SET_PANNING, SET_VOLUME, VIBRATO, ARPEGGIO, VOLUME_SLIDE = 0x08, 0x0C, 0x04, 0x00, 0x0A
MAJOR_TRIAD = 0x47   # arpeggio: root, major third, fifth
VOLCOL_PORTA = 0xFF  # volume-column tone portamento: the pad glides without a retrigger


def play_line(grid, ch, line, start, ins, vol, pan=None, release=True):
    """Writes a melodic line. With `release`, each note is let go a row
    before the next one, so that re-striking never cuts a sounding voice."""
    row = start
    for p, rows in line:
        if p is not None:
            grid.note(row, ch, p, ins, vol, (SET_PANNING, pan) if pan is not None else None)
            if release and rows >= 2:
                grid.key_off(row + rows - 1, ch)
        row += rows
    return row


def pattern_of(row):
    return row // ROWS


def diatonic_below(p, steps=2):
    scale = [pitch(n + "0") % 12 for n in ["F", "G", "A", "Bb", "C", "D", "E"]]
    q = p
    for _ in range(steps):
        q -= 1
        while q % 12 not in scale:
            q -= 1
    return q


def harmony_line(line, start):
    """A second voice under the melody: the nearest chord tone at least a
    minor third below on long notes, a diatonic third below on quick ones."""
    out, row = [], start
    for p, rows in line:
        if p is None:
            out.append((None, rows))
        else:
            chord = CHORDS[(row // 8) % len(CHORDS)]
            if rows >= 4:
                tones = pitch_classes(chord)
                q = p - 3
                while q % 12 not in tones:
                    q -= 1
            else:
                q = diatonic_below(p)
            out.append((q, rows))
        row += rows
    return out


def drum_bar(grid, ch, start, text, ins, base, note=HAT_NOTE):
    """One bar of a drum part: a character a row, a digit d plays XM note
    number `note` at d/9 of `base`, anything else rests."""
    for i, c in enumerate(text):
        if c.isdigit() and c != "0":
            grid.note(start + i, ch, note + 11, ins, base * int(c) / 9.0)


def compose_loop():
    """Patterns 0..7: 'Deck the Halls' (patterns 0-3), then 'Jingle Bells'
    (4-7) with a quieter verse in pattern 6, a turnaround back to the top."""
    total = 8 * ROWS
    g = Grid(total)

    # Melody, with its echo and a harmony voice in some sections.
    def lead_accent(row):
        beat = row % 16
        return 1.0 if beat == 0 else 0.92 if beat % 4 == 0 else 0.84

    def breakdown(row):
        return pattern_of(row) == 6

    row = 0
    for p, rows in MELODY:
        if p is not None:
            vol = 64 * lead_accent(row) * (0.7 if breakdown(row) else 1.0)
            g.note(row, CH_LEAD, p, LEAD, vol)
            if rows >= 2:
                g.key_off(row + rows - 1, CH_LEAD)
            if rows >= 8:
                for r in range(row + 4, row + rows - 1):
                    g.effect(r, CH_LEAD, VIBRATO, 0x52)
            # The echo: three rows late, softer, on the other side.
            if pattern_of(row) in (1, 3, 5, 7) and row + 3 < total:
                g.note(row + 3, CH_ECHO, p, LEAD, vol * 0.38, (SET_PANNING, 0x50))
                g.key_off(min(row + 3 + rows - 1, total - 1), CH_ECHO)
            # Bells double the tune an octave up in the quiet verse.
            if breakdown(row):
                g.note(row, CH_COUNTER, p + 12, BELLS, 34, (SET_PANNING, 0xA0))
        row += rows
    assert row == total, row

    harmony = harmony_line(MELODY, 0)
    row = 0
    for p, rows in harmony:
        if p is not None and pattern_of(row) in (2, 3, 5, 7):
            g.note(row, CH_HARMONY, p, LEAD, 30, (SET_PANNING, 0xB0))
            if rows >= 2:
                g.key_off(row + rows - 1, CH_HARMONY)
        row += rows

    # Pad: three voices gliding between chord voicings (never re-struck, so
    # the loop seam is seamless), plus a low voice on the chord root.
    previous = voice_chord("F", None, 53, 69)
    low_previous = None
    for half, chord in enumerate(CHORDS):
        r = half * 8
        voicing = voice_chord(chord, previous, 53, 69)
        for v, ch in enumerate(CH_PAD):
            if half == 0 or voicing[v] != previous[v]:
                g.cells[r][ch][0] = xm_note(voicing[v])
                g.cells[r][ch][2] = VOLCOL_PORTA
        previous = voicing
        root = pitch(ROOT[chord] + "3")
        if root > pitch("Ab3"):
            root -= 12
        if root != low_previous:
            g.cells[r][CH_LOWPAD][0] = xm_note(root)
            g.cells[r][CH_LOWPAD][2] = VOLCOL_PORTA
            low_previous = root
    # Dynamics: the pad swells in the quiet verse and comes back after it.
    for ch in CH_PAD + (CH_LOWPAD,):
        g.effect(6 * ROWS, ch, SET_VOLUME, 0x1B)
        g.effect(6 * ROWS + 8, ch, VOLUME_SLIDE, 0x10)
        g.effect(6 * ROWS + 24, ch, VOLUME_SLIDE, 0x00)   # again, with the remembered speed
        g.effect(7 * ROWS, ch, SET_VOLUME, 0x1B)

    # Bass: root and fifth in quarters ("oom-pah"), half notes in the verse.
    for half, chord in enumerate(CHORDS):
        r = half * 8
        root = pitch(ROOT[chord] + "2")
        fifth = root + 7
        if pattern_of(r) == 6:
            g.note(r, CH_BASS, root, BASS, 50)
            g.key_off(r + 7, CH_BASS)
            continue
        g.note(r, CH_BASS, root, BASS, 50)
        g.key_off(r + 3, CH_BASS)
        g.note(r + 4, CH_BASS, fifth if pattern_of(r) >= 4 else root + 12, BASS, 40)
        g.key_off(r + 7, CH_BASS)
    # A walk up into the last bar of each section.
    for r, notes in ((4 * ROWS - 8, ["C2", "D2", "E2", "C2"]),
                     (8 * ROWS - 8, ["C2", "D2", "E2", "E2"])):
        for i, n in enumerate(notes):
            g.note(r + 2 * i, CH_BASS, pitch(n), BASS, 50)
            g.key_off(r + 2 * i + 1, CH_BASS)

    # Counter-melody on the glockenspiel: sparse chord tones at first, a
    # broken-chord figure, then a descant over "Jingle Bells".
    counter_prev = pitch("C6")
    for half, chord in enumerate(CHORDS):
        r = half * 8
        section = pattern_of(r)
        tones = [p for p in range(pitch("E5"), pitch("F6") + 1) if p % 12 in pitch_classes(chord)]
        if section == 0:
            # one bell a bar, stepping down through the chord and back up
            if half % 2 == 0:
                below = [q for q in tones if q < counter_prev]
                p = max(below) if below else max(tones)
                g.note(r, CH_COUNTER, p, BELLS, 26, (SET_PANNING, 0xA0))
                counter_prev = p
        elif section in (1, 3):
            low = [p for p in tones if p < pitch("D6")]
            figure = [low[0], low[1], low[2], low[1]] if len(low) >= 3 else low * 2
            for i, p in enumerate(figure[:4]):
                g.note(r + 2 * i, CH_COUNTER, p, BELLS, 22 if i else 27, (SET_PANNING, 0xA0))
        elif section == 2:
            # answers in the gaps of "don we now our gay apparel"
            if half % 2 == 1:
                up = sorted(tones)[-3:]
                for i, p in enumerate(up):
                    g.note(r + 2 * i, CH_COUNTER, p, BELLS, 24, (SET_PANNING, 0xA0))
        elif section in (4, 5, 7):
            p = min(tones, key=lambda q: abs(q - counter_prev) + (0.5 if q == counter_prev else 0))
            g.note(r, CH_COUNTER, p, BELLS, 28, (SET_PANNING, 0xA0))
            nxt = [q for q in tones if q > p]
            if nxt:
                g.note(r + 6, CH_COUNTER, nxt[0], BELLS, 20, (SET_PANNING, 0xA0))
            counter_prev = p
    # Turnaround: a run up to the first note of the tune.
    for i, n in enumerate(["F5", "G5", "A5", "Bb5"]):
        g.note(8 * ROWS - 8 + 2 * i, CH_COUNTER, pitch(n), BELLS, 22 + 3 * i, (SET_PANNING, 0xA0))

    # Sparkle: arpeggiated bells on the chords of the quiet verse and the
    # last section.
    for half, chord in enumerate(CHORDS):
        r = half * 8
        if pattern_of(r) in (6, 7) and half % 2 == 0:
            g.note(r, CH_SPARKLE, pitch(ROOT[chord] + "5"), BELLS, 18, (ARPEGGIO, MAJOR_TRIAD))
            for k in range(1, 14):
                g.effect(r + k, CH_SPARKLE, ARPEGGIO, MAJOR_TRIAD)

    # Percussion, bar by bar.
    for bar in range(32):
        r = bar * 16
        section = bar // 4
        last = bar % 4 == 3
        if section == 6:
            drum_bar(g, CH_HAT, r, "5.3.5.3.5.3.5.3.", JINGLE, 64)
            drum_bar(g, CH_SLEIGH, r, "7...5...7...5...", JINGLE, 40, SLEIGH_NOTE)
            if bar == 27:
                drum_bar(g, CH_KICK, r, "........9...9.9.", KICK, 56)
                drum_bar(g, CH_CLAP, r, "............6789", CLAP, 64)
            continue
        drum_bar(g, CH_KICK, r, "9.......9....5.." if bar % 2 else "9.......9.......", KICK, 58)
        if section >= 1:
            if last and section in (3, 7):
                drum_bar(g, CH_CLAP, r, "....9.......6789", CLAP, 64)
            else:
                drum_bar(g, CH_CLAP, r, "....9.......9...", CLAP, 64)
        drum_bar(g, CH_HAT, r, "7.4.6.4.7.4.6.4." if section < 4 else "7.3.7.3.7.3.7.3.", JINGLE, 64)
        if section >= 4:
            drum_bar(g, CH_SLEIGH, r, "8.5.7.5.8.5.7.5.", JINGLE, 40, SLEIGH_NOTE)
        elif section == 3:
            drum_bar(g, CH_SLEIGH, r, "6.......6.......", JINGLE, 40, SLEIGH_NOTE)
    return g.patterns()


def compose_intro():
    """Pattern 9: the pad swells in with sleigh bells, the glockenspiel sings
    the 'fa la la' of the first carol, bass and drums walk in."""
    g = Grid(ROWS)
    previous = voice_chord("F", None, 53, 69)
    pad_pans = (0x60, 0x80, 0xA0)
    low_previous = None
    for half, chord in enumerate(INTRO_CHORDS):
        r = half * 8
        voicing = voice_chord(chord, previous, 53, 69)
        for v, ch in enumerate(CH_PAD):
            if half == 0:
                g.note(r, ch, voicing[v], PAD, 27, (SET_PANNING, pad_pans[v]))
            elif voicing[v] != previous[v]:
                g.cells[r][ch][0] = xm_note(voicing[v])
                g.cells[r][ch][2] = VOLCOL_PORTA
        previous = voicing
        root = pitch(ROOT[chord] + "3")
        if root > pitch("Ab3"):
            root -= 12
        if half == 0:
            g.note(r, CH_LOWPAD, root, PAD, 24)
        elif root != low_previous:
            g.cells[r][CH_LOWPAD][0] = xm_note(root)
            g.cells[r][CH_LOWPAD][2] = VOLCOL_PORTA
        low_previous = root

    fa_la = phrase("r:16 | G5:2 A5:2 Bb5:2 G5:2 A5:6 G5:2 | F5:4 E5:4 F5:8 | r:16")
    play_line(g, CH_COUNTER, fa_la, 0, BELLS, 32, pan=0xA0, release=False)
    g.note(0, CH_SPARKLE, pitch("F5"), BELLS, 18, (ARPEGGIO, MAJOR_TRIAD))
    for k in range(1, 16):
        g.effect(k, CH_SPARKLE, ARPEGGIO, MAJOR_TRIAD)
    g.note(48, CH_SPARKLE, pitch("C5"), BELLS, 20, (ARPEGGIO, MAJOR_TRIAD))
    for k in range(49, 64):
        g.effect(k, CH_SPARKLE, ARPEGGIO, MAJOR_TRIAD)

    drum_bar(g, CH_SLEIGH, 0, "4.......4.......", JINGLE, 36, SLEIGH_NOTE)
    drum_bar(g, CH_SLEIGH, 16, "5...3...5...3...", JINGLE, 36, SLEIGH_NOTE)
    drum_bar(g, CH_SLEIGH, 32, "6...4...6...4...", JINGLE, 36, SLEIGH_NOTE)
    drum_bar(g, CH_SLEIGH, 48, "7.4.7.4.7.4.8.6.", JINGLE, 36, SLEIGH_NOTE)
    drum_bar(g, CH_HAT, 32, "5.3.5.3.5.3.5.3.", JINGLE, 56)
    drum_bar(g, CH_HAT, 48, "6.3.6.3.6.3.6.3.", JINGLE, 56)
    drum_bar(g, CH_KICK, 32, "8.......8.......", KICK, 56)
    drum_bar(g, CH_KICK, 48, "8.......8...8.8.", KICK, 56)
    drum_bar(g, CH_CLAP, 48, "....7...5.5.6789", CLAP, 64)

    bass = phrase("r:32 | F2:4 F3:4 C2:4 C3:4 | C2:4 C2:4 D2:4 E2:4")
    row = 0
    for p, rows in bass:
        if p is not None:
            g.note(row, CH_BASS, p, BASS, 50)
            g.key_off(row + rows - 1, CH_BASS)
        row += rows
    return g.patterns()[0]


# ---------------------------------------------------------------------------
# XM writing.


def pack_pattern(rows):
    out = bytearray()
    for row in rows:
        for note, ins, vol, eff, par in row:
            fields = (note, ins, vol, eff, par)
            if all(fields):
                out += bytes(fields)
                continue
            mask = 0x80
            for bit, value in enumerate(fields):
                if value:
                    mask |= 1 << bit
            out.append(mask)
            out += bytes(v for v in fields if v)
    return bytes(out)


def fixed_text(text, size):
    data = text.encode("ascii")[:size]
    return data + b"\0" * (size - len(data))


def sample_frames(s):
    if s.bits == 8:
        return [max(-128, min(127, int(round(v * 127)))) for v in s.wave]
    return [max(-32768, min(32767, int(round(v * 32767)))) for v in s.wave]


def delta_bytes(frames, bits):
    out = bytearray()
    old = 0
    for v in frames:
        d = v - old
        old = v
        if bits == 8:
            out.append(d & 0xFF)
        else:
            out += struct.pack("<H", d & 0xFFFF)
    return bytes(out)


def envelope_block(points):
    points = list(points or [])
    assert len(points) <= 12
    data = b"".join(struct.pack("<HH", x, y) for x, y in points)
    return data + b"\0" * (48 - len(data))


def envelope_flags(points, sustain, loop):
    if not points or len(points) < 2:
        return 0
    return 1 | (2 if sustain is not None else 0) | (4 if loop is not None else 0)


def write_instrument(ins):
    samples = ins.samples
    header = bytearray()
    header += fixed_text(ins.name, 22)
    header += bytes([0])
    header += struct.pack("<H", len(samples))
    header += struct.pack("<I", 40)
    header += bytes(ins.sample_map)
    header += envelope_block(ins.volume_env)
    header += envelope_block(ins.panning_env)
    vol_loop = ins.volume_loop or (0, 0)
    pan_loop = ins.panning_loop or (0, 0)
    header += bytes([
        len(ins.volume_env or []), len(ins.panning_env or []),
        ins.volume_sustain or 0, vol_loop[0], vol_loop[1],
        ins.panning_sustain or 0, pan_loop[0], pan_loop[1],
        envelope_flags(ins.volume_env, ins.volume_sustain, ins.volume_loop),
        envelope_flags(ins.panning_env, ins.panning_sustain, ins.panning_loop),
    ])
    header += bytes(ins.vibrato)          # type, sweep, depth, rate
    header += struct.pack("<H", ins.fadeout)
    header += b"\0" * 22                  # reserved
    out = struct.pack("<I", 4 + len(header)) + header
    assert len(out) == 263

    data = bytearray()
    for s in samples:
        frames = sample_frames(s)
        width = s.bits // 8
        loop_type = {"none": 0, "forward": 1, "pingpong": 2}[s.loop]
        if s.loop != "none":
            assert s.loop_start + s.loop_length <= len(frames)
        out += struct.pack("<III", len(frames) * width, s.loop_start * width, s.loop_length * width)
        out += struct.pack("<Bb", s.volume, s.finetune)
        out += bytes([loop_type | (0x10 if s.bits == 16 else 0), s.panning])
        out += struct.pack("<bB", s.relative, 0)
        out += fixed_text(s.name, 22)
        data += delta_bytes(frames, s.bits)
    return bytes(out) + bytes(data)


def build_module():
    instruments = make_instruments()
    patterns = compose_loop()
    assert len(patterns) == 8
    patterns.append(None)               # pattern 8: stored empty
    patterns.append(compose_intro())    # pattern 9: the intro

    out = bytearray()
    out += b"Extended Module: "
    out += fixed_text("yulecard", 20)
    out += b"\x1a"
    out += fixed_text("yulecard trackgen", 20)
    out += struct.pack("<H", 0x0104)
    orders = bytes(ORDERS) + b"\0" * (256 - len(ORDERS))
    header = struct.pack("<HHHHHHHH", len(ORDERS), RESTART, CHANNELS, PATTERN_COUNT,
                         INSTRUMENT_COUNT, 1, SPEED, BPM) + orders
    out += struct.pack("<I", 4 + len(header)) + header
    assert len(out) == 60 + 276

    for rows in patterns:
        packed = b"" if rows is None else pack_pattern(rows)
        assert len(packed) < 65536
        out += struct.pack("<IBHH", 9, 0, ROWS, len(packed)) + packed

    for number in range(1, INSTRUMENT_COUNT + 1):
        out += write_instrument(instruments[number])
    return bytes(out)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    target = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "..", "resources", "track.xm")
    data = build_module()
    assert len(data) < 65536, len(data)
    with open(target, "wb") as f:
        f.write(data)
    print(f"{os.path.normpath(target)}: {len(data)} bytes")


if __name__ == "__main__":
    main()
