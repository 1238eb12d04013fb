#!/usr/bin/python3
"""Draws the card's pictures into resources/: backdrop, holly frame, open
palm, writing hand, font sheet, logo, window icon and the desktop's icons.

Run from anywhere: /usr/bin/python3 tools/art/make_art.py [only...]
Fixed seeds: a re-run gives the same files. Needs python3-numpy,
python3-pil and fonts-dejavu-core and fonts-dejavu-extra; the build never runs it.
"""

import os
import sys

import numpy as np
from PIL import Image, ImageDraw, ImageFilter, ImageFont

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from artlib import (Canvas, bevel_normals, capsule, chain, circle, ellipse,  # noqa: E402
                    height_normals, nearest_indices, polygon, quantise, rgb, rounded_box, save_bmp,
                    segment_distance, shade, smin, value_noise, write_bmp)

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
OUT = os.path.join(ROOT, "resources")
# The greeting's glyphs: a face made for a fixed advance, so that words read
# as words at the writer's 16 pixels a letter; drawn broader to fill them.
FONT_SHEET = "/usr/share/fonts/truetype/dejavu/DejaVuSansMono-BoldOblique.ttf"
FONT_SHEET_BROADEN = 1.6
# Broadened, the en dash would be the em dash's length; at the face's own
# width it stands between the hyphen and the em dash, as a reader expects.
FONT_SHEET_BROADEN_EN_DASH = 1.0
FONT_LOGO = "/usr/share/fonts/truetype/dejavu/DejaVuSerif-Bold.ttf"
FONT_LOGO_WORD = "/usr/share/fonts/truetype/dejavu/DejaVuSerif-BoldItalic.ttf"

# Skin, shared by the palm and the writing hand.
SKIN_LIT = rgb("fde2c8")
SKIN_DARK = rgb("d99a80")
SKIN_LINE = rgb("7a3a2c")
SKIN_PINK = rgb("f2b1a2")
# The writing hand is a shade warmer, so it stands apart from the palm.
HAND_LIT = rgb("f9d2b4")
HAND_DARK = rgb("c8806a")
NAIL_LIT = rgb("ffeee8")
NAIL_DARK = rgb("dc9a8e")
NAIL_LINE = rgb("a05a4e")

# The ink of the text; dark, never black.
INK = rgb("1d2266")


# ======================================================================= palm

def palm_shape(X, Y):
    body = rounded_box(X, Y, 298, 228, 176, 142, 86)
    lower = ellipse(X, Y, 292, 340, 150, 90)
    wrist = capsule(X, Y, 292, 380, 296, 560, 112, 118)
    d = smin(body, lower, 40)
    d = smin(d, wrist, 50)
    thumb = chain(X, Y, [(168, 320, 56), (98, 250, 43), (52, 176, 35)], k=8)
    d = smin(d, thumb, 36)
    for f in PALM_FINGERS:
        d = smin(d, capsule(X, Y, *f), 16)
    return d


# (base x, base y, tip x, tip y, base radius, tip radius)
PALM_FINGERS = [
    (178, 124, 118, -14, 34, 29),
    (259, 108, 238, -44, 35, 31),
    (342, 112, 362, -34, 33, 29),
    (424, 136, 476, 22, 29, 25),
]


def make_palm():
    c = Canvas(475, 480, 3)
    r = c.whole()
    X, Y = r.X, r.Y
    d = palm_shape(X, Y)
    n = bevel_normals(d, 30.0, r.step)
    col = shade(n, SKIN_DARK, SKIN_LIT, gloss=0.12, power=12)
    # Warm pink on the pads of the fingers and the thumb's mound, soft
    # enough to leave the writing area plain.
    pads = np.zeros(X.shape, np.float32)
    for bx, by, tx, ty, rb, rt in PALM_FINGERS:
        pads = np.maximum(pads, np.exp(-(np.hypot(X - tx, Y - ty) / 34.0) ** 2))
    pads = np.maximum(pads, 0.8 * np.exp(-(np.hypot(X - 70, Y - 200) / 40.0) ** 2))
    pads = np.maximum(pads, 0.45 * np.exp(-((X - 120) / 30.0) ** 2 - ((Y - 330) / 60.0) ** 2))
    pads = np.maximum(pads, 0.5 * np.exp(-((X - 420) / 42.0) ** 2 - ((Y - 392) / 46.0) ** 2))
    col = col + (SKIN_PINK - col) * (0.55 * pads)[..., None]
    r.shape(d, col, SKIN_LINE, width=2.2)

    # Creases: the finger joints and the line round the thumb, kept away
    # from where the text is written.
    crease = np.full(X.shape, 1e9, np.float32)
    for bx, by, tx, ty, rb, rt in PALM_FINGERS:
        ax, ay = tx - bx, ty - by
        length = np.hypot(ax, ay)
        ux, uy = ax / length, ay / length
        px, py = -uy, ux
        for f, half in ((0.42, 0.55), (0.72, 0.5)):
            cx, cy = bx + ax * f, by + ay * f
            w = (rb + (rt - rb) * f) * half
            bow = 3.0
            pts = [(cx - px * w, cy - py * w), (cx - ux * bow, cy - uy * bow), (cx + px * w, cy + py * w)]
            crease = np.minimum(crease, segment_distance(X, Y, pts))
    crease = np.minimum(crease, segment_distance(X, Y, [(128, 232), (131, 300), (148, 362), (186, 420), (214, 452)]))
    crease = np.minimum(crease, segment_distance(X, Y, [(96, 292), (112, 272), (124, 246)]))
    inside = d < -2.5
    r.blend(np.where(inside, 0.42 * np.exp(-(crease / 1.3) ** 2), 0), rgb("b06a58"))

    # A knitted cuff at the wrist.
    sleeve = rounded_box(X, Y, 294, 470, 150, 44, 18, angle=-0.02)
    rib = 0.5 + 0.5 * np.cos(X * (2 * np.pi / 11.0))
    height = 3.0 * rib + 6.0 * np.sqrt(np.clip(-sleeve / 12.0, 0, 1))
    nn = height_normals(height, r.step)
    knit = shade(nn, rgb("7a0f1c"), rgb("d8323c"), gloss=0.1, power=8)
    band = (np.abs(Y - 452) < 4) | (np.abs(Y - 466) < 2)
    knit[band] = shade(nn, rgb("b8b8c8"), rgb("fbfbff"))[band]
    r.shape(sleeve, knit, rgb("4a0810"), width=2.0)
    return c.finish()


