#!/usr/bin/python3
# Golden JWC and JWK files for the JWC reader's and writer's tests, built
# field by field from the file layout, independently of the program's
# writer. Regenerate with:
#   cd tests/files/data/jwc && python3 make_jwc_golden.py
#
# reader.jwc      paper A3 (code 3), field 30 = 518, basic scale 1, group
#                 scales as floats, the write layer packed (16 x group +
#                 layer, field 10 the group); lines (one beyond the limit),
#                 arcs (w = 10001 circular, w = 5000 elliptic), texts, points,
#                 auxiliary points, names
# reader_i16.jwc  the same drawing with 16-bit group scales, field 30 = 259,
#                 the write layer as a layer code in field 10 and plain
#                 layer numbers per group
# part.jwk        a part: two lines and an arc about its reference point
# writer.jwc      what the writer must make of the drawing that
#                 fSave_JWC_test.cpp builds (JwcWriterGolden)
import math
import struct

SIGNATURE = b"jw_cad(c)data.......a.f.m..............."
BLOCK = 200


def block(text):
    b = text.encode("cp932")[:198] + b"\0"
    return b.ljust(199, b" ") + b"\n"


def signature(title1=b"", title2=b"", sig=SIGNATURE):
    b = sig + title1[:31]
    b = b.ljust(72, b"\0") + title2[:31]
    b = b.ljust(104, b"\0")
    return b.ljust(199, b" ") + b"\n"


def f32(*vs):
    return b"".join(struct.pack("<f", v) for v in vs)


def i16(*vs):
    return b"".join(struct.pack("<h", v) for v in vs)


def i32(*vs):
    return b"".join(struct.pack("<i", v) for v in vs)


def line(x1, y1, x2, y2, ltype, colour, layer):
    return f32(x1, y1, x2, y2) + bytes([ltype, colour, layer, 0, 0, 0])


def arc(cx, cy, r, w, a, b, c, ltype, colour, layer):
    return f32(cx, cy, r) + i16(w) + i32(a, b, c) + bytes([ltype, colour, layer, 0, 0, 0])


def text_record(x1, y1, x2, y2, offset, size, layer, flags):
    return f32(x1, y1, x2, y2) + i32(offset) + bytes([size, layer, flags, 0])


def point(x, y, layer, colour):
    return f32(x, y) + bytes([layer, colour, 0, 0])


def names(layer_names, group_names, pad=b" "):
    out = b""
    for g in range(16):
        for l in range(16):
            out += layer_names.get((g, l), b"")[:8].ljust(8, pad)
    for g in range(16):
        out += group_names.get(g, b"")[:16].ljust(16, pad)
    return out


def aux_arrays(points):
    xs = [p[0] for p in points] + [0.0] * (101 - len(points))
    ys = [p[1] for p in points] + [0.0] * (101 - len(points))
    ls = bytes([p[2] for p in points] + [0] * (101 - len(points)))
    return f32(*xs) + f32(*ys) + ls


def size_table(sizes):
    """sizes: 11 tuples (pen, width, height, spacing) in millimetres."""
    return (i16(*[s[0] for s in sizes]) + i16(*[round(s[1] * 10) for s in sizes])
            + i16(*[round(s[2] * 10) for s in sizes]) + i16(*[round(s[3] * 10) for s in sizes]))


def flags(group_visible, layer_visible, write_bytes):
    g = bytes(group_visible)
    l = bytes(layer_visible)
    return g + l + g + l + bytes(write_bytes)


# ---- reader.jwc -------------------------------------------------------------

