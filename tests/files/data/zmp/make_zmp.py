#!/usr/bin/python3
# Writes the .ZMP map fixtures of the import tests: a header of 64 bytes,
# then per map layer a (start, length) pair of 32-bit little-endian words at
# byte 64 + 8 * layer, then the records. A record starts with a word whose
# low 20 bits are its length in words (itself included) and whose top six
# bits are its type: 16 a polyline (two skipped words, then points), 17 a
# filled polygon (a bounding box, then points); points are two signed
# 16-bit integers.
# Regenerate with: /usr/bin/python3 make_zmp.py (in this folder).
import struct


def polyline(points):
    body = b"".join(struct.pack("<hh", x, y) for x, y in points)
    length = 1 + 2 + len(points)
    return struct.pack("<I", (16 << 26) | length) + b"\0" * 8 + body


def polygon(points):
    xs = [p[0] for p in points]
    ys = [p[1] for p in points]
    box = struct.pack("<hhhh", min(xs), min(ys), max(xs), max(ys))
    body = b"".join(struct.pack("<hh", x, y) for x, y in points)
    length = 1 + 2 + len(points)
    return struct.pack("<I", (17 << 26) | length) + box + body


def other(words):
    return struct.pack("<I", (5 << 26) | (1 + words)) + b"\0" * (4 * words)


def write(name, layers):
    """layers: {layer number: [records]}"""
    header = bytearray(64 + 8 * 256)
    data = bytearray()
    base = len(header) // 4
    for number, records in layers.items():
        blob = b"".join(records)
        start = base + len(data) // 4
        struct.pack_into("<II", header, 64 + 8 * number, start, len(blob) // 4)
        data += blob
    with open(name, "wb") as f:
        f.write(bytes(header) + bytes(data))


# Layer 1: a polyline of three points, a record of another type, a polygon.
write("basic.zmp", {1: [polyline([(10, 20), (30, 20), (30, 50)]), other(3),
                        polygon([(0, 0), (100, 0), (100, 40), (0, 40)])]})
# Layers 1, 9 and 255: "*R" reads 255 first, then 1..254, pens rotating per polyline.
write("layers.zmp", {1: [polyline([(0, 0), (10, 0)]), polyline([(0, 5), (10, 5)])],
                     9: [polyline([(0, 9), (10, 9)])],
                     255: [polygon([(0, 0), (5, 0), (5, 5)]), polygon([(10, 0), (15, 0), (15, 5)])]})
# A record of length 0 ends its layer: the polyline after it is not read.
write("zero.zmp", {1: [polyline([(0, 0), (10, 0)]), struct.pack("<I", 16 << 26),
                       polyline([(0, 7), (10, 7)])]})