# =============================================================== writing hand

PEN_ANGLE = np.radians(27.0)
PEN_DIR = np.array([np.cos(PEN_ANGLE), np.sin(PEN_ANGLE)])
PEN_UP = np.array([PEN_DIR[1], -PEN_DIR[0]])  # across the pen, upwards


def pen_point(t, off=0.0):
    return np.array([0.0, 150.0]) + PEN_DIR * t + PEN_UP * off


def make_hand():
    c = Canvas(608, 560, 3)
    r = c.whole()
    X, Y = r.X, r.Y
    step = r.step

    def skin(d, radius=18.0):
        n = bevel_normals(d, radius, step)
        return shade(n, HAND_DARK, HAND_LIT, gloss=0.18, power=14)

    # Sleeve with a fur cuff, off to the lower right.
    arm = capsule(X, Y, 330, 340, 700, 700, 92, 130)
    sleeve = capsule(X, Y, 450, 470, 760, 760, 120, 150)
    r.shape(arm, skin(arm, 30), SKIN_LINE, 2.2)
    n = bevel_normals(sleeve, 40.0, step)
    folds = 0.5 + 0.5 * np.sin((X - Y) / 23.0 + 2.0 * value_noise(X, Y, 40, 7))
    red = shade(n, rgb("6e0a12"), rgb("e0303a"), gloss=0.25, power=10)
    red = red * (0.88 + 0.12 * folds)[..., None]
    r.shape(sleeve, red, rgb("3e050a"), 2.2)
    cuff_axis = np.array([0.7071, 0.7071])
    u = (X - 430) * cuff_axis[0] + (Y - 450) * cuff_axis[1]
    v = -(X - 430) * cuff_axis[1] + (Y - 450) * cuff_axis[0]
    fluff = value_noise(X, Y, 7, 11) + 0.5 * value_noise(X, Y, 3, 12)
    cuff = np.maximum(np.abs(u) - 30, np.abs(v) - 175) - 7.0 * fluff + 3
    cuff = smin(cuff, np.hypot(np.maximum(np.abs(u) - 22, 0), np.maximum(np.abs(v) - 160, 0)) - 12, 8)
    fh = 10 * np.sqrt(np.clip(-cuff / 16.0, 0, 1)) + 3.0 * fluff
    fur = shade(height_normals(fh, step), rgb("a9b2cc"), rgb("ffffff"), wrap=0.5)
    r.shape(cuff, fur, rgb("4e5874"), 2.0)

    # The back of the hand, with the index finger's knuckle fused in.
    mass = ellipse(X, Y, 262, 318, 112, 92, PEN_ANGLE + 0.15)
    kx, ky = pen_point(262, 52)
    mx, my = pen_point(188, 30)
    tx, ty = pen_point(122, 15)
    knuckle = circle(X, Y, kx, ky, 34)
    back = smin(mass, knuckle, 30)
    r.shape(back, skin(back, 34), SKIN_LINE, 2.2)
    # Middle, ring and little finger curled under the grip, their nails
    # towards the viewer.
    for (ax, ay, bx, by, fr) in [(262, 336, 212, 352, 25), (282, 370, 238, 388, 23), (300, 402, 264, 416, 20)]:
        f = capsule(X, Y, ax, ay, bx, by, fr + 2, fr)
        r.shape(f, skin(f, 14), SKIN_LINE, 2.0)
        nail = ellipse(X, Y, bx - fr * 0.3, by + fr * 0.28, fr * 0.42, fr * 0.3, 0.5)
        r.shape(nail, shade(bevel_normals(nail, 5, step), NAIL_DARK, NAIL_LIT, gloss=0.5, power=20),
                NAIL_LINE, 1.2)

    # The pen: a gold nib with its slit, a silver ferrule, a red lacquered
    # holder with a gold cap.
    def along(t0, t1, r0, r1):
        a = pen_point(t0)
        b = pen_point(t1)
        return capsule(X, Y, a[0], a[1], b[0], b[1], r0, r1)

    holder = along(92, 330, 9.0, 10.5)
    n = bevel_normals(holder, 10.0, step)
    r.shape(holder, shade(n, rgb("5a0a16"), rgb("d02a3a"), gloss=0.8, power=40), rgb("300408"), 1.6)
    cap = along(326, 342, 11.0, 11.0)
    r.shape(cap, shade(bevel_normals(cap, 10, step), rgb("7a5210"), rgb("ffd86a"), gloss=0.7, power=30),
            rgb("3e2a06"), 1.6)
    ferrule = along(60, 96, 7.0, 9.5)
    ring = 0.5 + 0.5 * np.cos(((X * PEN_DIR[0] + (Y - 150) * PEN_DIR[1]) - 52) * (2 * np.pi / 9.0))
    metal = shade(bevel_normals(ferrule, 8, step), rgb("5a6270"), rgb("f4f6fa"), gloss=0.8, power=30)
    metal = metal * (0.85 + 0.15 * ring)[..., None]
    r.shape(ferrule, metal, rgb("262a34"), 1.6)
    nib = along(0.6, 64, 0.4, 7.5)
    n = bevel_normals(nib, 6, step)
    gold = shade(n, rgb("7a5a12"), rgb("ffe08a"), gloss=0.8, power=24)
    slit = segment_distance(X, Y, [tuple(pen_point(2)), tuple(pen_point(40))])
    gold[slit < 0.6] = rgb("3a2a08")
    hole = np.hypot(X - pen_point(42)[0], Y - pen_point(42)[1]) < 2.4
    gold[hole] = rgb("3a2a08")
    r.shape(nib, gold, rgb("3a2a08"), 1.2)

    # The thumb, pressing the pen from below.
    thumb = chain(X, Y, [(226, 352, 31), (192, 300, 24), (164, 258, 19)], k=10)
    r.shape(thumb, skin(thumb, 18), SKIN_LINE, 2.2)
    nail = ellipse(X, Y, 163, 262, 11, 8, -0.95)
    r.shape(nail, shade(bevel_normals(nail, 6, step), NAIL_DARK, NAIL_LIT, gloss=0.6, power=24),
            NAIL_LINE, 1.3)

    # The index finger lying along the pen.
    index = chain(X, Y, [(kx, ky, 27), (mx, my, 23), (tx, ty, 19)], k=8)
    r.shape(index, skin(index, 16), SKIN_LINE, 2.2)
    nx, ny = pen_point(130, 22)
    nail = ellipse(X, Y, nx, ny, 14, 8, PEN_ANGLE)
    r.shape(nail, shade(bevel_normals(nail, 6, step), NAIL_DARK, NAIL_LIT, gloss=0.6, power=24),
            NAIL_LINE, 1.3)
    # Joint creases on the index finger.
    crease = np.full(X.shape, 1e9, np.float32)
    for t, off, w in ((200, 36, 12), (158, 24, 10)):
        a = pen_point(t - 3, off - w)
        m = pen_point(t + 2, off)
        b = pen_point(t - 3, off + w)
        crease = np.minimum(crease, segment_distance(X, Y, [tuple(a), tuple(m), tuple(b)]))
    r.blend(np.where(index < -2, 0.5 * np.exp(-(crease / 1.2) ** 2), 0), rgb("b06a58"))

    colour, opaque = c.finish()
    # The writing tip is exactly at (0, 150), and nothing else touches
    # column 0, so the text writer's pen point is the nib.
    opaque[:, 0] = False
    colour[:, 0] = 0
    opaque[150, 0] = True
    colour[150, 0] = rgb("3a2a08")
    return colour, opaque


