"""Drawing helpers for the card's pictures: signed distance shapes painted
onto a supersampled canvas, shaded with one light, then cut to a hard edge
and quantised to the 8-bit paletted BMPs the card carries.

Two rules of the card's 16-bit display shape everything here:
  * black is the transparent key, and so is every colour that becomes 0 in
    RGB565, so every opaque channel is lifted to at least 8;
  * a keyed edge cannot be blended, so coverage is cut at a threshold and
    the colour of an edge pixel is the mean of its covered subsamples only
    (never a mix with the black around it).
"""

import numpy as np
from PIL import Image

# One light for every picture: from the upper left, in front of the screen.
LIGHT = np.array([-0.45, -0.62, 0.64])
LIGHT = LIGHT / np.linalg.norm(LIGHT)
HALF = LIGHT + np.array([0.0, 0.0, 1.0])
HALF = HALF / np.linalg.norm(HALF)


def rgb(hexstr):
    return np.array([int(hexstr[i:i + 2], 16) for i in (0, 2, 4)], np.float32)


# ---------------------------------------------------------------- distances

def circle(X, Y, cx, cy, r):
    return np.hypot(X - cx, Y - cy) - r


def ellipse(X, Y, cx, cy, rx, ry, angle=0.0):
    """Approximate distance to a rotated ellipse (good near the edge)."""
    c, s = np.cos(angle), np.sin(angle)
    u = (X - cx) * c + (Y - cy) * s
    v = -(X - cx) * s + (Y - cy) * c
    k = np.hypot(u / rx, v / ry)
    return (k - 1.0) * min(rx, ry)


def rounded_box(X, Y, cx, cy, hw, hh, r, angle=0.0):
    c, s = np.cos(angle), np.sin(angle)
    u = np.abs((X - cx) * c + (Y - cy) * s) - (hw - r)
    v = np.abs(-(X - cx) * s + (Y - cy) * c) - (hh - r)
    outside = np.hypot(np.maximum(u, 0), np.maximum(v, 0))
    inside = np.minimum(np.maximum(u, v), 0)
    return outside + inside - r


def capsule(X, Y, ax, ay, bx, by, ra, rb=None):
    """Segment a-b with a radius going linearly from ra to rb."""
    if rb is None:
        rb = ra
    dx, dy = bx - ax, by - ay
    length2 = dx * dx + dy * dy
    h = np.clip(((X - ax) * dx + (Y - ay) * dy) / length2, 0.0, 1.0)
    return np.hypot(X - ax - h * dx, Y - ay - h * dy) - (ra + (rb - ra) * h)


def chain(X, Y, points, k=0.0):
    """Tapered capsules through (x, y, radius) points, smoothly joined."""
    d = None
    for (ax, ay, ra), (bx, by, rb) in zip(points, points[1:]):
        seg = capsule(X, Y, ax, ay, bx, by, ra, rb)
        d = seg if d is None else (smin(d, seg, k) if k > 0 else np.minimum(d, seg))
    return d


def smin(a, b, k):
    """Smooth union: blends two shapes over a width k."""
    h = np.clip(0.5 + 0.5 * (b - a) / k, 0.0, 1.0)
    return b + (a - b) * h - k * h * (1.0 - h)


def segment_distance(X, Y, points):
    """Unsigned distance to a polyline (for creases and strokes)."""
    d = np.full(X.shape, 1e9, np.float32)
    for (ax, ay), (bx, by) in zip(points, points[1:]):
        d = np.minimum(d, capsule(X, Y, ax, ay, bx, by, 0.0))
    return d


def value_noise(X, Y, cell, seed):
    """Smooth value noise in 0..1 with features about `cell` pixels big."""
    rng = np.random.default_rng(seed)
    gx = X / cell
    gy = Y / cell
    x0 = np.floor(gx).astype(np.int64)
    y0 = np.floor(gy).astype(np.int64)
    size = 64
    table = rng.random((size, size)).astype(np.float32)
    fx = gx - x0
    fy = gy - y0
    fx = fx * fx * (3 - 2 * fx)
    fy = fy * fy * (3 - 2 * fy)

    def at(ix, iy):
        return table[iy % size, ix % size]

    top = at(x0, y0) * (1 - fx) + at(x0 + 1, y0) * fx
    bottom = at(x0, y0 + 1) * (1 - fx) + at(x0 + 1, y0 + 1) * fx
    return top * (1 - fy) + bottom * fy


# ---------------------------------------------------------------- shading

