#!/usr/bin/python3
# The head and tables the DXF writer must produce for an empty drawing at
# basic scale 1 whose layers have no names, written from the file layout
# alone (not from the program's writer). Regenerate with:
#   cd tests/files/data/dxf && python3 make_dxf_golden.py
pairs = []


def p(code, value):
    pairs.append("%3d\r\n%s\r\n" % (code, value))


p(0, "SECTION"); p(2, "HEADER")
p(9, "$ACADVER"); p(1, "AC1009")
p(9, "$DWGCODEPAGE"); p(3, "ANSI_932")
p(9, "$EXTMIN"); p(10, "0.00"); p(20, "0.00")
p(9, "$EXTMAX"); p(10, "0.00"); p(20, "0.00")
p(9, "$LTSCALE"); p(40, "100.00")
p(9, "$QTEXTMODE"); p(70, "0")
p(9, "$TEXTSIZE"); p(40, "3.00")
p(9, "$TEXTSTYLE"); p(7, "STANDARD")
p(0, "ENDSEC")

p(0, "SECTION"); p(2, "TABLES")
p(0, "TABLE"); p(2, "LTYPE"); p(70, "     9")
LTYPES = [
    ("CONTINUOUS", "Solid line", "     0", "0.0", []),
    ("DASHED2", "_ _ _ _ _ _ _ _ _ _ _ _ _ _ _ _ _ _ _ _ _ _ _ _", "   2", " 1.5", [" 0.5", "-1.0"]),
    ("DASHED", "__ __ __ __ __ __ __ __ __ __ __ __ __ __ __ __", "   2", " 3.0", [" 2.0", "-1.0"]),
    ("DASHEDX2", "____ ____ ____ ____ ____ ____ ____ ____ ____ __", "   2", " 6.0", [" 5.0", "-1.0"]),
    ("DASHDOT", "__ . __ . __ . __ . __ . __ . __ . __ . __ . __", "   4", " 5.0", [" 3.5", "-0.5", " 0.5", "-0.5"]),
    ("DASHDOTX2", "____ . ____ . ____ . ____ . ____ . ____ . ____ ", "   4", "10.0", [" 7.0", "-1.0", " 1.0", "-1.0"]),
    ("DIVIDE", "__ . . __ . . __ . . __ . . __ . . __ . . __ . ", "   6", " 6.0",
     [" 3.5", "-0.5", " 0.5", "-0.5", " 0.5", "-0.5"]),
    ("DIVIDEX2", "______ . . ______ . . ______ . . ______ . . ___", "   6", "12.0",
     [" 7.0", "-1.0", " 1.0", "-1.0", " 1.0", "-1.0"]),
]
for name, desc, count, length, elements in LTYPES:
    assert len(desc) == 47 or name == "CONTINUOUS"
    p(0, "LTYPE"); p(2, name); p(70, "    64"); p(3, desc); p(72, "    65"); p(73, count); p(40, length)
    for e in elements:
        p(49, e)
p(0, "ENDTAB")
p(0, "TABLE"); p(2, "STYLE"); p(70, "    1")
p(0, "STYLE"); p(2, "STANDARD"); p(70, "    64"); p(40, "0.0"); p(41, "1.0"); p(42, "0.0"); p(50, "0.0")
p(71, "     0"); p(3, "TXT"); p(4, "BIGFONT")
p(0, "ENDTAB")
p(0, "TABLE"); p(2, "LAYER"); p(70, "%5d" % 256)
for code in range(256):
    p(0, "LAYER"); p(2, "Layer%X%X" % (code >> 4, code & 15)); p(70, "64"); p(62, "    1"); p(6, "CONTINUOUS")
p(0, "ENDTAB"); p(0, "ENDSEC")
p(0, "SECTION"); p(2, "BLOCKS"); p(0, "ENDSEC")
p(0, "SECTION"); p(2, "ENTITIES")

with open("head_tables.txt", "wb") as f:
    f.write("".join(pairs).encode("ascii"))