# ====================================================================== frame

def leaf_outline(length, width, seed):
    """Holly leaf outline in leaf space (u from stalk to tip, v across):
    spines on both sides joined by inward curving edges."""
    rng = np.random.default_rng(seed)

    def half_width(u):
        return width / 2 * np.sin(np.pi * np.clip(u / length, 0, 1)) ** 0.75

    sides = []
    for side in (1, -1):
        spines = [0.16, 0.38, 0.6, 0.8] + rng.uniform(-0.03, 0.03, 4)
        tips = [(length * f, side * half_width(length * f) * 1.18) for f in spines]
        pts = []
        prev = (0.0, 0.0)
        for tip in tips + [(length * 1.04, 0.0)]:
            # Quadratic curve from the previous spine to this one, pulled
            # in towards the midrib.
            mu = (prev[0] + tip[0]) / 2
            ctrl = (mu, side * half_width(mu) * 0.55)
            for t in np.linspace(0, 1, 7)[1:]:
                x = (1 - t) ** 2 * prev[0] + 2 * (1 - t) * t * ctrl[0] + t * t * tip[0]
                y = (1 - t) ** 2 * prev[1] + 2 * (1 - t) * t * ctrl[1] + t * t * tip[1]
                pts.append((x, y))
            prev = tip
        sides.append(pts)
    right, left = sides
    return [(0.0, 0.0)] + right + left[::-1][1:]


def holly_leaf(r, bx, by, angle, length, width, seed):
    """One glossy holly leaf from its stalk at (bx, by)."""
    X, Y = r.X, r.Y
    ca, sa = np.cos(angle), np.sin(angle)
    u = (X - bx) * ca + (Y - by) * sa
    v = -(X - bx) * sa + (Y - by) * ca
    d = polygon(u, v, leaf_outline(length, width, seed))
    stalk = capsule(u, v, -6, 0, 4, 0, 1.6)
    d = np.minimum(d, stalk)
    # Folded along the midrib: each half tilts its own way, and the leaf
    # curls a little towards its tip.
    tilt = np.where(v > 0, 0.5, -0.5)
    curl = 0.35 * (u / length - 0.5)
    lx = -sa * tilt + ca * curl
    ly = ca * tilt + sa * curl
    bn = bevel_normals(d, 3.5, r.step)
    n = bn + np.stack([lx, ly, np.zeros_like(lx)], -1)
    n = n / np.linalg.norm(n, axis=-1, keepdims=True)
    rng = np.random.default_rng(seed)
    hue = rng.uniform(-1, 1)
    dark = rgb("0a3a1a") + hue * np.array([2, 6, 2], np.float32)
    lit = rgb("3f9a46") + hue * np.array([10, 14, 4], np.float32)
    col = shade(n, dark, lit, gloss=0.75, power=22, spec_color=(225, 255, 225))
    vein = np.abs(v) < 0.8 * (1.1 - u / length)
    rib = vein & (u > 1) & (u < length * 0.92)
    col[rib] = col[rib] * 0.45 + rgb("b8d884") * 0.55
    r.shape(d, col, rgb("062612"), 1.3)


def berry(r, x, y, rad):
    d = circle(r.X, r.Y, x, y, rad)
    n = bevel_normals(d, rad, r.step)
    col = shade(n, rgb("6a0610"), rgb("f0303c"), gloss=0.95, power=40)
    r.shape(d, col, rgb("380308"), 1.4)
    dot = circle(r.X, r.Y, x + rad * 0.25, y + rad * 0.3, rad * 0.18)
    r.canvas.rgb[r.slices][dot < 0] = rgb("4a1408")


