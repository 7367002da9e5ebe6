#!/usr/bin/env python3
"""Checks a screenshot of the main window: a PNG of the expected size that
shows a window (many colours, a black drawing area that does not fill it all).

usage: check_png.py FILE.png WIDTH HEIGHT [RRGGBB ...]

Each RRGGBB given must cover at least 100 pixels (a drawing's fills).
"""
import struct
import sys
import zlib


def fail(msg):
    print("check_png: " + msg, file=sys.stderr)
    sys.exit(1)


def read_png(path):
    try:
        with open(path, "rb") as f:
            data = f.read()
    except OSError as e:
        fail("cannot read %s: %s" % (path, e))
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        fail("%s is not a PNG file" % path)
    pos, ihdr, idat = 8, None, []
    while pos + 8 <= len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            ihdr = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat.append(body)
        elif kind == b"IEND":
            break
        pos += 12 + length
    if ihdr is None or not idat:
        fail("%s has no image header or no image data" % path)
    return ihdr, zlib.decompress(b"".join(idat))


def unfilter(raw, width, height, bpp):
    """The rows of pixel bytes, with the PNG row filters undone."""
    stride = width * bpp
    rows, prev = [], bytearray(stride)
    pos = 0
    for _ in range(height):
        ftype = raw[pos]
        line = bytearray(raw[pos + 1:pos + 1 + stride])
        pos += 1 + stride
        if ftype == 1:
            for i in range(bpp, stride):
                line[i] = (line[i] + line[i - bpp]) & 0xFF
        elif ftype == 2:
            line = bytearray((a + b) & 0xFF for a, b in zip(line, prev))
        elif ftype == 3:
            for i in range(stride):
                left = line[i - bpp] if i >= bpp else 0
                line[i] = (line[i] + ((left + prev[i]) >> 1)) & 0xFF
        elif ftype == 4:
            for i in range(stride):
                a = line[i - bpp] if i >= bpp else 0
                b = prev[i]
                c = prev[i - bpp] if i >= bpp else 0
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                pred = a if pa <= pb and pa <= pc else (b if pb <= pc else c)
                line[i] = (line[i] + pred) & 0xFF
        elif ftype != 0:
            fail("unknown row filter %d" % ftype)
        rows.append(bytes(line))
        prev = line
    return rows


def main():
    if len(sys.argv) < 4:
        fail("usage: check_png.py FILE.png WIDTH HEIGHT [RRGGBB ...]")
    wanted = {bytes.fromhex(h): 0 for h in sys.argv[4:]}
    path, want_w, want_h = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
    (width, height, depth, ctype, _, _, interlace), raw = read_png(path)
    if (width, height) != (want_w, want_h):
        fail("%s is %dx%d, expected %dx%d" % (path, width, height, want_w, want_h))
    channels = {0: 1, 2: 3, 4: 2, 6: 4}.get(ctype)
    if depth != 8 or channels is None or interlace != 0:
        fail("unexpected PNG layout: depth %d, colour type %d, interlace %d" % (depth, ctype, interlace))
    rows = unfilter(raw, width, height, channels)

    colours = set()
    black = 0
    for row in rows:
        for x in range(0, len(row), channels):
            px = row[x:x + min(channels, 3)]
            colours.add(px)
            if px in wanted:
                wanted[px] += 1
            if max(px) == 0:
                black += 1
    total = width * height
    if len(colours) < 8:
        fail("%s is blank: only %d colour(s)" % (path, len(colours)))
    # The drawing area is black and takes much of the window, but not all.
    share = black / total
    if not 0.2 <= share <= 0.95:
        fail("%s: black covers %.0f%% of the picture; no drawing area beside the other regions" % (path, share * 100))
    for px, n in wanted.items():
        if n < 100:
            fail("%s: colour %s covers %d pixels, expected at least 100" % (path, px.hex(), n))
    print("check_png: %s %dx%d, %d colours, %.0f%% drawing area" % (path, width, height, len(colours), share * 100))


if __name__ == "__main__":
    main()
