#!/usr/bin/env python3
"""Paints the board's textures at build time:

  board_squares.png                the grain of the squares in grey, one 64-pixel cell per
                                   square of the whole board, each its own piece of wood; the
                                   square materials colour it
  capture_mark.png                 the coral frame round a target that takes a piece
  board_frame.png                  the frame's top seen from above: mitred dark wood, a brass
                                   inlay line and the file letters and rank numbers, upright
                                   for White on White's edge and the a-file edge, for Black on
                                   the other two
  table.png                        the baize of the table, tileable
  check_glow.png                   the red ring under a king in check

  boardtex.py --out DIR --font PATH.ttf

Only the standard library: the glyphs come from the TrueType outlines of the font given, read
and filled here. A fixed seed makes every build paint the same pictures.
"""

import argparse
import math
import os
import random
import struct
import zlib

# The frame's texture covers world X and Z from -FRAME_MARGIN to 8 + FRAME_MARGIN; the
# frame mesh maps its UVs the same way (tools/meshgen/board_shapes.cpp).
FRAME_MARGIN = 0.8
FRAME_SIZE = 1024
GLYPH_CENTRE = 0.29  # distance of a label's centre from the inner edge
GLYPH_HEIGHT = 0.27
INLAY_AT, INLAY_WIDTH = 0.05, 0.022


def png(path, w, h, rows, channels=3):
    """rows: bytes-like of w * h * channels values, grey, RGB or RGBA."""
    raw = bytearray()
    stride = w * channels
    for y in range(h):
        raw.append(0)
        raw += rows[y * stride : (y + 1) * stride]

    def chunk(tag, data):
        body = tag + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    data = (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, {1: 0, 3: 2, 4: 6}[channels], 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b""))
    tmp = path + ".tmp"
    with open(tmp, "wb") as f:
        f.write(data)
    os.replace(tmp, path)


def clamp8(v):
    return 0 if v <= 0 else 255 if v >= 1 else int(v * 255 + 0.5)


class Noise:
    """Smooth value noise on a coarse lattice that wraps every `period` cells."""

    def __init__(self, rng, period):
        self.p = period
        self.v = [[rng.random() for _ in range(period)] for _ in range(period)]

    def at(self, x, y):
        p = self.p
        xi, yi = math.floor(x), math.floor(y)
        fx, fy = x - xi, y - yi
        fx = fx * fx * (3 - 2 * fx)
        fy = fy * fy * (3 - 2 * fy)
        r0, r1 = self.v[yi % p], self.v[(yi + 1) % p]
        a, b = r0[xi % p], r0[(xi + 1) % p]
        c, d = r1[xi % p], r1[(xi + 1) % p]
        top = a + (b - a) * fx
        return top + (c + (d - c) * fx - top) * fy


class Wood:
    """Grain along one direction: growth rings bent by slow noise, fine pores and streaks."""

    def __init__(self, rng, light, dark, rings):
        self.light, self.dark, self.rings = light, dark, rings
        self.warp = Noise(rng, 16)
        self.figure = Noise(rng, 16)
        # Streaks follow the fibres: one value per fibre position across the grain.
        self.streak = [rng.random() for _ in range(4096)]

    def colour(self, along, across, jitter):
        """along, across in board units; returns an RGB triple 0..1."""
        bend = self.warp.at(along * 0.35, across * 0.9) * 1.6 + self.figure.at(along * 1.7,
                                                                                across * 2.3) * 0.25
        t = (across + bend) * self.rings
        ring = t - math.floor(t)
        # Late wood: a narrow darker band in every ring, soft on one side.
        late = ring * ring * ring * ring * ring * ring
        s = self.streak[int((across + bend * 0.3) * 180) % 4096]
        k = 0.55 * late + 0.22 * s * s + jitter
        return tuple(l + (d - l) * k for l, d in zip(self.light, self.dark))


def paint_squares(rng, light, dark, rings):
    """A 512 x 512 grey picture of the board in one grey wood (light and dark are grey)."""
    size, cell = 512, 64
    px = bytearray(size * size)
    for rank in range(8):
        for file in range(8):
            wood = Wood(rng, light, dark, rings * (0.8 + 0.4 * rng.random()))
            tone = 0.94 + 0.1 * rng.random()
            tilt = (rng.random() - 0.5) * 0.12
            off_a, off_c = rng.random() * 40, rng.random() * 40
            for y in range(cell):
                row = (rank * cell + y)
                for x in range(cell):
                    u, v = x / cell, y / cell
                    along = u + off_a
                    across = v + u * tilt + off_c
                    grey = wood.colour(along, across, (rng.random() - 0.5) * 0.06)[0]
                    px[row * size + file * cell + x] = clamp8(grey * tone)
    return px