def border_path(inset, step, rng):
    """Points round the picture's edge, clockwise, with their tangents."""
    w, h = 640, 480
    pts = []
    corners = [(inset, inset), (w - inset, inset), (w - inset, h - inset), (inset, h - inset)]
    for (ax, ay), (bx, by) in zip(corners, corners[1:] + corners[:1]):
        length = np.hypot(bx - ax, by - ay)
        count = max(1, int(round(length / step)))
        for i in range(count):
            f = (i + 0.5 + rng.uniform(-0.2, 0.2)) / count
            pts.append((ax + (bx - ax) * f, ay + (by - ay) * f, np.arctan2(by - ay, bx - ax)))
    return pts


def make_frame():
    c = Canvas(640, 480, 3)
    rng = np.random.default_rng(2024)
    leaves = []
    berries = []
    # Sprigs of three leaves along the edges, turned alternately along the
    # edge, so the band stays narrow and the middle open.
    for ring, (inset, step, size) in enumerate([(6, 48, 1.2), (22, 60, 1.0)]):
        for i, (x, y, tangent) in enumerate(border_path(inset, step, rng)):
            heading = tangent + (np.pi if (i + ring) % 2 else 0.0) + rng.uniform(-0.25, 0.25)
            inward = tangent + np.pi / 2
            for k, spread in enumerate((-0.95, 0.0, 0.95)):
                a = heading + spread + rng.uniform(-0.12, 0.12)
                # Leaves reaching into the picture are kept shorter.
                reach = np.cos(a - inward)
                length = size * rng.uniform(46, 56) * (1.0 - 0.3 * max(reach, 0.0))
                leaves.append((x, y, a, length, length * rng.uniform(0.5, 0.56)))
            if (i + ring) % 2 == 0:
                berries.append((x, y, 3))
    # Fuller sprays in the corners.
    for cx, cy, base in [(0, 0, np.pi / 4), (640, 0, 3 * np.pi / 4),
                         (640, 480, 5 * np.pi / 4), (0, 480, 7 * np.pi / 4)]:
        for k in range(5):
            a = base + (k - 2) * 0.5 + rng.uniform(-0.08, 0.08)
            length = rng.uniform(64, 72)
            leaves.append((cx + 6 * np.cos(a), cy + 6 * np.sin(a), a, length, length * 0.52))
        berries.append((cx + 26 * np.cos(base), cy + 26 * np.sin(base), 5))
    for i in rng.permutation(len(leaves)):
        x, y, a, length, width = leaves[i]
        reach = length + 10
        r = c.region(x - reach, y - reach, x + reach, y + reach)
        if r is not None:
            holly_leaf(r, x, y, a, length, width, int(i) + 100)
    for x, y, count in berries:
        a0 = rng.uniform(0, 2 * np.pi)
        for k in range(count):
            a = a0 + 2 * np.pi * k / count
            rad = rng.uniform(6.0, 7.4)
            spread = 7.5 if count == 3 else 10.0
            bx, by = x + spread * np.cos(a), y + spread * np.sin(a)
            rr = c.region(bx - 12, by - 12, bx + 12, by + 12)
            if rr is not None:
                berry(rr, bx, by, rad)
    return c.finish()


# =================================================================== backdrop

def pine(r, x, base, height, snow_seed):
    """A snow-capped pine of stacked tiers."""
    X, Y = r.X, r.Y
    tiers = 4
    d = capsule(X, Y, x, base, x, base - height * 0.15, height * 0.035)
    trunk = d
    r.shape(trunk, rgb("3b2418"), rgb("1c120c"), 1.0)
    for k in range(tiers):
        top = base - height * (0.28 + 0.72 * (k + 1) / tiers)
        bottom = base - height * (0.12 + 0.72 * k / tiers) - height * 0.04 * k
        half = height * 0.36 * (1 - 0.7 * k / tiers)
        # Triangle as the intersection of two slanted half planes and a base.
        sx = half / (bottom - top)
        left = ((x - X) - sx * (Y - top)) / np.sqrt(1 + sx * sx)
        right = ((X - x) - sx * (Y - top)) / np.sqrt(1 + sx * sx)
        droop = 3.0 * np.cos((X - x) / half * 3.0 * np.pi) * (height / 120.0)
        floor = Y - bottom - droop
        tri = np.maximum(np.maximum(left, right), floor)
        shadeside = np.clip(0.5 + (X - x) / (2 * half), 0, 1)[..., None]
        green = rgb("2f6a4e") * (1 - shadeside) + rgb("12382e") * shadeside
        r.shape(tri, green, rgb("0a1c1a"), 1.0)
        # Snow on the upper part of each tier, lit by the moon on the right.
        wave = value_noise(X, Y, 5, snow_seed + k) * 6.0 * height / 120.0
        snowline = top + (bottom - top) * 0.45 + wave - np.abs(X - x) * 0.15
        cap = np.maximum(tri + 1.0, Y - snowline)
        lit = np.clip(0.5 + (X - x) / (2 * half), 0, 1)[..., None]
        white = rgb("c4d2ee") * (1 - lit) + rgb("f4f8ff") * lit
        r.paint(cap < 0, white)


