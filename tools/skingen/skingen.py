#!/usr/bin/env python3
"""Paints the "DrawingsLook" skin atlas: dark walnut panels with brass borders, cream
fields, a cursor, check boxes, arrows and a small chequered emblem.

The image rectangles come from the imageset XML, so the atlas and its description can
never disagree: every image named there must have a painter here, or the build fails.
Also links the DejaVu TrueType fonts the font definitions name into the output folder,
so the engine's resource group and the headless tests find them beside the skin without
the fonts ever being copied.
"""

import argparse
import math
import os
import struct
import sys
import xml.etree.ElementTree as ET
import zlib

# Palette: walnut wood, brass, cream parchment.
WALNUT = (62, 40, 24)
WALNUT_DARK = (34, 21, 12)
WALNUT_LIGHT = (112, 74, 42)
BRASS = (196, 160, 82)
BRASS_LIGHT = (236, 206, 128)
BRASS_DARK = (120, 92, 40)
CREAM = (246, 236, 212)
INK = (30, 20, 12)
GREY = (104, 96, 86)


class Canvas:
    def __init__(self, width, height):
        self.w = width
        self.h = height
        self.px = bytearray(width * height * 4)

    def put(self, x, y, rgb, a=255):
        if 0 <= x < self.w and 0 <= y < self.h:
            i = (y * self.w + x) * 4
            self.px[i : i + 4] = bytes((rgb[0], rgb[1], rgb[2], a))

    def png(self):
        raw = bytearray()
        stride = self.w * 4
        for y in range(self.h):
            raw.append(0)
            raw += self.px[y * stride : (y + 1) * stride]

        def chunk(tag, data):
            body = tag + data
            return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

        ihdr = struct.pack(">IIBBBBB", self.w, self.h, 8, 6, 0, 0, 0)
        return (
            b"\x89PNG\r\n\x1a\n"
            + chunk(b"IHDR", ihdr)
            + chunk(b"IDAT", zlib.compress(bytes(raw), 9))
            + chunk(b"IEND", b"")
        )


def mix(a, b, t):
    return tuple(int(round(a[i] + (b[i] - a[i]) * t)) for i in range(3))


def grain(x, y):
    """Deterministic wood grain: wavy vertical streaks."""
    v = math.sin(x * 0.9 + math.sin(y * 0.35) * 1.7) * 0.5 + math.sin(x * 2.3 + y * 0.1) * 0.25
    return v * 0.5 + 0.5