def reader_drawing(float_scales, field30, packed):
    texts = [b"ABC", "平面図".encode("cp932"), b"skip"]
    pool = b"".join(t + b"\0" for t in texts)
    lines = [
        line(0, 0, 518, 0, 1, 1, 0x00),
        line(10, 20, 30, 40, 2, 3, 0x35),
        line(0, 0, 300000000, 0, 1, 1, 0x00),  # 2.4e8 after k: not read
        line(1, 1, 2, 2, 9, 7, 0x01),          # line type 9: the auxiliary pen
    ]
    arcs = [
        arc(100, 100, 50, 10001, 0, 90 * 65536, 45 * 65536, 1, 2, 0x10),
        arc(200, 100, 40, 5000, 0, 0, 30 * 65536, 1, 1, 0x10),
        arc(300, 100, 40, 5000, 10 * 65536, 80 * 65536, 30 * 65536, 1, 1, 0x10),
    ]
    trecs = [
        text_record(50, 60, 80, 60, 0, 3, 0x22, 0),
        text_record(50, 80, 50, 110, 4, 12, 0x22, 0x20),   # vertical, size byte past 10
        text_record(3e8, 0, 3e8 + 1, 0, 11, 1, 0, 0),      # beyond the limit: no cell, no text
    ]
    points = [point(7, 8, 0x31, 1)]
    aux = [(1.5, 2.5, 0x02), (3.0, 4.0, 0x13)]

    sizes = [(1, 0, 0, 0)] + [(min(n, 6), n + 0.5, n + 1.0, n / 10.0) for n in range(1, 11)]
    sizes[4] = (9, 4.5, 5.0, 0.4)  # pen 9: read as 7
    group_visible = [1] * 16
    group_visible[2] = 0
    layer_visible = [1] * 256
    layer_visible[16 * 1 + 3] = 0
    write_layers = [0] * 16
    write_layers[3] = 5
    write_layers[1] = 4
    if packed:
        write_field = 3
        write_bytes = [16 * g + write_layers[g] for g in range(16)]
    else:
        write_field = 0x35
        write_bytes = write_layers
    scales = [1.0] * 16
    scales[1] = 50.0
    scales[2] = 0.0  # none: the basic scale

    out = signature(b"TITLE-ONE", "第二".encode("cp932"),
                    SIGNATURE if float_scales else SIGNATURE[:22] + b"i" + SIGNATURE[23:])
    counts = [len(lines), len(arcs), len(trecs), len(points), len(aux), 2, 2, 2, 2,
              1, write_field, 3, 6, 9, "4.87", "9.74", 5, 10, 23270, 0, 0, 0, 1, 2, 3, 5, 5, 0, 0, 0,
              field30, 0]
    out += block(",".join(str(c) for c in counts))
    out += block("0.7,1.5,3.0,15.0,2,1,0,0,1,2,0.9")
    out += block("0000:%04X,0000:%04X,0,0" % (0, len(pool)))
    out += aux_arrays(aux)
    out += size_table(sizes)
    out += f32(*scales) if float_scales else i16(*[int(s) for s in scales])
    out += flags(group_visible, layer_visible, write_bytes)
    out += b"".join(lines) + b"".join(arcs) + b"".join(trecs) + pool + b"".join(points)
    out += names({(0, 0): b"kiso", (3, 5): "壁".encode("cp932")},
                 {0: b"first", 3: "詳細図".encode("cp932")})
    return out


# ---- part.jwk ---------------------------------------------------------------

def part():
    out = signature(b"part")
    out += block("2,1,100,50")
    out += line(0, 0, 200, 0, 1, 1, 0x00)
    out += line(200, 0, 200, 100, 2, 4, 0x03)
    out += arc(100, 50, 20, 10000, 0, 0, 0, 1, 3, 0x00)
    return out


# ---- writer.jwc -------------------------------------------------------------
# The drawing of JwcWriterGolden, basic scale 1, extents up to x = 300:
# paper A4 (code 4), k = 297 / 518.