def make_backdrop():
    W, H = 640, 480
    c = Canvas(W, H, 2)
    r = c.whole()
    X, Y = r.X, r.Y
    rng = np.random.default_rng(1224)
    # Night sky: deep blue above, a violet glow down at the horizon.
    t = np.clip(Y / 330.0, 0, 1)[..., None]
    sky = rgb("060a26") * (1 - t) ** 1.3 + rgb("2a3a86") * (1 - (1 - t) ** 1.3)
    sky = sky + (rgb("6a4a92") - sky) * (np.clip((Y - 200) / 140.0, 0, 1) ** 2 * 0.55)[..., None]
    # Moon with a halo.
    mx, my, mr = 548, 92, 30
    dm = np.hypot(X - mx, Y - my)
    glow = np.exp(-((dm - mr) / 60.0).clip(0) ** 1.2) * 0.55 + np.exp(-((dm - mr) / 16.0).clip(0)) * 0.3
    sky = sky + (rgb("c8d4ff") - sky) * np.clip(glow, 0, 1)[..., None] * 0.6
    c.rgb[:] = sky
    c.cover[:] = True
    # Stars, brighter and sparser away from the moon.
    for i in range(260):
        sx, sy = rng.uniform(0, W), rng.uniform(0, 300) ** 1.0
        if np.hypot(sx - mx, sy - my) < 70:
            continue
        size = rng.choice([0.6, 0.8, 1.0, 1.4], p=[0.45, 0.3, 0.17, 0.08])
        rr = c.region(sx - 8, sy - 8, sx + 8, sy + 8)
        if rr is None:
            continue
        dd = np.hypot(rr.X - sx, rr.Y - sy)
        a = np.exp(-(dd / size) ** 2)
        if size >= 1.4:
            a = np.maximum(a, np.exp(-(np.abs(rr.X - sx) / 0.5) ** 2 - (np.abs(rr.Y - sy) / 5.0) ** 2))
            a = np.maximum(a, np.exp(-(np.abs(rr.Y - sy) / 0.5) ** 2 - (np.abs(rr.X - sx) / 5.0) ** 2))
        tint = rgb("fff4d8") if rng.random() < 0.3 else rgb("eef2ff")
        rr.blend(a * rng.uniform(0.6, 1.0), tint)
    moon = circle(X, Y, mx, my, mr)
    mn = bevel_normals(moon, mr, r.step)
    craters = value_noise(X, Y, 9, 3) * 0.6 + value_noise(X, Y, 4, 4) * 0.4
    face = rgb("fff6d6")[None, None, :] * (0.84 + 0.16 * craters)[..., None]
    face = face * (0.82 + 0.18 * np.clip(mn @ np.array([0.5, -0.4, 0.77]), 0, 1))[..., None]
    r.paint(moon < 0, face)

    # Three rolling snow hills, far to near.
    hills = [
        (300, [(0.011, 18, 0.3), (0.027, 7, 1.9)], rgb("5a6aa8"), rgb("8e9ed4")),
        (350, [(0.008, 22, 2.2), (0.021, 9, 0.7)], rgb("7286c4"), rgb("bccaf0")),
        (410, [(0.006, 26, 4.0), (0.017, 10, 2.9)], rgb("8ea0d8"), rgb("eef3ff")),
    ]
    trees = {
        0: [(28, 300, 44), (60, 296, 52), (430, 292, 40), (462, 298, 48), (610, 296, 46)],
        1: [(90, 348, 76), (130, 352, 60), (470, 344, 70), (598, 340, 84)],
        2: [(36, 420, 120), (604, 410, 118)],
    }
    for level, (baseline, waves, dark, lit) in enumerate(hills):
        surface = baseline + sum(a * np.sin(X * f + p) for f, a, p in waves)
        d = surface - Y
        # Slope of the surface gives the snow its moonlight from the right.
        slope = sum(a * f * np.cos(X * f + p) for f, a, p in waves)
        light = np.clip(0.55 + 1.6 * slope + 0.25 * np.exp(-(-d) / 30.0), 0, 1)[..., None]
        col = dark + (lit - dark) * light
        depth = np.clip((Y - surface) / 90.0, 0, 1)[..., None]
        col = col + (dark * 0.8 - col) * depth * 0.5
        # Glints in the snow.
        glint = (value_noise(X, Y, 1.3, 40 + level) > 0.965) & (d < -3)
        col[glint] = rgb("ffffff")
        r.paint(d < 0, col)
        r.paint((d < 0) & (d > -1.2), lit * 1.05)
        if level == 1:
            cabin(c, 520, 346)
        for tx, tb, th in trees[level]:
            rr = c.region(tx - th * 0.45, tb - th * 1.1, tx + th * 0.45, tb + 6)
            pine(rr, tx, tb + 4, th, int(tx))
    return c.finish(threshold=0.0)


def cabin(c, x, base):
    """A small log cabin with lit windows and a snowy roof."""
    r = c.region(x - 70, base - 160, x + 70, base + 20)
    X, Y = r.X, r.Y
    # Window glow on the snow first.
    glow = np.exp(-((X - x) / 60.0) ** 2 - ((Y - base - 4) / 14.0) ** 2)
    r.blend(glow * 0.45 * (Y > base - 6), rgb("ffcc66"))
    wall = rounded_box(X, Y, x, base - 22, 40, 22, 2)
    logs = 0.5 + 0.5 * np.cos((Y - base) * (2 * np.pi / 7.0))
    wood = rgb("5a3420")[None, None, :] * (0.75 + 0.25 * logs)[..., None]
    r.shape(wall, wood, rgb("24140c"), 1.0)
    for wx in (x - 20, x + 20):
        win = rounded_box(X, Y, wx, base - 22, 8, 8, 1.5)
        warm = rgb("ffd040") + (rgb("f08418") - rgb("ffd040")) * np.clip((Y - (base - 30)) / 16.0, 0, 1)[..., None]
        bars = (np.abs(X - wx) < 0.7) | (np.abs(Y - (base - 22)) < 0.7)
        warm[bars] = rgb("6a3a18")
        r.shape(win, warm, rgb("24140c"), 1.0)
    door = rounded_box(X, Y, x + 2, base - 12, 7, 12, 1.5)
    r.shape(door, rgb("3a2014"), rgb("1c0e08"), 1.0)
    chimney = rounded_box(X, Y, x + 22, base - 64, 6, 14, 1)
    r.shape(chimney, rgb("6a3a2c"), rgb("24140c"), 1.0)
    # Roof: a wide triangle heavy with snow.
    sx = 56 / 36
    left = ((x - X) - sx * (Y - (base - 80))) / np.sqrt(1 + sx * sx)
    right = ((X - x) - sx * (Y - (base - 80))) / np.sqrt(1 + sx * sx)
    roof = np.maximum(np.maximum(left, right), Y - (base - 40))
    roof = smin(roof, rounded_box(X, Y, x, base - 42, 58, 5, 5), 4)
    litside = np.clip(0.5 + (X - x) / 90.0, 0, 1)[..., None]
    r.shape(roof, rgb("b8c6ea") * (1 - litside) + rgb("f6f9ff") * litside, rgb("4a5680"), 1.2)
    # Smoke drifting left.
    for k in range(5):
        px, py, pr = x + 22 - k * 9 - k * k * 2, base - 84 - k * 12, 5 + k * 1.6
        puff = circle(X, Y, px, py, pr)
        r.blend(np.exp(-np.clip(puff + pr * 0.6, 0, None) / (3.0 + k)) * (0.3 - 0.05 * k), rgb("c8ccdc"))


