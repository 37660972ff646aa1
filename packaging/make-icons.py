#!/usr/bin/env python3
"""Draw the Kivrel icon and write every icon file the project ships.

Python 3 standard library only: the pixels are computed here (anti-aliased
by supersampling) and the PNG and ICO containers are written with struct and
zlib, so the output is byte-for-byte reproducible.

The picture is a round dial: a dark rim, a white face, a pale-blue sector
that has "filled up" from twelve o'clock to the red needle (time used so
far), and a green lamp at the lower right that stands for "online".  The
small sizes are drawn with their own, simpler parameters (fewer or no tick
marks, thicker strokes, a larger lamp) rather than being scaled down.

Outputs (paths relative to this script's directory):
  icons/kivrel-48.png, icons/kivrel-32.png, icons/kivrel-16.png
      RGBA PNGs for the Linux icon theme and the Qt tray icon.
  kivrel.ico
      One Windows icon with six images: 48, 32 and 16 pixels, each as
      8 bits per pixel (256-colour palette) and 4 bits per pixel
      (16-colour palette), palettised BMP DIBs with an AND mask.

Usage:  python3 packaging/make-icons.py
"""

import math
import os
import struct
import sys
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))

# ---------------------------------------------------------------------------
# Colours (the "inks" of the design).  Palettised images always keep these.
# ---------------------------------------------------------------------------
RIM = (38, 53, 69)            # dark slate: rim, ticks, hub, lamp bezel
FACE = (248, 250, 252)        # dial face
SECTOR = (142, 197, 245)      # elapsed-time sector
NEEDLE = (214, 48, 39)        # needle
LAMP = (46, 196, 72)          # "online" lamp
LAMP_HI = (190, 245, 200)     # lamp highlight
INKS = [RIM, FACE, SECTOR, NEEDLE, LAMP, LAMP_HI]

# Per-size drawing parameters, all in units of the icon edge (0..1).
# needle_at is the needle angle in degrees clockwise from twelve o'clock.
PARAMS = {
    48: dict(needle_at=240, rim_r=0.470, rim_w=0.070,
             ticks=12, major_len=0.115, major_w=0.052,
             minor_len=0.065, minor_w=0.032,
             needle_len=0.345, needle_w=0.068, hub_r=0.058,
             lamp_c=(0.800, 0.800), lamp_r=0.170, lamp_in=0.118,
             lamp_hi=True),
    32: dict(needle_at=240, rim_r=0.470, rim_w=0.080,
             ticks=4, major_len=0.120, major_w=0.066,
             minor_len=0.0, minor_w=0.0,
             needle_len=0.330, needle_w=0.085, hub_r=0.070,
             lamp_c=(0.795, 0.795), lamp_r=0.185, lamp_in=0.125,
             lamp_hi=True),
    # 16 px: no ticks, no hub, a horizontal needle that sits on whole
    # pixel rows, and a lamp as large as the dial allows.
    16: dict(needle_at=270, rim_r=0.480, rim_w=0.100,
             ticks=0, major_len=0.0, major_w=0.0,
             minor_len=0.0, minor_w=0.0,
             needle_len=0.3125, needle_w=0.125, hub_r=0.0,
             needle_flat=True,
             lamp_c=(0.765, 0.765), lamp_r=0.215, lamp_in=0.150,
             lamp_hi=False),
}

CENTRE = (0.5, 0.5)
SUPERSAMPLE = 8                     # samples per pixel edge


def _clock_dir(angle):
    """Unit vector for an angle measured clockwise from twelve o'clock
    (screen coordinates, y grows downwards)."""
    return math.sin(angle), -math.cos(angle)