def frame_cell(c, ox, oy, fill_top, fill_bottom, border, inner, wood=True, size=24):
    """A 24x24 frame sliced 8/8/8 by the imageset: rounded corners, an outer dark rim,
    a two-pixel border, an inner shade line and a filled body."""
    for y in range(size):
        for x in range(size):
            # Rounded corners of radius 3.
            cx = min(x, size - 1 - x)
            cy = min(y, size - 1 - y)
            if cx < 3 and cy < 3 and (3 - cx) ** 2 + (3 - cy) ** 2 > 10:
                continue
            edge = min(cx, cy)
            if edge == 0:
                c.put(ox + x, oy + y, WALNUT_DARK)
            elif edge <= 2:
                # Light from the top left: brighter top/left border.
                lit = border if (x < size // 2 or y < size // 2) else mix(border, INK, 0.25)
                c.put(ox + x, oy + y, lit)
            elif edge == 3:
                c.put(ox + x, oy + y, inner)
            else:
                # The body's vertical gradient only varies across the middle slice, which
                # the engine stretches, so it reads as a soft shade at any size.
                t = min(max((y - 4) / (size - 8), 0.0), 1.0)
                col = mix(fill_top, fill_bottom, t)
                if wood:
                    col = mix(col, WALNUT_DARK, grain(x, y) * 0.18)
                c.put(ox + x, oy + y, col)


FAMILIES = {
    "Panel": dict(fill_top=WALNUT, fill_bottom=mix(WALNUT, WALNUT_DARK, 0.5), border=BRASS,
                  inner=WALNUT_DARK),
    "Popup": dict(fill_top=mix(WALNUT, WALNUT_LIGHT, 0.25), fill_bottom=WALNUT, border=BRASS_LIGHT,
                  inner=WALNUT_DARK),
    "Button": dict(fill_top=mix(WALNUT_LIGHT, BRASS, 0.15), fill_bottom=mix(WALNUT, WALNUT_LIGHT, 0.3),
                   border=BRASS_DARK, inner=mix(WALNUT_LIGHT, CREAM, 0.2)),
    "ButtonHover": dict(fill_top=mix(WALNUT_LIGHT, BRASS, 0.45), fill_bottom=WALNUT_LIGHT,
                        border=BRASS_LIGHT, inner=mix(BRASS, CREAM, 0.4)),
    "ButtonPushed": dict(fill_top=WALNUT_DARK, fill_bottom=WALNUT, border=BRASS, inner=INK),
    "ButtonDisabled": dict(fill_top=mix(GREY, WALNUT, 0.4), fill_bottom=mix(GREY, WALNUT_DARK, 0.5),
                           border=mix(GREY, WALNUT, 0.3), inner=mix(GREY, WALNUT_DARK, 0.6)),
    "Field": dict(fill_top=mix(CREAM, BRASS, 0.12), fill_bottom=CREAM, border=BRASS_DARK,
                  inner=mix(CREAM, WALNUT, 0.35), wood=False),
    "Title": dict(fill_top=WALNUT_DARK, fill_bottom=mix(WALNUT_DARK, WALNUT, 0.5), border=BRASS,
                  inner=INK),
}


def paint_cursor(c, ox, oy, w, h):
    # Classic arrow, tip at the image origin (the cursor's hot spot).
    outline = [(0, 0), (0, 17), (4, 13), (7, 20), (10, 19), (7, 12), (13, 12)]

    def inside(px, py):
        n = len(outline)
        hit = False
        j = n - 1
        for i in range(n):
            xi, yi = outline[i]
            xj, yj = outline[j]
            if (yi > py) != (yj > py) and px < (xj - xi) * (py - yi) / (yj - yi) + xi:
                hit = not hit
            j = i
        return hit

    for y in range(h):
        for x in range(w):
            if inside(x + 0.5, y + 0.5):
                near_edge = not all(
                    inside(x + 0.5 + dx, y + 0.5 + dy) for dx in (-0.8, 0.8) for dy in (-0.8, 0.8))
                c.put(ox + x, oy + y, INK if near_edge else CREAM)


def paint_solid(rgb):
    def paint(c, ox, oy, w, h):
        for y in range(h):
            for x in range(w):
                c.put(ox + x, oy + y, rgb)
    return paint


def paint_check(on, hover):
    def paint(c, ox, oy, w, h):
        frame = BRASS_LIGHT if hover else BRASS_DARK
        for y in range(h):
            for x in range(w):
                edge = min(x, y, w - 1 - x, h - 1 - y)
                if edge == 0:
                    c.put(ox + x, oy + y, WALNUT_DARK)
                elif edge == 1:
                    c.put(ox + x, oy + y, frame)
                else:
                    c.put(ox + x, oy + y, mix(CREAM, BRASS, 0.1 + 0.1 * (y / h)))
        if on:
            # A tick from (3,8) down to (6,11) and up to (12,4), three pixels thick.
            for t in range(40):
                f = t / 39
                if f < 0.35:
                    x = 3 + (6 - 3) * f / 0.35
                    y = 8 + (11 - 8) * f / 0.35
                else:
                    g = (f - 0.35) / 0.65
                    x = 6 + (12 - 6) * g
                    y = 11 + (4 - 11) * g
                for dy in (0, 1):
                    for dx in (0, 1):
                        c.put(ox + int(x) + dx, oy + int(y) + dy, WALNUT_DARK)
    return paint


def paint_arrow(direction):
    def paint(c, ox, oy, w, h):
        for y in range(h):
            for x in range(w):
                u = (x + 0.5) / w
                v = (y + 0.5) / h
                if direction == "down":
                    hit = v > 0.25 and v < 0.75 and abs(u - 0.5) < (0.75 - v)
                elif direction == "up":
                    hit = v > 0.25 and v < 0.75 and abs(u - 0.5) < (v - 0.25)
                elif direction == "left":
                    hit = u > 0.25 and u < 0.75 and abs(v - 0.5) < (u - 0.25)
                else:
                    hit = u > 0.25 and u < 0.75 and abs(v - 0.5) < (0.75 - u)
                if hit:
                    c.put(ox + x, oy + y, CREAM)
    return paint


def paint_close(c, ox, oy, w, h):
    for i in range(2, w - 2):
        for d in (0, 1):
            c.put(ox + i + d, oy + i, CREAM)
            c.put(ox + w - 1 - i - d, oy + i, CREAM)


def paint_emblem(c, ox, oy, w, h):
    # A four-by-four chequer in a brass frame: a chess board in miniature.
    for y in range(h):
        for x in range(w):
            edge = min(x, y, w - 1 - x, h - 1 - y)
            if edge == 0:
                c.put(ox + x, oy + y, WALNUT_DARK)
            elif edge <= 2:
                c.put(ox + x, oy + y, BRASS)
            else:
                cell = ((x - 3) * 4 // (w - 6) + (y - 3) * 4 // (h - 6)) % 2
                c.put(ox + x, oy + y, CREAM if cell == 0 else WALNUT)


SINGLE = {
    "MouseArrow": paint_cursor,
    "ListboxSelectionBrush": paint_solid(mix(BRASS, CREAM, 0.35)),
    "White": paint_solid((255, 255, 255)),
    "CheckOff": paint_check(False, False),
    "CheckOn": paint_check(True, False),
    "CheckHover": paint_check(False, True),
    "CheckOnHover": paint_check(True, True),
    "ArrowDown": paint_arrow("down"),
    "ArrowUp": paint_arrow("up"),
    "ArrowLeft": paint_arrow("left"),
    "ArrowRight": paint_arrow("right"),
    "CloseX": paint_close,
    "Emblem": paint_emblem,
}

SLICES = ("TL", "T", "TR", "L", "C", "R", "BL", "B", "BR")


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--imageset", required=True)
    ap.add_argument("--out", required=True, help="folder for the PNG and the font links")
    ap.add_argument("--fontdir", required=True)
    ap.add_argument("--font", action="append", default=[], help="TTF file name to link")
    args = ap.parse_args()

    root = ET.parse(args.imageset).getroot()
    images = {}
    for img in root.iter("Image"):
        images[img.get("name")] = tuple(
            int(img.get(k)) for k in ("xPos", "yPos", "width", "height"))
    right = max(x + w for x, y, w, h in images.values())
    bottom = max(y + h for x, y, w, h in images.values())
    width = 1 << (right - 1).bit_length()
    height = 1 << (bottom - 1).bit_length()
    canvas = Canvas(width, height)

    painted = set()
    for fam, style in FAMILIES.items():
        names = [fam + s for s in SLICES]
        if not all(n in images for n in names):
            continue
        ox, oy = images[fam + "TL"][:2]
        frame_cell(canvas, ox, oy, **style)
        painted.update(names)
    for name, painter in SINGLE.items():
        if name in images:
            x, y, w, h = images[name]
            painter(canvas, x, y, w, h)
            painted.add(name)
    missing = sorted(set(images) - painted)
    if missing:
        sys.exit("skingen: no painter for " + ", ".join(missing))

    os.makedirs(args.out, exist_ok=True)
    png_name = root.get("imagefile")
    tmp = os.path.join(args.out, png_name + ".tmp")
    with open(tmp, "wb") as f:
        f.write(canvas.png())
    os.replace(tmp, os.path.join(args.out, png_name))

    for font in args.font:
        src = os.path.join(args.fontdir, font)
        if not os.path.isfile(src):
            sys.exit("skingen: font not found: " + src)
        dst = os.path.join(args.out, font)
        if os.path.lexists(dst):
            os.remove(dst)
        os.symlink(src, dst)


if __name__ == "__main__":
    main()