# ====================================================================== font

def palm_text_colour():
    """The palm's plain colour under the text, for pre-blending glyph edges."""
    colour, opaque = make_palm.cache
    return colour[160:300, 180:420][opaque[160:300, 180:420]].mean(axis=0)


def snowflake_mask(size, ss):
    c = Canvas(size, size, ss)
    r = c.whole()
    X, Y = r.X, r.Y
    cx = cy = size / 2
    d = np.full(X.shape, 1e9, np.float32)
    for k in range(6):
        a = k * np.pi / 3 + np.pi / 2
        ex, ey = cx + 6.6 * np.cos(a), cy + 6.6 * np.sin(a)
        d = np.minimum(d, capsule(X, Y, cx, cy, ex, ey, 0.75))
        for f, arm in ((0.55, 2.3),):
            bx, by = cx + 6.6 * f * np.cos(a), cy + 6.6 * f * np.sin(a)
            for s in (-1, 1):
                b = a + s * 0.8
                d = np.minimum(d, capsule(X, Y, bx, by, bx + arm * np.cos(b), by + arm * np.sin(b), 0.6))
    d = np.minimum(d, circle(X, Y, cx, cy, 1.6))
    cov = (d < 0).reshape(size, ss, size, ss).mean(axis=(1, 3))
    return cov


# The sheet: 16 cells a row. Each block starts a row of its own and runs
# in code order, so a cell's place reads off its code point; new rows go
# below, so a cell never moves. effects/text_format.h maps code points to
# the same cells.
FONT_BLOCKS = (  # first code point, last, first row
    (0x0020, 0x007F, 0),   # ASCII; 127 is the snowflake
    (0x00A0, 0x00FF, 6),   # Latin-1
    (0x0100, 0x017F, 12),  # Latin Extended-A
    (0x0380, 0x03CF, 20),  # Greek
    (0x0400, 0x045F, 25),  # Cyrillic
)
# Code points of the Greek rows that are no modern Greek letter or mark:
# unassigned, or archaic. Their cells stay blank.
GREEK_BLANK = (0x0380, 0x0381, 0x0382, 0x0383, 0x038B, 0x038D, 0x03A2, 0x03CF)
# The rest, in code order from row 31: Romanian comma below, Ukrainian ghe
# with upturn, dashes, quotes, bullet, ellipsis, euro.
FONT_EXTRAS = (0x0218, 0x0219, 0x021A, 0x021B, 0x0490, 0x0491, 0x2013, 0x2014, 0x2018, 0x2019, 0x201A,
                0x201C, 0x201D, 0x201E, 0x2022, 0x2026, 0x20AC)
EXTRAS_ROW = 31
FONT_ROWS = 33
ASCII_ROWS = 6


def font_cells():
    """(code, column, row) of every glyph of the sheet."""
    for first, last, row in FONT_BLOCKS:
        for code in range(first, last + 1):
            if code not in GREEK_BLANK:
                yield code, (code - first) % 16, row + (code - first) // 16
    for i, code in enumerate(FONT_EXTRAS):
        yield code, i % 16, EXTRAS_ROW + i // 16