def _in_circle(x, y, cx, cy, r):
    return (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def _in_bar(x, y, cx, cy, angle, r0, r1, w):
    """Inside a radial bar from radius r0 to r1 of width w."""
    dx, dy = _clock_dir(angle)
    px, py = x - cx, y - cy
    along = px * dx + py * dy
    perp = -px * dy + py * dx
    return r0 <= along <= r1 and abs(perp) <= w / 2


def _in_capsule(x, y, ax, ay, bx, by, w):
    """Inside a stroke from a to b of width w with round ends."""
    vx, vy = bx - ax, by - ay
    px, py = x - ax, y - ay
    t = (px * vx + py * vy) / (vx * vx + vy * vy)
    t = min(1.0, max(0.0, t))
    qx, qy = px - t * vx, py - t * vy
    return qx * qx + qy * qy <= (w / 2) ** 2


def make_sampler(p):
    """Return f(x, y) -> RGB or None (transparent) for unit coordinates."""
    cx, cy = CENTRE
    face_r = p["rim_r"] - p["rim_w"]
    lx, ly = p["lamp_c"]
    # Needle angle, clockwise from twelve o'clock; the sector fills up to it.
    sector_end = math.radians(p["needle_at"])
    ndx, ndy = _clock_dir(sector_end)
    tip = (cx + ndx * p["needle_len"], cy + ndy * p["needle_len"])
    ticks = []
    for i in range(p["ticks"]):
        a = 2 * math.pi * i / p["ticks"]
        major = (i * 4) % p["ticks"] == 0   # 12, 3, 6 and 9 o'clock
        if major:
            ticks.append((a, face_r - p["major_len"], p["major_w"]))
        elif p["minor_len"] > 0:
            ticks.append((a, face_r - p["minor_len"], p["minor_w"]))
    hi_c = (lx - p["lamp_in"] * 0.35, ly - p["lamp_in"] * 0.35)
    hi_r = p["lamp_in"] * 0.38

    def sample(x, y):
        # Front to back: the first shape that covers the point wins.
        if _in_circle(x, y, lx, ly, p["lamp_r"]):
            if _in_circle(x, y, lx, ly, p["lamp_in"]):
                if p["lamp_hi"] and _in_circle(x, y, *hi_c, hi_r):
                    return LAMP_HI
                return LAMP
            return RIM
        if not _in_circle(x, y, cx, cy, p["rim_r"]):
            return None
        if not _in_circle(x, y, cx, cy, face_r):
            return RIM
        if p["hub_r"] > 0 and _in_circle(x, y, cx, cy, p["hub_r"]):
            return RIM
        if p.get("needle_flat"):
            if _in_bar(x, y, cx, cy, sector_end, 0.0, p["needle_len"],
                       p["needle_w"]):
                return NEEDLE
        elif _in_capsule(x, y, cx, cy, tip[0], tip[1], p["needle_w"]):
            return NEEDLE
        for a, r0, w in ticks:
            if _in_bar(x, y, cx, cy, a, r0, face_r + 0.01, w):
                return RIM
        ang = math.atan2(x - cx, -(y - cy)) % (2 * math.pi)
        return SECTOR if ang <= sector_end else FACE

    return sample


def render(size):
    """Render the icon at `size` pixels: list of rows of (r, g, b, a)."""
    sample = make_sampler(PARAMS[size])
    n = SUPERSAMPLE
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            r = g = b = hits = 0
            for sy in range(n):
                y = (py + (sy + 0.5) / n) / size
                for sx in range(n):
                    x = (px + (sx + 0.5) / n) / size
                    c = sample(x, y)
                    if c is not None:
                        r += c[0]
                        g += c[1]
                        b += c[2]
                        hits += 1
            if hits:
                # Straight (not premultiplied) colour of the covered part.
                row.append((round(r / hits), round(g / hits),
                            round(b / hits), round(255 * hits / (n * n))))
            else:
                row.append((0, 0, 0, 0))
        rows.append(row)
    return rows


# ---------------------------------------------------------------------------
# PNG
# ---------------------------------------------------------------------------
def _png_chunk(tag, data):
    body = tag + data
    return struct.pack(">I", len(data)) + body + struct.pack(
        ">I", zlib.crc32(body) & 0xFFFFFFFF)


def write_png(path, rows):
    h = len(rows)
    w = len(rows[0])
    raw = bytearray()
    for row in rows:
        raw.append(0)  # filter type: none
        for px in row:
            raw.extend(px)
    data = b"\x89PNG\r\n\x1a\n"
    data += _png_chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 6, 0, 0, 0))
    data += _png_chunk(b"IDAT", zlib.compress(bytes(raw), 9))
    data += _png_chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(data)


# ---------------------------------------------------------------------------
# Palette reduction
# ---------------------------------------------------------------------------
def _dist(a, b):
    # Perceptually weighted squared RGB distance.
    dr, dg, db = a[0] - b[0], a[1] - b[1], a[2] - b[2]
    return 2 * dr * dr + 4 * dg * dg + 3 * db * db


def _nearest(c, pal):
    best, bi = None, 0
    for i, p in enumerate(pal):
        d = _dist(c, p)
        if best is None or d < best:
            best, bi = d, i
    return bi


