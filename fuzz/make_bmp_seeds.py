#!/usr/bin/python3
"""Writes the BMP decoder's fuzzing seeds into fuzz/bmp-seeds/: tiny
pictures in each layout the decoder reads (palettes of 1, 4 and 8 bits,
16 and 32 bits with and without masks, 24 bits, the OS/2 header, rows
top-down). Run it by hand; the output is committed."""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "bmp-seeds")


def bmp(width, height, bits, pixels, palette=(), compression=0, masks=(), header=40):
    core = header == 12
    entry = 3 if core else 4
    after_header = masks if compression == 3 and header == 40 else ()
    palette_at = 14 + header + 4 * len(after_header)
    pixels_at = palette_at + entry * len(palette)
    rows = abs(height)
    row_bytes = (width * bits + 31) // 32 * 4
    data = bytearray()
    for r in range(rows):
        y = r if height < 0 else rows - 1 - r
        row = bytearray(row_bytes)
        for x in range(width):
            v = pixels(x, y)
            if bits == 1:
                row[x // 8] |= (v & 1) << (7 - x % 8)
            elif bits == 4:
                row[x // 2] |= (v & 15) << (0 if x % 2 else 4)
            else:
                row[x * bits // 8:(x + 1) * bits // 8] = v.to_bytes(bits // 8, "little")
        data += row
    if core:
        info = struct.pack("<IHHHH", 12, width, height & 0xFFFF, 1, bits)
    else:
        info = struct.pack("<IiiHHIIiiII", header, width, height, 1, bits, compression, len(data),
                           2835, 2835, len(palette), 0)
        extra = bytearray(header - 40)
        for i, m in enumerate(masks if header > 40 else ()):
            extra[4 * i:4 * i + 4] = struct.pack("<I", m)
        info += bytes(extra) + b"".join(struct.pack("<I", m) for m in after_header)
    pal = b"".join(bytes([c & 255, c >> 8 & 255, c >> 16 & 255]) + (b"" if core else b"\0")
                   for c in palette)
    head = b"BM" + struct.pack("<IHHI", pixels_at + len(data), 0, 0, pixels_at)
    return head + info + pal + bytes(data)


def grey(n):
    return [(i * 255 // max(n - 1, 1)) * 0x010101 for i in range(n)]


SEEDS = {
    "mono_13x4.bmp": bmp(13, 4, 1, lambda x, y: (x + y) & 1, grey(2)),
    "nibbles_7x3.bmp": bmp(7, 3, 4, lambda x, y: (x + 5 * y) % 16, grey(16)),
    "palette_6x3_topdown.bmp": bmp(6, -3, 8, lambda x, y: x * 3 + y, grey(20)),
    "os2_5x3.bmp": bmp(5, 3, 8, lambda x, y: x + 3 * y, grey(256), header=12),
    "rgb555_5x3.bmp": bmp(5, 3, 16, lambda x, y: (x * 0x1234 + y * 0x777) & 0x7FFF),
    "rgb565_masks_3x3.bmp": bmp(3, 3, 16, lambda x, y: (x * 0x2345 + y * 0x1111) & 0xFFFF,
                                compression=3, masks=(0xF800, 0x07E0, 0x001F)),
    "rgb24_3x5.bmp": bmp(3, 5, 24, lambda x, y: (x * 0x123456 + y * 0x654321) & 0xFFFFFF),
    "xrgb32_v5_4x3.bmp": bmp(4, 3, 32, lambda x, y: (x * 0x01234567 + y * 0x89ABCDEF) & 0xFFFFFFFF,
                             compression=3, masks=(0xFF0000, 0xFF00, 0xFF), header=124),
}

if __name__ == "__main__":
    os.makedirs(OUT, exist_ok=True)
    for name, data in SEEDS.items():
        with open(os.path.join(OUT, name), "wb") as f:
            f.write(data)