def fitted_coverage(ch, font, cell, ss, baseline, broaden):
    """A glyph's coverage of its cell: drawn centred on its advance and
    `broaden` times as wide, with room around it; ink that would leave the
    cell is moved back in, and where it cannot be (the accent over a capital,
    a wide ligature) the glyph is squeezed towards its baseline and its
    middle until it fits."""
    pad = cell // 2
    size = (cell + 2 * pad) * ss
    base = (pad + baseline) * ss
    big = Image.new("L", (size, size), 0)
    ImageDraw.Draw(big).text((size / 2, base), ch, font=font, fill=255, anchor="ms")
    wide = round(size * broaden)
    big = big.resize((wide, size), Image.LANCZOS).crop(((wide - size) // 2, 0, (wide - size) // 2 + size, size))
    box = big.getbbox()
    if box is None:
        return np.zeros((cell, cell), np.float32)
    left, top, right, bottom = box
    lo, hi = pad * ss, (pad + cell) * ss
    # Above the baseline the ink may rise to the cell's top, below it sink
    # to the cell's bottom; one factor keeps the glyph's proportions there.
    sy = min(1.0, (base - lo) / max(1, base - top), (hi - base) / max(1, bottom - base))
    sx = min(1.0, cell * ss / max(1, right - left))
    if sx < 1.0 or sy < 1.0:
        w, h = max(1, round(size * sx)), max(1, round(size * sy))
        small = big.resize((w, h), Image.LANCZOS)
        big = Image.new("L", (size, size), 0)
        big.paste(small, (round(size / 2 - w / 2), round(base - base * sy)))
        left, top, right, bottom = big.getbbox()
    shift = max(0, lo - left) - max(0, right - hi)
    if shift:
        big = big.transform(big.size, Image.AFFINE, (1, 0, -shift, 0, 1, 0))
    a = np.asarray(big, np.float32)[lo:hi, lo:hi] / 255.0
    return a.reshape(cell, ss, cell, ss).mean(axis=(1, 3))


def make_font(palm_colour):
    ss = 4
    cell = 16
    size = 16
    baseline = 12
    font = ImageFont.truetype(FONT_SHEET, size * ss)
    height = 1 + 17 * FONT_ROWS
    sheet = np.zeros((height, 273, 3), np.float32)
    opaque = np.zeros((height, 273), bool)
    for code, col, row in font_cells():
        if code in (32, 160):
            continue  # the spaces are blank
        if code == 127:
            cov = snowflake_mask(cell, ss)
        else:
            # The soft hyphen is only ever written where a word breaks.
            ch = "-" if code == 0xAD else chr(code)
            broaden = FONT_SHEET_BROADEN_EN_DASH if code == 0x2013 else FONT_SHEET_BROADEN
            cov = fitted_coverage(ch, font, cell, ss, baseline, broaden)
        # Pixels under a fifth covered are dropped; the rest carry their
        # coverage as a blend towards the palm, so the keyed edge is soft.
        keep = cov >= 0.2
        c = INK[None, None, :] * cov[..., None] + palm_colour[None, None, :] * (1 - cov[..., None])
        # A touch darker than the plain blend keeps thin strokes firm.
        c = np.where(keep[..., None], c * 0.94, 0)
        y, x = 1 + 17 * row, 1 + 17 * col
        sheet[y:y + cell, x:x + cell] = c
        opaque[y:y + cell, x:x + cell] = keep
    return sheet, opaque


def save_font(path, sheet, opaque):
    """The palette comes from the ASCII rows alone, the rows below take
    their nearest colours from it: adding rows never changes a glyph above."""
    split = 1 + 17 * ASCII_ROWS
    idx, pal = quantise(sheet[:split], opaque[:split])
    below = nearest_indices(sheet[split:], opaque[split:], pal)
    write_bmp(path, np.vstack([idx, below]), pal)


# ====================================================================== logo

def text_mask(text, font_path, px, ss, width, height, x, y, anchor="mm"):
    font = ImageFont.truetype(font_path, px * ss)
    img = Image.new("L", (width * ss, height * ss), 0)
    ImageDraw.Draw(img).text((x * ss, y * ss), text, font=font, fill=255, anchor=anchor)
    return img


def make_logo():
    W, H, ss = 140, 274, 4
    c = Canvas(W, H, ss)
    r = c.whole()
    X, Y = r.X, r.Y
    letters = Image.new("L", (W * ss, H * ss), 0)
    for i, ch in enumerate("YULE"):
        m = text_mask(ch, FONT_LOGO, 66, ss, W, H, 50, 36 + i * 64)
        letters = Image.fromarray(np.maximum(np.asarray(letters), np.asarray(m)))
    word = text_mask("card", FONT_LOGO_WORD, 40, ss, H, W, 0, 0, "lt")
    word = word.crop(word.getbbox())
    word = word.rotate(90, expand=True)
    card = Image.new("L", (W * ss, H * ss), 0)
    card.paste(word, (int(116 * ss - word.width / 2), int(H * ss - 8 * ss - word.height)))

    def grown(img, px):
        return np.asarray(img.filter(ImageFilter.MaxFilter(2 * int(px * ss) + 1)), np.float32) > 127

    let = np.asarray(letters, np.float32) > 127
    crd = np.asarray(card, np.float32) > 127
    # Two outlines, dark inside a pale rim, so the name stands out from the
    # holly behind it as well as from the night.
    let_in, let_out = grown(letters, 2), grown(letters, 4)
    crd_in, crd_out = grown(card, 1.5), grown(card, 3)
    hl = np.asarray(letters.filter(ImageFilter.GaussianBlur(3 * ss)), np.float32) / 255.0 * 9
    hc = np.asarray(card.filter(ImageFilter.GaussianBlur(2 * ss)), np.float32) / 255.0 * 6
    nl = height_normals(hl, r.step)
    nc = height_normals(hc, r.step)
    # Candy-cane stripes on the letters, gold on the word.
    stripe = np.sin((X + Y * 0.9) * (2 * np.pi / 17.0)) > 0.1
    red = shade(nl, rgb("7c0812"), rgb("f23a44"), gloss=0.8, power=30)
    white = shade(nl, rgb("c8c4d4"), rgb("ffffff"), gloss=0.6, power=30)
    cane = np.where(stripe[..., None], red, white)
    gold = shade(nc, rgb("8a5a10"), rgb("ffe27a"), gloss=0.9, power=26)
    rim = rgb("f6e6b4")
    r.paint(crd_out, rim)
    r.paint(crd_in, rgb("3a1c04"))
    r.paint(crd, gold)
    r.paint(let_out, rim)
    r.paint(let_in, rgb("4a0810"))
    r.paint(let, cane)
    return c.finish()


# ====================================================================== icon

def make_icon():
    c = Canvas(32, 32, 6)
    for x, y, a in [(15, 18, -2.6), (17, 18, -0.55)]:
        r = c.region(0, 0, 32, 32)
        holly_leaf(r, x, y, a, 16, 9, 3)
    for bx, by in [(13, 19), (19, 19.5), (16, 23.5)]:
        r = c.region(0, 0, 32, 32)
        berry(r, bx, by, 3.4)
    return c.finish()


# The desktop's icon: the holly sprig of the window icon in front of a round
# night sky over snow. It is drawn afresh at every size the icon theme asks
# for, in a 32-unit design space, so each size gets outlines of whole-pixel
# weight and only the details its pixels can hold; a small icon scaled down
# from a large one would be a grey smudge.
DESKTOP_ICON_SIZES = (16, 32, 48, 64, 128, 256, 512)


def icon_line(size):
    """Outline weight in pixels: one pixel at the smallest sizes, growing
    slowly so the large icons keep a firm edge without looking drawn in ink."""
    return max(1.0, size / 64.0)


def icon_leaf(r, unit, line, bx, by, angle, length, width, seed, veins):
    u_x, u_y = r.X / unit, r.Y / unit
    ca, sa = np.cos(angle), np.sin(angle)
    u = (u_x - bx) * ca + (u_y - by) * sa
    v = -(u_x - bx) * sa + (u_y - by) * ca
    d = np.minimum(polygon(u, v, leaf_outline(length, width, seed)), capsule(u, v, -2.5, 0, 2, 0, 0.7))
    d = d * unit
    tilt = np.where(v > 0, 0.5, -0.5)
    curl = 0.35 * (u / length - 0.5)
    lx = -sa * tilt + ca * curl
    ly = ca * tilt + sa * curl
    n = bevel_normals(d, 0.12 * width * unit, r.step) + np.stack([lx, ly, np.zeros_like(lx)], -1)
    n = n / np.linalg.norm(n, axis=-1, keepdims=True)
    col = shade(n, rgb("0a3a1a"), rgb("46a44c"), gloss=0.75, power=22, spec_color=(225, 255, 225))
    if veins:
        rib = (np.abs(v) * unit < 0.4 * line * (1.2 - u / length)) & (u > 0.5) & (u < length * 0.9)
        col[rib] = col[rib] * 0.45 + rgb("b8d884") * 0.55
    r.shape(d, col, rgb("062612"), line)


def icon_berry(r, unit, line, x, y, rad, eye):
    d = circle(r.X / unit, r.Y / unit, x, y, rad) * unit
    n = bevel_normals(d, rad * unit, r.step)
    r.shape(d, shade(n, rgb("6a0610"), rgb("f0303c"), gloss=0.95, power=40), rgb("380308"), line)
    if eye:
        dot = circle(r.X / unit, r.Y / unit, x + rad * 0.25, y + rad * 0.3, rad * 0.18)
        r.canvas.rgb[r.slices][dot < 0] = rgb("4a1408")


def make_desktop_icon(size):
    # Fine supersampling where pixels are few; coarser where a pixel is small
    # beside the shapes, so the 512 px icon still draws in seconds.
    ss = 8 if size <= 64 else max(2, min(4, 768 // size))
    c = Canvas(size, size, ss)
    r = c.whole()
    unit = size / 32.0
    line = icon_line(size)
    X, Y = r.X / unit, r.Y / unit

    # The sky: deep blue above, lighter towards the snow, inside a dark rim.
    sky = circle(X, Y, 16, 14.5, 14.2) * unit
    t = np.clip((Y - 1) / 24, 0, 1)[..., None]
    r.shape(sky, rgb("0a1440") + (rgb("2c4f96") - rgb("0a1440")) * t, rgb("050a24"), line)
    inside = sky < -line
    if size >= 32:
        # Moon and falling snow, where a pixel can hold a flake.
        moon = circle(X, Y, 22.5, 7.5, 2.6) * unit
        r.paint((moon < 0) & inside, rgb("fff4c8"))
        rng = np.random.default_rng(16)
        count = 6 if size < 64 else 14 if size < 256 else 24
        flake = max(0.55, 0.9 * size / 128.0) / unit
        for fx, fy in rng.uniform((5, 4), (27, 19), (count, 2)):
            if np.hypot(fx - 22.5, fy - 7.5) > 4.2:
                r.paint((circle(X, Y, fx, fy, flake) < 0) & inside, rgb("f4f8ff"))
    # Snow on the ground, cut by the sky's rim.
    hill = np.maximum(ellipse(X, Y, 11, 31, 22, 11), sky / unit + line / unit)
    n = bevel_normals(hill * unit, 2.5 * unit, r.step)
    r.paint(hill < 0, shade(n, rgb("9fb4dc"), rgb("ffffff")))

    veins = size >= 32
    for angle in (-2.62, -0.52):
        icon_leaf(r, unit, line, 16, 21, angle, 14.5, 8.5, 3, veins)
    for bx, by in ((13.2, 22.2), (18.9, 22.6), (16.1, 26.2)):
        icon_berry(r, unit, line, bx, by, 3.1, size >= 48)
    return icon_rgba(c)


def icon_rgba(c):
    """Soft edges for the desktop, unlike the card's keyed pictures: alpha is
    the covered share of each pixel, colour the mean of what covers it."""
    s, h, w = c.ss, c.height, c.width
    cover = c.cover.reshape(h, s, w, s).astype(np.float32)
    count = cover.sum(axis=(1, 3))
    colour = (c.rgb * c.cover[..., None]).reshape(h, s, w, s, 3).sum(axis=(1, 3))
    colour = colour / np.maximum(count, 1)[..., None]
    alpha = count / (s * s) * 255
    rgba = np.dstack([colour, alpha])
    return Image.fromarray(np.clip(np.rint(rgba), 0, 255).astype(np.uint8), "RGBA")


# ======================================================================= main

PICTURES = ("palm", "font", "hand", "frame", "backdrop", "logo", "icon", "desktop-icons")


def main(argv):
    only = set(argv[1:])
    unknown = sorted(only - set(PICTURES))
    if unknown:
        # A misspelt name would otherwise write nothing and say nothing.
        sys.exit("make_art.py: unknown picture %s; choose from %s"
                 % (", ".join(unknown), ", ".join(PICTURES)))

    def wanted(name):
        return not only or name in only

    palm = make_palm()
    make_palm.cache = palm
    if wanted("palm"):
        save_bmp(os.path.join(OUT, "palm.bmp"), *palm, dither=True)
    if wanted("font"):
        save_font(os.path.join(OUT, "font.bmp"), *make_font(palm_text_colour()))
    if wanted("hand"):
        save_bmp(os.path.join(OUT, "hand.bmp"), *make_hand(), dither=True)
    if wanted("frame"):
        save_bmp(os.path.join(OUT, "frame.bmp"), *make_frame())
    if wanted("backdrop"):
        save_bmp(os.path.join(OUT, "backdrop.bmp"), *make_backdrop(), dither=True)
    if wanted("logo"):
        save_bmp(os.path.join(OUT, "logo.bmp"), *make_logo())
    if wanted("icon"):
        save_bmp(os.path.join(OUT, "icon.bmp"), *make_icon())
    if wanted("desktop-icons"):
        os.makedirs(os.path.join(OUT, "icons"), exist_ok=True)
        for size in DESKTOP_ICON_SIZES:
            make_desktop_icon(size).save(os.path.join(OUT, "icons", "yulecard-%d.png" % size), optimize=True)


if __name__ == "__main__":
    main(sys.argv)
