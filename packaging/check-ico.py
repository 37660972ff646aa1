#!/usr/bin/env python3
"""Parse packaging/kivrel.ico back and check its structure.

Reads the ICONDIR, every ICONDIRENTRY and every BITMAPINFOHEADER and checks
that the file holds exactly six palettised images: 48x48, 32x32 and 16x16,
each at 8 bits per pixel (256-colour palette) and 4 bits per pixel
(16-colour palette), with a 1-bit AND mask, and that the stored sizes and
offsets agree with the headers.  Also checks the RGBA PNGs in icons/.

Usage:  python3 packaging/check-ico.py [path/to/file.ico]
Exit status 0 when everything checks out, 1 otherwise.
"""

import os
import struct
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
WANTED = {(s, b) for s in (48, 32, 16) for b in (8, 4)}


def row_bytes(width, bits):
    return ((width * bits + 31) // 32) * 4


def check_ico(path):
    errors = []
    data = open(path, "rb").read()
    print("%s: %d bytes" % (os.path.relpath(path), len(data)))
    reserved, kind, count = struct.unpack_from("<HHH", data, 0)
    print("ICONDIR: reserved=%d type=%d count=%d" % (reserved, kind, count))
    if reserved != 0 or kind != 1:
        errors.append("ICONDIR: reserved must be 0 and type 1")
    if count != len(WANTED):
        errors.append("ICONDIR: %d images, expected %d"
                      % (count, len(WANTED)))
    found = set()
    spans = []
    for i in range(count):
        (w, h, colours, res, planes, bits, nbytes,
         offset) = struct.unpack_from("<BBBBHHII", data, 6 + 16 * i)
        w = w or 256
        h = h or 256
        tag = "entry %d" % i
        if offset + nbytes > len(data):
            errors.append("%s: data runs past end of file" % tag)
            continue
        (hsize, bw, bh, bplanes, bbits, comp, img_size, _xppm, _yppm,
         used, important) = struct.unpack_from("<IiiHHIIiiII", data, offset)
        pal = used if used else (1 << bbits)
        xor = row_bytes(bw, bbits) * bw
        and_ = row_bytes(bw, 1) * bw
        expect = hsize + 4 * pal + xor + and_
        print("%s: dir %dx%d colours=%d planes=%d bits=%d bytes=%d "
              "offset=%d | BITMAPINFOHEADER size=%d width=%d height=%d "
              "planes=%d bits=%d compression=%d palette=%d"
              % (tag, w, h, colours, planes, bits, nbytes, offset, hsize,
                 bw, bh, bplanes, bbits, comp, pal))
        if hsize != 40:
            errors.append("%s: header size %d, expected 40" % (tag, hsize))
        if bw != w or bh != 2 * h:
            errors.append("%s: DIB %dx%d, expected %dx%d (height x2)"
                          % (tag, bw, bh, w, 2 * h))
        if bbits not in (4, 8):
            errors.append("%s: %d bits per pixel" % (tag, bbits))
        if bbits != bits:
            errors.append("%s: directory says %d bits, DIB %d"
                          % (tag, bits, bbits))
        want_colours = 16 if bbits == 4 else 0
        if colours != want_colours:
            errors.append("%s: colour count %d, expected %d"
                          % (tag, colours, want_colours))
        if pal != (1 << bbits):
            errors.append("%s: palette of %d, expected %d"
                          % (tag, pal, 1 << bbits))
        if bplanes != 1 or planes != 1 or comp != 0 or res != 0:
            errors.append("%s: planes/compression/reserved not 1/0/0" % tag)
        if nbytes != expect:
            errors.append("%s: %d bytes stored, headers imply %d"
                          % (tag, nbytes, expect))
        if img_size not in (0, xor + and_):
            errors.append("%s: biSizeImage %d, expected %d"
                          % (tag, img_size, xor + and_))
        # Transparent pixels (AND bit set) must use a black palette entry,
        # otherwise they would tint what lies under the icon.
        pal_off = offset + hsize
        xor_off = pal_off + 4 * pal
        and_off = xor_off + xor
        transparent = tinted = 0
        for y in range(bw):
            for x in range(bw):
                m = data[and_off + y * row_bytes(bw, 1) + x // 8]
                if not (m >> (7 - x % 8)) & 1:
                    continue
                transparent += 1
                byte = data[xor_off + y * row_bytes(bw, bbits)
                            + x * bbits // 8]
                idx = byte if bbits == 8 else (
                    (byte >> 4) if x % 2 == 0 else (byte & 15))
                if data[pal_off + 4 * idx:pal_off + 4 * idx + 3] != b"\0\0\0":
                    tinted += 1
        print("    %d of %d pixels transparent" % (transparent, bw * bw))
        if tinted:
            errors.append("%s: %d transparent pixels are not black"
                          % (tag, tinted))
        spans.append((offset, offset + nbytes))
        found.add((w, bbits))
    spans.sort()
    for (a0, a1), (b0, _b1) in zip(spans, spans[1:]):
        if b0 < a1:
            errors.append("image data overlaps at offset %d" % b0)
    if spans and spans[0][0] < 6 + 16 * count:
        errors.append("image data overlaps the directory")
    for s, b in sorted(WANTED - found, reverse=True):
        errors.append("missing %dx%d at %d bits per pixel" % (s, s, b))
    return errors


def check_png(path, size):
    errors = []
    with open(path, "rb") as f:
        head = f.read(33)
    if head[:8] != b"\x89PNG\r\n\x1a\n" or head[12:16] != b"IHDR":
        return ["%s: not a PNG" % path]
    w, h, depth, ctype = struct.unpack(">IIBB", head[16:26])
    print("%s: %dx%d depth=%d colour type=%d%s"
          % (os.path.relpath(path), w, h, depth, ctype,
             " (RGBA)" if ctype == 6 else ""))
    if (w, h, depth, ctype) != (size, size, 8, 6):
        errors.append("%s: expected %dx%d 8-bit RGBA" % (path, size, size))
    return errors


def main(argv):
    ico = argv[1] if len(argv) > 1 else os.path.join(HERE, "kivrel.ico")
    errors = check_ico(ico)
    for s in (48, 32, 16):
        errors += check_png(os.path.join(HERE, "icons", "kivrel-%d.png" % s),
                            s)
    for e in errors:
        print("ERROR:", e)
    print("OK" if not errors else "FAILED (%d errors)" % len(errors))
    return 0 if not errors else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv))
