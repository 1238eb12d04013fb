#!/usr/bin/python3
"""Writes the fuzzer's seed modules into fuzz/seeds/: a few tiny XM files
that reach every section of the loader (packed and unpacked cells, effects,
envelopes, 8- and 16-bit samples, every loop kind). Run it by hand; the
output is committed."""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def header(song_length, restart, channels, patterns, instruments, orders, bpm=125, speed=6):
    h = b"Extended Module: " + b"seed".ljust(20, b"\0") + b"\x1a" + b"seeds".ljust(20, b"\0")
    h += struct.pack("<HI", 0x0104, 276)
    h += struct.pack("<8H", song_length, restart, channels, patterns, instruments, 1, speed, bpm)
    return h + bytes(orders).ljust(256, b"\0")


def cell(note=None, ins=None, vol=None, eff=None, par=None):
    fields = [note, ins, vol, eff, par]
    mask = 0x80 | sum(1 << i for i, v in enumerate(fields) if v is not None)
    return [mask] + [v for v in fields if v is not None]


def unpacked(note, ins, vol, eff, par):
    return [note, ins, vol, eff, par]


def rows_of(*cells):
    return [b for c in cells for b in c]


def pattern(rows, packed):
    return struct.pack("<IBHH", 9, 0, rows, len(packed)) + bytes(packed)


def envelope(points):
    flat = b"".join(struct.pack("<HH", x, y) for x, y in points)
    return flat.ljust(48, b"\0")


def instrument(samples, vol_env=(), pan_env=(), vol_flags=0, pan_flags=0, sustain=0,
               loop=(0, 0), pan_loop=(0, 0), vibrato=(0, 0, 0, 0), fadeout=0x100, header_size=263):
    """samples: list of (type, loop_start, loop_length, data bytes)."""
    out = struct.pack("<I", header_size) + b"inst".ljust(22, b"\0") + b"\0"
    out += struct.pack("<H", len(samples))
    if samples:
        out += struct.pack("<I", 40) + bytes(i % len(samples) for i in range(96))
        out += envelope(vol_env) + envelope(pan_env)
        out += bytes([len(vol_env), len(pan_env), sustain, loop[0], loop[1], 0, *pan_loop,
                      vol_flags, pan_flags, *vibrato])
        out += struct.pack("<H", fadeout)
    out = out.ljust(header_size, b"\0")
    for kind, ls, ll, data in samples:
        out += struct.pack("<IIIBbBBb", len(data), ls, ll, 48, -8, kind, 128, 0)
        out += b"\0" + b"smp".ljust(22, b"\0")
    for _, _, _, data in samples:
        out += bytes(data)
    return out


def deltas(values, width=1):
    prev, out = 0, b""
    for v in values:
        d = (v - prev) & (0xFF if width == 1 else 0xFFFF)
        out += struct.pack("<B" if width == 1 else "<H", d)
        prev = v
    return out


def write(name, data):
    with open(os.path.join(HERE, "seeds", name), "wb") as f:
        f.write(data)


def main():
    os.makedirs(os.path.join(HERE, "seeds"), exist_ok=True)
    saw = [((i * 16) & 0xFF) - 128 & 0xFF for i in range(32)]
    sine16 = [int(12000 * ((i % 16) - 8) / 8) & 0xFFFF for i in range(32)]

    # Two channels, four rows: notes with instrument, volume column and
    # effects (arpeggio, slides, set speed), a key off.
    cells = rows_of(cell(49, 1, 0x40), cell(),
                    cell(61, 1, eff=0x0A, par=0x0F), cell(eff=0x00, par=0x37),
                    cell(97), unpacked(53, 1, 0x62, 0x01, 0x10),
                    cell(eff=0x0F, par=0x03), cell(vol=0xC4, eff=0x04, par=0x44))
    write("notes_8bit_loop.xm",
          header(1, 0, 2, 1, 1, [0]) + pattern(4, cells)
          + instrument([(1, 8, 16, deltas(saw))], vol_env=[(0, 64), (8, 32), (20, 0)],
                       vol_flags=3, sustain=1, fadeout=0x400))

    # Ping-pong 16-bit sample, panning envelope with a loop, auto-vibrato;
    # one channel, six rows.
    cells = rows_of(unpacked(49, 1, 0x30, 0x04, 0x46), cell(), cell(73, 1),
                    cell(eff=0x03, par=0x20), cell(eff=0x09, par=0x01), cell(97))
    write("pingpong_16bit_envelopes.xm",
          header(2, 1, 1, 1, 1, [0, 0], bpm=140, speed=3) + pattern(6, cells)
          + instrument([(0x12, 8, 40, deltas(sine16, 2))],
                       pan_env=[(0, 32), (4, 64), (8, 0), (12, 32)], pan_flags=5, pan_loop=(1, 3),
                       vibrato=(1, 4, 8, 16)))

    # Jumps and breaks across patterns, an order past the stored patterns,
    # an empty instrument of header size 29 and a 16-sample instrument.
    p0 = rows_of(cell(25, 2), cell(eff=0x0D, par=0x01), cell(), cell())
    p1 = rows_of(cell(eff=0x0B, par=0x02), cell(), cell(), cell(), cell(37, 2), cell())
    many = [(0, 0, 0, deltas(saw[:4])) for _ in range(16)]
    write("orders_jumps_many_samples.xm",
          header(3, 0, 2, 2, 2, [0, 1, 3]) + pattern(2, p0) + pattern(3, p1)
          + instrument([], header_size=29) + instrument(many))


if __name__ == "__main__":
    main()