def writer():
    k = 297 / 518 * 1
    d = lambda *vs: f32(*[v / k for v in vs])

    def deg(a):
        return round(a * 65536)

    sizes = [(1, 0, 0, 0)] + [(min(n, 6), 1.5 * n, 2.0 * n, 0.5) for n in range(1, 11)]
    group_visible = [1] * 16
    group_visible[2] = 0
    layer_visible = [1] * 256
    layer_visible[16 * 0 + 3] = 0
    last_layers = [0] * 16
    last_layers[1] = 2   # the write layer 0x12
    last_layers[5] = 7
    scales = [1.0] * 16
    scales[1] = 2.5

    lines = [
        d(0, 0, 300, 100) + bytes([1, 1, 0x12, 0, 0, 0]),
        # The triangle fill (pen 0x32, layer 0x01): sides, then medians.
        d(0, 0, 40, 0) + bytes([3, 2, 0x01, 0, 0, 0]),
        d(40, 0, 20, 30) + bytes([3, 2, 0x01, 0, 0, 0]),
        d(20, 30, 0, 0) + bytes([3, 2, 0x01, 0, 0, 0]),
        d(0, 0, 30, 15) + bytes([3, 2, 0x01, 0, 0, 0]),
        d(40, 0, 10, 15) + bytes([3, 2, 0x01, 0, 0, 0]),
        d(20, 30, 20, 0) + bytes([3, 2, 0x01, 0, 0, 0]),
        # A line in the auxiliary pen: line type 9.
        d(0, 10, 10, 10) + bytes([9, 6, 0x00, 0, 0, 0]),
    ]
    arcs = [
        d(100, 100, 50) + i16(10000) + i32(0, deg(90), 0) + bytes([2, 3, 0x00, 0, 0, 0]),
        d(200, 50, 20) + i16(10000) + i32(0, 0, 0) + bytes([1, 5, 0x00, 0, 0, 0]),
        d(150, 150, 40) + i16(5000) + i32(deg(10), deg(100), deg(30)) + bytes([1, 1, 0x00, 0, 0, 0]),
    ]
    # Texts: "AB" of size 3 at (10, 20), "X^u2" of size 2 at (30, 40) turned
    # 90 degrees, and "own" of its own size 4.1 high (size 2 of 4 mm fits).
    texts = [(b"AB", 10, 20, 0, 3, 3), (b"X^u2", 30, 40, math.pi / 2, 2, 2), (b"own", 60, 20, 0, 2, None)]
    trecs = b""
    pool = b""
    for t, x, y, a, size, table in texts:
        w, g = (1.5 * table, 0.5) if table else (3.0, 0.25)
        length = len(t) * (w + g) * 0.5
        trecs += d(x, y, x + math.cos(a) * length, y + math.sin(a) * length)
        trecs += i32(len(pool)) + bytes([size, 0x04, 0, 0])
        pool += t + b"\0"
    points = d(5, 6) + bytes([0x00, 2, 0, 0])
    aux = [(70.0, 80.0, 0x00), (71.0, 81.0, 0x21)]

    out = signature(b"plan-A", b"")
    counts = [len(lines), len(arcs), len(texts), 1, len(aux), 2, 2, 2, 2, "1", 1, 4, 6, 9, "4.87", "9.74",
              5, 10, 23270, "0,0,0,1,2,3", "5,5,0,0,0", 518, 0]
    out += block(",".join(str(c) for c in counts))
    # Centimetres, one decimal: millimetres with two. The text gap 0.25 in
    # fields 0 and 10.
    out += block("0.25,1.5,3.0,15.0,2,1,0,0,0,2,0.25,0.0,0.0,0.0,0.0,0.0"
                 ",0,0,0,3300.000,3300.000,0.000,5136.000,2.000,680.000,0,0,1")
    out += block("0000:0000,0000:%04X,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,36,-23.45,0,0,-1,215,5" % len(pool))
    out += aux_arrays(aux)
    out += size_table(sizes)
    out += f32(*scales)
    out += flags(group_visible, layer_visible, [16 * g + last_layers[g] for g in range(16)])
    out += b"".join(lines) + b"".join(arcs) + trecs + pool + points
    out += names({(0, 0): b"kiso", (1, 2): "平面図".encode("cp932")}, {1: b"detail"})
    return out


with open("reader.jwc", "wb") as f:
    f.write(reader_drawing(True, 518, True))
with open("reader_i16.jwc", "wb") as f:
    f.write(reader_drawing(False, 259, False))
with open("part.jwk", "wb") as f:
    f.write(part())
with open("writer.jwc", "wb") as f:
    f.write(writer())
