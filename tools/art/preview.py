#!/usr/bin/python3
"""Composes one frame of the writing phase from the committed pictures, the
way the card layers them (black keyed out after the 16-bit conversion):
backdrop, snow, palm, glyphs, writing hand, frame, logo.

/usr/bin/python3 tools/art/preview.py [out.png] [glyphs-written]
"""

import math
import os
import re
import sys

import numpy as np
from PIL import Image

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
RES = os.path.join(ROOT, "resources")


def load(name):
    img = Image.open(os.path.join(RES, name))
    assert img.mode == "P", name
    return np.array(img.convert("RGB"), np.int32)


def to565(a):
    return ((a[..., 0] >> 3) << 11) | ((a[..., 1] >> 2) << 5) | (a[..., 2] >> 3)


def from565(v):
    r = (v >> 11) & 31
    g = (v >> 5) & 63
    b = v & 31
    return np.stack([(r << 3) | (r >> 2), (g << 2) | (g >> 4), (b << 3) | (b >> 2)], -1)


def blit(screen, pic, x, y, sx=0, sy=0, w=None, h=None):
    """Keyed blit of a 16-bit picture rectangle, clipped to the screen."""
    h = pic.shape[0] - sy if h is None else h
    w = pic.shape[1] - sx if w is None else w
    x0, y0 = max(x, 0), max(y, 0)
    x1, y1 = min(x + w, screen.shape[1]), min(y + h, screen.shape[0])
    if x1 <= x0 or y1 <= y0:
        return
    src = pic[sy + y0 - y:sy + y1 - y, sx + x0 - x:sx + x1 - x]
    dst = screen[y0:y1, x0:x1]
    dst[src != 0] = src[src != 0]


def greeting_pages():
    """Reads the first pages of the greeting text from its C++ source."""
    src = open(os.path.join(ROOT, "app", "greeting_text.cpp")).read()
    body = src[src.index("="):]
    literal = "".join(re.findall(r'"((?:[^"\\]|\\.)*)"', body))
    text = literal.encode().decode("unicode_escape")
    return text[5:]


def main(argv):
    out = argv[1] if len(argv) > 1 else os.path.join(ROOT, "tools", "art", "preview.png")
    count = int(argv[2]) if len(argv) > 2 else 52
    screen = np.zeros((480, 640), np.int32)
    pics = {n: to565(load(n + ".bmp")) for n in ("backdrop", "frame", "palm", "hand", "font", "logo")}
    blit(screen, pics["backdrop"], 0, 0)
    rng = np.random.default_rng(5)
    for _ in range(400):
        x, y = rng.integers(0, 639), rng.integers(0, 479)
        screen[y:y + 2, x:x + 2] = 0xFFFF
    blit(screen, pics["palm"], 0, 0)
    pen_x, pen_y, hand_x, hand_y = 138, 100, 138, 100
    placed = 0
    for ch in greeting_pages():
        if placed == count or ch in "\a\r":
            break
        if ch == "\n":
            pen_x, pen_y = 138, pen_y + 32
            continue
        code = ord(ch)
        blit(screen, pics["font"], pen_x, pen_y, 1 + 17 * ((code - 32) % 16), 1 + 17 * ((code - 32) // 16), 16, 16)
        hand_x, hand_y = pen_x, pen_y
        pen_x += 16
        placed += 1
    k = int(hand_x * np.float32(3.1415925 / 320))
    hy = int(math.sin(160 * k) * 10.0 + hand_y) - 150
    blit(screen, pics["hand"], hand_x, hy)
    blit(screen, pics["frame"], 0, 0)
    blit(screen, pics["logo"], 0, 206)
    Image.fromarray(from565(screen).astype(np.uint8), "RGB").save(out)


if __name__ == "__main__":
    main(sys.argv)