# --- TrueType outlines --------------------------------------------------------------------

class Font:
    def __init__(self, path):
        with open(path, "rb") as f:
            self.d = f.read()
        n = struct.unpack(">H", self.d[4:6])[0]
        self.t = {}
        for i in range(n):
            tag, _, off, length = struct.unpack(">4sIII", self.d[12 + 16 * i : 28 + 16 * i])
            self.t[tag.decode("latin-1")] = (off, length)
        head = self.t["head"][0]
        self.units = struct.unpack(">H", self.d[head + 18 : head + 20])[0]
        self.long_loca = struct.unpack(">h", self.d[head + 50 : head + 52])[0] == 1
        self.cmap = self._cmap()

    def _cmap(self):
        base = self.t["cmap"][0]
        count = struct.unpack(">H", self.d[base + 2 : base + 4])[0]
        for i in range(count):
            pid, eid, off = struct.unpack(">HHI", self.d[base + 4 + 8 * i : base + 12 + 8 * i])
            sub = base + off
            if struct.unpack(">H", self.d[sub : sub + 2])[0] == 4 and pid in (0, 3):
                return sub
        raise ValueError("no format 4 character map")

    def glyph_index(self, ch):
        d, sub, code = self.d, self.cmap, ord(ch)
        segs = struct.unpack(">H", d[sub + 6 : sub + 8])[0] // 2
        ends = sub + 14
        starts = ends + 2 * segs + 2
        deltas = starts + 2 * segs
        ranges = deltas + 2 * segs
        for i in range(segs):
            end = struct.unpack(">H", d[ends + 2 * i : ends + 2 * i + 2])[0]
            if code > end:
                continue
            start = struct.unpack(">H", d[starts + 2 * i : starts + 2 * i + 2])[0]
            if code < start:
                return 0
            delta = struct.unpack(">h", d[deltas + 2 * i : deltas + 2 * i + 2])[0]
            ro = struct.unpack(">H", d[ranges + 2 * i : ranges + 2 * i + 2])[0]
            if ro == 0:
                return (code + delta) & 0xFFFF
            at = ranges + 2 * i + ro + 2 * (code - start)
            g = struct.unpack(">H", d[at : at + 2])[0]
            return (g + delta) & 0xFFFF if g else 0
        return 0

    def contours(self, ch):
        """Closed polylines in font units (quadratic curves flattened)."""
        d = self.d
        g = self.glyph_index(ch)
        loca = self.t["loca"][0]
        if self.long_loca:
            off = struct.unpack(">I", d[loca + 4 * g : loca + 4 * g + 4])[0]
        else:
            off = 2 * struct.unpack(">H", d[loca + 2 * g : loca + 2 * g + 2])[0]
        p = self.t["glyf"][0] + off
        n = struct.unpack(">h", d[p : p + 2])[0]
        if n < 0:
            raise ValueError("composite glyph for " + ch)
        ends = struct.unpack(">%dH" % n, d[p + 10 : p + 10 + 2 * n])
        q = p + 10 + 2 * n
        q += 2 + struct.unpack(">H", d[q : q + 2])[0]
        count = ends[-1] + 1
        flags = []
        while len(flags) < count:
            f = d[q]
            q += 1
            flags.append(f)
            if f & 8:
                flags += [f] * d[q]
                q += 1

        def coords(short_bit, same_bit):
            nonlocal q
            out, v = [], 0
            for f in flags:
                if f & short_bit:
                    dv = d[q]
                    q += 1
                    v += dv if f & same_bit else -dv
                elif not f & same_bit:
                    v += struct.unpack(">h", d[q : q + 2])[0]
                    q += 2
                out.append(v)
            return out

        xs = coords(2, 16)
        ys = coords(4, 32)
        result, start = [], 0
        for end in ends:
            pts = [(xs[i], ys[i], flags[i] & 1) for i in range(start, end + 1)]
            start = end + 1
            result.append(flatten(pts))
        return result