def build_palette(counts, n_colours):
    """Choose at most n_colours colours for the opaque pixels.

    `counts` maps RGB -> pixel count.  The design inks are always kept
    (those that occur); the remaining slots are seeded by farthest-point
    selection and refined with a few weighted k-means rounds in which the
    inks stay fixed.
    """
    colours = sorted(counts)
    if len(colours) <= n_colours:
        return colours
    fixed = [c for c in INKS if c in counts][:n_colours]
    pal = list(fixed)
    while len(pal) < n_colours:
        # Farthest-point seeding, weighted by how common the colour is.
        best, pick = -1, None
        for c in colours:
            d = min(_dist(c, p) for p in pal) * math.sqrt(counts[c])
            if d > best:
                best, pick = d, c
        if best <= 0:
            break
        pal.append(pick)
    for _ in range(6):
        sums = [[0, 0, 0, 0] for _ in pal]
        for c in colours:
            i = _nearest(c, pal)
            k = counts[c]
            s = sums[i]
            s[0] += c[0] * k
            s[1] += c[1] * k
            s[2] += c[2] * k
            s[3] += k
        for i in range(len(fixed), len(pal)):
            s = sums[i]
            if s[3]:
                pal[i] = (round(s[0] / s[3]), round(s[1] / s[3]),
                          round(s[2] / s[3]))
    # Drop duplicates while keeping order.
    seen, out = set(), []
    for c in pal:
        if c not in seen:
            seen.add(c)
            out.append(c)
    return out


def palettise(rows, bits):
    """Reduce an RGBA image to (palette, index rows, mask rows).

    Palette entry 0 is black and is what transparent pixels use, as the
    AND-mask/XOR drawing of icons requires.  A pixel is opaque when at
    least half of it is covered.
    """
    n_total = 1 << bits
    counts = {}
    for row in rows:
        for r, g, b, a in row:
            if a >= 128:
                counts[(r, g, b)] = counts.get((r, g, b), 0) + 1
    opaque_pal = build_palette(counts, n_total - 1)
    palette = [(0, 0, 0)] + opaque_pal
    lookup = {}
    idx_rows, mask_rows = [], []
    for row in rows:
        irow, mrow = [], []
        for r, g, b, a in row:
            if a >= 128:
                c = (r, g, b)
                if c not in lookup:
                    lookup[c] = 1 + _nearest(c, opaque_pal)
                irow.append(lookup[c])
                mrow.append(0)
            else:
                irow.append(0)
                mrow.append(1)
        idx_rows.append(irow)
        mask_rows.append(mrow)
    palette += [(0, 0, 0)] * (n_total - len(palette))
    return palette, idx_rows, mask_rows


# ---------------------------------------------------------------------------
# ICO
# ---------------------------------------------------------------------------
def _pack_bits(values, bits):
    """Pack one row of small integers MSB-first and pad to 4 bytes."""
    out = bytearray()
    per_byte = 8 // bits
    for i in range(0, len(values), per_byte):
        byte = 0
        for j in range(per_byte):
            v = values[i + j] if i + j < len(values) else 0
            byte = (byte << bits) | v
        out.append(byte)
    while len(out) % 4:
        out.append(0)
    return bytes(out)


def dib(rows, bits):
    """A palettised BMP DIB (header, palette, XOR image, AND mask)."""
    size = len(rows)
    palette, idx_rows, mask_rows = palettise(rows, bits)
    xor = b"".join(_pack_bits(r, bits) for r in reversed(idx_rows))
    and_ = b"".join(_pack_bits(r, 1) for r in reversed(mask_rows))
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bits, 0,
                         len(xor) + len(and_), 0, 0, 0, 0)
    pal = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in palette)
    return header + pal + xor + and_


def write_ico(path, images):
    """images: list of (size, bits, dib bytes)."""
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    entries, blobs = b"", b""
    for size, bits, blob in images:
        colour_count = (1 << bits) if bits < 8 else 0
        entries += struct.pack("<BBBBHHII", size % 256, size % 256,
                               colour_count, 0, 1, bits, len(blob), offset)
        blobs += blob
        offset += len(blob)
    with open(path, "wb") as f:
        f.write(out + entries + blobs)


def main():
    icon_dir = os.path.join(HERE, "icons")
    os.makedirs(icon_dir, exist_ok=True)
    sizes = (48, 32, 16)
    rendered = {s: render(s) for s in sizes}
    for s in sizes:
        path = os.path.join(icon_dir, "kivrel-%d.png" % s)
        write_png(path, rendered[s])
        print("wrote", os.path.relpath(path))
    images = []
    for bits in (8, 4):
        for s in sizes:
            images.append((s, bits, dib(rendered[s], bits)))
    ico = os.path.join(HERE, "kivrel.ico")
    write_ico(ico, images)
    print("wrote", os.path.relpath(ico),
          "(%s)" % ", ".join("%dx%d %dbpp" % (s, s, b) for s, b, _ in images))
    return 0


if __name__ == "__main__":
    sys.exit(main())
