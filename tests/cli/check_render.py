#!/usr/bin/env python3
"""Checks a drawing rendered by velmo --render: a PNG of the asked size on the
black background with the drawing's several pen colours on it.

usage: check_render.py FILE.png WIDTH HEIGHT
"""
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "gui"))
from check_png import fail, read_png, unfilter  # noqa: E402


def main():
    path, want_w, want_h = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
    (width, height, depth, ctype, _, _, interlace), raw = read_png(path)
    if (width, height) != (want_w, want_h):
        fail("%s is %dx%d, expected %dx%d" % (path, width, height, want_w, want_h))
    channels = {0: 1, 2: 3, 4: 2, 6: 4}.get(ctype)
    if depth != 8 or channels is None or interlace != 0:
        fail("unexpected PNG layout")
    rows = unfilter(raw, width, height, channels)
    colours, ink = set(), 0
    cols_with_ink = set()
    for y, row in enumerate(rows):
        for x in range(0, len(row), channels):
            px = row[x:x + min(channels, 3)]
            if max(px) > 0:
                ink += 1
                colours.add(px)
                cols_with_ink.add(x // channels)
    share = ink / (width * height)
    if not 0.001 <= share <= 0.3:
        fail("%s: drawn pixels cover %.2f%% of the picture" % (path, share * 100))
    if len(colours) < 3:
        fail("%s: only %d pen colour(s)" % (path, len(colours)))
    # Fitted: the drawing spans most of the width.
    if max(cols_with_ink) - min(cols_with_ink) < width * 0.6:
        fail("%s: the drawing is not fitted to the picture" % path)
    print("check_render: %s %dx%d, %.1f%% drawn, %d colours" % (path, width, height, share * 100, len(colours)))


if __name__ == "__main__":
    main()