def bevel_normals(d, radius, step):
    """Normals of a pillow whose rim rounds over `radius` pixels from the
    edge and is flat beyond; `step` is the subsample size in pixels."""
    t = np.clip(-d / radius, 0.0, 1.0)
    height = radius * np.sqrt(1.0 - (1.0 - t) ** 2)
    gy, gx = np.gradient(height, step)
    n = np.stack([-gx, -gy, np.ones_like(height)], axis=-1)
    return n / np.linalg.norm(n, axis=-1, keepdims=True)


def height_normals(height, step):
    gy, gx = np.gradient(height, step)
    n = np.stack([-gx, -gy, np.ones_like(height)], axis=-1)
    return n / np.linalg.norm(n, axis=-1, keepdims=True)


def shade(n, dark, lit, gloss=0.0, power=30.0, wrap=0.25, spec_color=(255, 255, 255)):
    """Two-tone lighting: `dark` where the surface turns from the light,
    `lit` where it faces it, plus an optional highlight."""
    lam = np.clip((n @ LIGHT + wrap) / (1.0 + wrap), 0.0, 1.0)[..., None]
    col = dark + (lit - dark) * lam
    if gloss > 0:
        spec = np.clip(n @ HALF, 0.0, 1.0) ** power
        col = col + (np.array(spec_color, np.float32) - col) * (gloss * spec)[..., None]
    return col


# ---------------------------------------------------------------- canvas

class Canvas:
    """A supersampled picture: colour and hard coverage per subsample."""

    def __init__(self, width, height, ss=3, background=None):
        self.width, self.height, self.ss = width, height, ss
        self.rgb = np.zeros((height * ss, width * ss, 3), np.float32)
        if background is not None:
            self.rgb[:] = background
        self.cover = np.zeros((height * ss, width * ss), bool)
        if background is not None:
            self.cover[:] = True

    def region(self, x0, y0, x1, y1):
        """Subsample window for a picture-space box, with its coordinates."""
        s = self.ss
        i0 = max(0, int(np.floor(y0 * s)))
        i1 = min(self.height * s, int(np.ceil(y1 * s)))
        j0 = max(0, int(np.floor(x0 * s)))
        j1 = min(self.width * s, int(np.ceil(x1 * s)))
        if i1 <= i0 or j1 <= j0:
            return None
        ys = (np.arange(i0, i1, dtype=np.float32) + 0.5) / s
        xs = (np.arange(j0, j1, dtype=np.float32) + 0.5) / s
        X, Y = np.meshgrid(xs, ys)
        return Region(self, (slice(i0, i1), slice(j0, j1)), X, Y)

    def whole(self):
        return self.region(0, 0, self.width, self.height)

    def finish(self, threshold=0.5):
        """Downsample: a pixel is opaque when at least `threshold` of it is
        covered, and takes the mean colour of its covered subsamples."""
        s = self.ss
        h, w = self.height, self.width
        cov = self.cover.reshape(h, s, w, s).astype(np.float32)
        count = cov.sum(axis=(1, 3))
        weighted = (self.rgb * self.cover[..., None]).reshape(h, s, w, s, 3).sum(axis=(1, 3))
        colour = weighted / np.maximum(count, 1)[..., None]
        opaque = count >= threshold * s * s
        colour[~opaque] = 0
        return np.clip(colour, 0, 255), opaque


class Region:
    def __init__(self, canvas, slices, X, Y):
        self.canvas, self.slices, self.X, self.Y = canvas, slices, X, Y
        self.step = 1.0 / canvas.ss

    def paint(self, mask, colour):
        rgb = self.canvas.rgb[self.slices]
        if np.ndim(colour) == 1:
            rgb[mask] = colour
        else:
            rgb[mask] = colour[mask]
        self.canvas.cover[self.slices] |= mask

    def blend(self, amount, colour):
        """Mixes `colour` into what is already painted (no new coverage)."""
        rgb = self.canvas.rgb[self.slices]
        a = np.clip(amount, 0.0, 1.0)[..., None]
        rgb[:] = rgb + (np.asarray(colour, np.float32) - rgb) * a

    def shape(self, d, fill, outline=None, width=1.6):
        """Paints a shape with a deliberate outline around it."""
        if outline is not None:
            ring = (d < width) & (d >= 0)
            self.paint(ring, outline)
        self.paint(d < 0, fill)


# ---------------------------------------------------------------- output

def lift(colours):
    """Every opaque channel at least 8: no opaque pixel may become the
    transparent 0 of RGB565."""
    return np.maximum(colours, 8)