def flatten(pts):
    # Make the point list start on a curve point, adding implied midpoints between two
    # control points in a row.
    full = []
    for i, (x, y, on) in enumerate(pts):
        px, py, pon = pts[i - 1]
        if not on and not pon:
            full.append(((px + x) / 2, (py + y) / 2, 1))
        full.append((x, y, on))
    while not full[0][2]:
        full.append(full.pop(0))
    out = [full[0][:2]]
    i = 1
    n = len(full)
    while i <= n:
        x, y, on = full[i % n]
        if on:
            out.append((x, y))
            i += 1
        else:
            x0, y0 = out[-1]
            x2, y2, _ = full[(i + 1) % n]
            for s in range(1, 7):
                t = s / 6
                a, b, c = (1 - t) * (1 - t), 2 * t * (1 - t), t * t
                out.append((a * x0 + b * x + c * x2, a * y0 + b * y + c * y2))
            i += 2
    return out


def glyph_mask(font, text, height_px):
    """Coverage 0..1 of the text, `height_px` for the height of a digit, as (w, h, rows)."""
    polys = []
    pen = 0
    for ch in text:
        cs = font.contours(ch)
        minx = min(x for c in cs for x, _ in c)
        maxx = max(x for c in cs for x, _ in c)
        polys += [[(x - minx + pen, y) for x, y in c] for c in cs]
        pen += maxx - minx + font.units * 0.06
    digit = font.contours("8")
    top = max(y for c in digit for _, y in c)
    scale = height_px / top
    lo_y = min(y for c in polys for _, y in c)
    hi_y = max(y for c in polys for _, y in c)
    w = int(math.ceil(pen * scale)) + 2
    h = int(math.ceil((hi_y - lo_y) * scale)) + 2
    ss = 4
    cov = [[0.0] * w for _ in range(h)]
    edges = []
    for c in polys:
        for i in range(len(c)):
            (x0, y0), (x1, y1) = c[i - 1], c[i]
            # Image rows grow downwards.
            p0 = ((x0) * scale + 1, (hi_y - y0) * scale + 1)
            p1 = ((x1) * scale + 1, (hi_y - y1) * scale + 1)
            if p0[1] != p1[1]:
                edges.append((p0, p1))
    for sy in range(h * ss):
        yy = (sy + 0.5) / ss
        hits = []
        for (x0, y0), (x1, y1) in edges:
            if (y0 <= yy < y1) or (y1 <= yy < y0):
                x = x0 + (yy - y0) * (x1 - x0) / (y1 - y0)
                hits.append((x, 1 if y1 > y0 else -1))
        hits.sort()
        wind = 0
        row = cov[sy // ss]
        for k in range(len(hits) - 1):
            wind += hits[k][1]
            if wind == 0:
                continue
            a, b = hits[k][0], hits[k + 1][0]
            for sx in range(max(0, int(a * ss)), min(w * ss, int(b * ss))):
                row[sx // ss] += 1.0 / (ss * ss)
    return w, h, cov


def paint_frame(path, rng, font):
    n = FRAME_SIZE
    span = 8 + 2 * FRAME_MARGIN
    unit = n / span
    px = bytearray(n * n * 3)
    wood = Wood(rng, (0.27, 0.16, 0.10), (0.12, 0.065, 0.04), 5.0)
    brass = (0.80, 0.64, 0.34)

    def world(ix, iy):
        # Image columns run along +Z (a to h), rows from +X (Black's side) down to -X.
        return 8 + FRAME_MARGIN - (iy + 0.5) / unit, (ix + 0.5) / unit - FRAME_MARGIN

    for iy in range(n):
        for ix in range(n):
            wx, wz = world(ix, iy)
            # Distance outside the square of the squares, and which side's rail it is on:
            # the rails meet in mitres on the diagonals, each with its grain along it.
            d = [-wx, wx - 8, -wz, wz - 8]
            side = max(range(4), key=lambda k: d[k])
            out = d[side]
            # Only the frame's ring is painted; the squares cover the middle.
            if out < -0.02:
                continue
            along = wz if side < 2 else wx
            r, g, b = wood.colour(along * 0.5 + side * 7.3, out + side * 3.1,
                                  (rng.random() - 0.5) * 0.05)
            line = abs(out - INLAY_AT) - INLAY_WIDTH / 2
            if line < 0.6 / unit:
                k = min(1.0, max(0.0, 0.5 - line * unit))
                r, g, b = (c + (q - c) * k for c, q in zip((r, g, b), brass))
            i = (iy * n + ix) * 3
            px[i], px[i + 1], px[i + 2] = clamp8(r), clamp8(g), clamp8(b)

    def stamp(text, cx, cz, flip):
        """The label centred on world (cx, cz), upright for White or, flipped, for Black."""
        w, h, cov = glyph_mask(font, text, GLYPH_HEIGHT * unit)
        ox = (cz + FRAME_MARGIN) * unit - w / 2
        oy = (8 + FRAME_MARGIN - cx) * unit - h / 2
        for y in range(h):
            for x in range(w):
                sx, sy = (w - 1 - x, h - 1 - y) if flip else (x, y)
                c = cov[sy][sx]
                # A dark edge below and right of each stroke reads as an engraving.
                if flip:
                    e = cov[sy + 1][sx + 1] if sy + 1 < h and sx + 1 < w else 0.0
                else:
                    e = cov[sy - 1][sx - 1] if sy > 0 and sx > 0 else 0.0
                ix, iy = int(ox) + x, int(oy) + y
                i = (iy * n + ix) * 3
                base = [px[i] / 255, px[i + 1] / 255, px[i + 2] / 255]
                shade = max(0.0, e - c) * 0.5
                base = [v * (1 - shade) for v in base]
                col = [v + (q - v) * c for v, q in zip(base, (0.93, 0.80, 0.50))]
                px[i], px[i + 1], px[i + 2] = (clamp8(v) for v in col)

    for k in range(8):
        letter, number = "abcdefgh"[k], str(k + 1)
        stamp(letter, -GLYPH_CENTRE, k + 0.5, False)
        stamp(letter, 8 + GLYPH_CENTRE, k + 0.5, True)
        stamp(number, k + 0.5, -GLYPH_CENTRE, False)
        stamp(number, k + 0.5, 8 + GLYPH_CENTRE, True)
    png(path, n, n, px)


def paint_table(path, rng):
    """Baize: fine felt fuzz around a mid grey, tinted by the material."""
    size = 256
    fuzz = Noise(rng, 64)
    cloud = Noise(rng, 8)
    px = bytearray(size * size * 3)
    for y in range(size):
        for x in range(size):
            v = 0.80 + 0.10 * fuzz.at(x / 4, y / 4) + 0.08 * cloud.at(x / 32, y / 32)
            v += (rng.random() - 0.5) * 0.08
            i = (y * size + x) * 3
            px[i] = px[i + 1] = px[i + 2] = clamp8(v)
    png(path, size, size, px)


def paint_capture(path):
    """Coral over a square, its cover in alpha: a soft frame along the edges, clear inside."""
    size = 64
    px = bytearray(size * size * 4)
    for y in range(size):
        for x in range(size):
            edge = min(x + 0.5, y + 0.5, size - x - 0.5, size - y - 0.5) / size
            v = max(0.0, min(1.0, (0.2 - edge) / 0.14)) ** 1.5
            i = (y * size + x) * 4
            px[i : i + 4] = bytes((236, 92, 64, clamp8(v * 0.9)))
    png(path, size, size, px, 4)


def paint_glow(path):
    """Red over the square, its cover in alpha: a ring round the king's foot with a soft glow
    spilling outwards."""
    size = 128
    px = bytearray(size * size * 4)
    for y in range(size):
        for x in range(size):
            r = math.hypot(x + 0.5 - size / 2, y + 0.5 - size / 2) / (size / 2)
            ring = math.exp(-((r - 0.58) / 0.09) ** 2)
            glow = 0.4 * math.exp(-((r - 0.66) / 0.16) ** 2)
            v = min(1.0, ring + glow) * max(0.0, min(1.0, (0.98 - r) * 20))
            i = (y * size + x) * 4
            px[i : i + 4] = bytes((235, clamp8(0.1 + 0.25 * ring * ring), 30, clamp8(v * 0.92)))
    png(path, size, size, px, 4)


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--out", required=True)
    ap.add_argument("--font", required=True)
    a = ap.parse_args()
    os.makedirs(a.out, exist_ok=True)
    rng = random.Random(1517)
    font = Font(a.font)
    # Grey only: a one-channel texture is the cheapest for a software renderer to sample.
    grain = paint_squares(rng, (1.0, 1.0, 1.0), (0.74, 0.74, 0.74), 6.5)
    png(os.path.join(a.out, "board_squares.png"), 512, 512, grain, 1)
    paint_capture(os.path.join(a.out, "capture_mark.png"))
    paint_frame(os.path.join(a.out, "board_frame.png"), rng, font)
    paint_table(os.path.join(a.out, "table.png"), rng)
    paint_glow(os.path.join(a.out, "check_glow.png"))


if __name__ == "__main__":
    main()