def to_rgb565(r, g, b):
    return ((int(r) >> 3) << 11) | ((int(g) >> 2) << 5) | (int(b) >> 3)


def quantise(colour, opaque, dither=False):
    """Returns (index image, 768-entry palette). With transparency, index 0
    is black and only transparent pixels use it; otherwise all 256 entries
    hold picture colours."""
    colour = np.clip(np.rint(colour), 0, 255).astype(np.uint8)
    if opaque.all():
        img = Image.fromarray(colour, "RGB")
        q = img.quantize(256, method=Image.Quantize.MEDIANCUT, dither=Image.Dither.NONE)
        if dither:
            # Median cut picks the palette; a second pass maps onto it with
            # error diffusion so the sky's gradients do not band.
            q = img.quantize(palette=q, dither=Image.Dither.FLOYDSTEINBERG)
        pal = np.array(q.getpalette()[:768], np.int32).reshape(-1, 3)
        pal = np.vstack([pal, np.repeat(pal[:1], 256 - len(pal), axis=0)])
        return np.array(q), lift(pal)
    pixels = lift(colour[opaque])
    strip = Image.fromarray(pixels.reshape(-1, 1, 3).astype(np.uint8), "RGB")
    q = strip.quantize(255, method=Image.Quantize.MEDIANCUT, dither=Image.Dither.NONE)
    used = np.array(q.getpalette()[:765], np.int32).reshape(-1, 3)
    pal = np.zeros((256, 3), np.int32)
    pal[1:1 + len(used)] = lift(used)
    pal[1 + len(used):] = pal[1]
    if dither:
        # Map the whole picture onto the opaque colours with error
        # diffusion; transparent pixels are forced back to 0 afterwards.
        palette_img = Image.new("P", (1, 1))
        palette_img.putpalette([int(v) for v in pal[1:].flatten()] + [int(v) for v in pal[1]])
        full = Image.fromarray(np.where(opaque[..., None], colour, lift(colour)).astype(np.uint8), "RGB")
        idx = np.array(full.quantize(palette=palette_img, dither=Image.Dither.FLOYDSTEINBERG)).astype(np.int32)
        idx = np.where(idx >= 255, 0, idx) + 1
    else:
        idx = np.zeros(opaque.shape, np.int32)
        idx[opaque] = np.array(q).reshape(-1) + 1
    idx[~opaque] = 0
    return idx.astype(np.uint8), pal


def nearest_indices(colour, opaque, pal):
    """Maps opaque pixels onto the opaque entries (1 and up) of an existing
    palette, nearest in RGB; transparent pixels take 0."""
    colour = lift(np.clip(np.rint(colour), 0, 255).astype(np.int32))
    entries = pal[1:].astype(np.int32)
    idx = np.zeros(opaque.shape, np.int32)
    pixels = colour[opaque]
    d = ((pixels[:, None, :] - entries[None, :, :]) ** 2).sum(axis=2)
    idx[opaque] = d.argmin(axis=1) + 1
    return idx.astype(np.uint8)


def write_bmp(path, idx, pal):
    img = Image.fromarray(idx, "P")
    img.putpalette([int(v) for v in pal.flatten()])
    # PIL writes 8-bit paletted BMPs bottom-up and uncompressed.
    img.save(path, "BMP")


def save_bmp(path, colour, opaque, dither=False):
    idx, pal = quantise(colour, opaque, dither)
    write_bmp(path, idx, pal)
    return idx, pal


def decode(idx, pal):
    """The picture as the card shows it: palette colours, keyed pixels 0."""
    out = pal[idx].astype(np.uint8)
    return out


def polygon(X, Y, points):
    """Signed distance to a closed polygon (negative inside, even-odd)."""
    pts = np.asarray(points, np.float32)
    d = np.full(X.shape, 1e9, np.float32)
    inside = np.zeros(X.shape, bool)
    for i in range(len(pts)):
        ax, ay = pts[i - 1]
        bx, by = pts[i]
        dx, dy = bx - ax, by - ay
        length2 = max(dx * dx + dy * dy, 1e-12)
        h = np.clip(((X - ax) * dx + (Y - ay) * dy) / length2, 0.0, 1.0)
        d = np.minimum(d, np.hypot(X - ax - h * dx, Y - ay - h * dy))
        crosses = (ay > Y) != (by > Y)
        xcross = ax + (Y - ay) * dx / np.where(dy == 0, 1e-12, dy)
        inside ^= crosses & (X < xcross)
    return np.where(inside, -d, d)
