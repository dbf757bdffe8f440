#!/usr/bin/env python3
"""Writes the thirty-three built-in skins (01.skn .. 33.skn) in the HSKN format of skin/FORMAT.md.

Each skin is described below by a few base colours and shape choices; the remaining colours are
derived so that every skin is consistent. Output depends on nothing but this file.
Usage: make_skins.py OUTPUT_DIR
"""
import math
import os
import struct
import sys
import zlib

# name, captionTop, captionBottom, captionText, client, style, buttonShape, frameStyle,
# pattern, textAlign, textFlags. style: 0 flat 1 vertical 2 horizontal 3 glossy.
# buttonShape: 0 square 1 rounded 2 circle 3 ghost. frameStyle: 0 single 1 bevel 2 double.
# textFlags: 1 bold, 2 shadow.
WHITE = (255, 255, 255)
SKINS = [
    ("Graphite", (104, 108, 118), (58, 62, 70), WHITE, (236, 237, 240), 1, 0, 0, None, 0, 1),
    ("Sakura", (244, 178, 198), (214, 112, 146), WHITE, (252, 240, 244), 1, 2, 0, "dots", 0, 3),
    ("Jade", (92, 176, 146), (38, 122, 94), WHITE, (232, 246, 239), 3, 1, 1, "diagonal", 0, 3),
    ("Amber", (252, 204, 104), (224, 148, 32), (74, 42, 0), (253, 246, 230), 1, 1, 0, None, 0, 1),
    ("Midnight", (48, 58, 94), (20, 24, 46), (220, 228, 255), (226, 230, 242), 0, 3, 2, "stars", 1, 0),
    ("Lavender", (182, 156, 226), (126, 94, 186), WHITE, (242, 238, 250), 3, 2, 1, "waves", 0, 3),
    ("Crimson", (206, 56, 66), (138, 18, 30), WHITE, (250, 236, 236), 1, 0, 2, None, 0, 3),
    ("Azure", (92, 158, 226), (30, 92, 174), WHITE, (230, 239, 250), 3, 1, 1, "fine", 0, 3),
    ("Olive", (154, 164, 94), (104, 114, 52), WHITE, (244, 245, 232), 0, 0, 0, "checker", 0, 1),
    ("Coral", (255, 156, 124), (226, 92, 70), WHITE, (254, 240, 234), 2, 2, 0, None, 0, 3),
    ("Steel", (156, 176, 196), (98, 118, 140), WHITE, (236, 240, 244), 3, 0, 1, "brushed", 1, 3),
    ("Mint", (160, 230, 206), (88, 190, 158), (16, 70, 58), (238, 250, 246), 1, 3, 0, None, 0, 1),
    ("Plum", (136, 64, 116), (84, 28, 70), WHITE, (246, 236, 244), 1, 1, 2, "dots", 0, 3),
    ("Sand", (224, 206, 166), (188, 162, 114), (62, 48, 28), (248, 244, 234), 0, 1, 0, "grain", 0, 1),
    ("Forest", (64, 118, 76), (28, 68, 38), (232, 246, 232), (232, 242, 234), 1, 0, 1, "diagonal", 0, 3),
    ("Ice", (214, 236, 250), (166, 204, 232), (28, 58, 92), (244, 249, 253), 3, 3, 0, None, 0, 1),
    ("Sunset", (250, 124, 82), (154, 58, 140), WHITE, (252, 240, 238), 2, 2, 0, None, 0, 3),
    ("Charcoal", (64, 64, 66), (28, 28, 30), (255, 172, 64), (234, 234, 234), 0, 0, 2, None, 0, 1),
    ("Teal", (44, 166, 176), (14, 108, 120), WHITE, (230, 245, 246), 1, 1, 0, "waves", 0, 3),
    ("Rose Gold", (236, 186, 166), (194, 128, 110), WHITE, (250, 242, 238), 3, 2, 1, None, 0, 3),
    ("Navy", (44, 76, 138), (18, 38, 88), WHITE, (232, 236, 246), 1, 0, 2, "pinstripe", 1, 1),
    ("Lime", (176, 224, 88), (118, 178, 28), (38, 58, 0), (244, 250, 234), 0, 1, 0, "dots", 0, 1),
    ("Cocoa", (146, 106, 84), (94, 62, 46), (250, 236, 220), (244, 238, 232), 1, 1, 1, "checker", 0, 3),
    ("Violet", (98, 66, 170), (48, 28, 108), WHITE, (238, 234, 248), 3, 2, 2, "stars", 0, 3),
    ("Silver", (234, 236, 240), (194, 198, 208), (40, 44, 54), (246, 247, 249), 3, 0, 0, "brushed", 0, 1),
    ("Ocean", (18, 88, 162), (22, 164, 172), WHITE, (232, 242, 248), 2, 3, 0, "waves", 0, 3),
    ("Cherry", (234, 66, 106), (176, 26, 66), WHITE, (252, 238, 242), 3, 1, 0, None, 0, 3),
    ("Moss", (124, 144, 104), (82, 102, 64), WHITE, (240, 242, 234), 0, 0, 1, "grain", 0, 1),
    ("Sky", (136, 196, 244), (86, 156, 224), WHITE, (238, 246, 253), 1, 2, 0, "clouds", 0, 3),
    ("Bronze", (196, 146, 74), (136, 92, 36), WHITE, (248, 242, 232), 3, 0, 2, "diagonal", 0, 3),
    ("Slate", (102, 118, 142), (70, 84, 104), WHITE, (236, 239, 243), 0, 3, 0, None, 1, 0),
    ("Peach", (255, 206, 166), (240, 158, 118), (92, 48, 28), (255, 246, 240), 1, 1, 0, "dots", 0, 1),
    ("Aurora", (36, 178, 140), (112, 78, 204), WHITE, (236, 242, 246), 2, 2, 1, "waves", 0, 3),
]


def mix(a, b, t):
    return tuple(round(x + (y - x) * t) for x, y in zip(a, b))


def lighten(c, t):
    return mix(c, WHITE, t)


def darken(c, t):
    return mix(c, (0, 0, 0), t)


def grey(c):
    v = round(0.3 * c[0] + 0.59 * c[1] + 0.11 * c[2])
    return (v, v, v)


def pattern(kind):
    """Gives (width, height, alpha bytes) for a named caption pattern, or None."""
    if kind is None:
        return None
    if kind == "dots":
        w = h = 12
        a = [200 if (x - 3) ** 2 + (y - 3) ** 2 <= 2 or (x - 9) ** 2 + (y - 9) ** 2 <= 2 else 0
             for y in range(h) for x in range(w)]
    elif kind == "diagonal":
        w = h = 16
        a = [150 if (x + y) % 8 < 2 else 0 for y in range(h) for x in range(w)]
    elif kind == "fine":
        w = h = 24
        a = [70 if (x - y) % 6 == 0 else 0 for y in range(h) for x in range(w)]
    elif kind == "checker":
        w = h = 8
        a = [60 if (x // 4 + y // 4) % 2 else 0 for y in range(h) for x in range(w)]
    elif kind == "stars":
        w, h = 48, 24
        stars = [(5, 4), (17, 15), (29, 7), (41, 19), (36, 2), (11, 20), (23, 11), (45, 9)]
        a = [0] * (w * h)
        for i, (sx, sy) in enumerate(stars):
            a[sy * w + sx] = 255 if i % 2 == 0 else 160
    elif kind == "waves":
        w, h = 40, 20
        a = []
        for y in range(h):
            for x in range(w):
                d = abs(y - (10 + 4 * math.sin(2 * math.pi * x / w)))
                a.append(max(0, round(140 - 70 * d)))
    elif kind == "brushed":
        w, h = 64, 16
        seed = 12345
        rows = []
        for y in range(h):
            seed = (seed * 1103515245 + 12345) & 0x7FFFFFFF
            rows.append(seed % 90)
        a = []
        for y in range(h):
            for x in range(w):
                seed = (seed * 1103515245 + 12345) & 0x7FFFFFFF
                a.append(max(0, rows[y] - 20 + seed % 24))
    elif kind == "pinstripe":
        w, h = 6, 1
        a = [110, 0, 0, 0, 0, 0]
    elif kind == "grain":
        w = h = 32
        seed = 777
        a = []
        for _ in range(w * h):
            seed = (seed * 1103515245 + 12345) & 0x7FFFFFFF
            a.append(seed % 70)
    elif kind == "clouds":
        w, h = 64, 24
        blobs = [(12, 14, 9), (30, 10, 11), (50, 16, 8)]
        a = []
        for y in range(h):
            for x in range(w):
                v = 0
                for bx, by, r in blobs:
                    d = math.hypot(x - bx, (y - by) * 1.6)
                    v = max(v, 150 * (1 - d / r) if d < r else 0)
                a.append(round(v))
    else:
        raise ValueError(kind)
    return w, h, bytes(a)


def colours(top, bottom, text, client, frame_style):
    close_hot = (216, 56, 56)
    face = mix(client, top, 0.10)
    return [
        darken(bottom, 0.35),                          # frameOuter
        bottom,                                        # frameInner
        top,                                           # captionTop
        bottom,                                        # captionBottom
        text,                                          # captionText
        darken(bottom, 0.5),                           # captionTextShadow
        mix(top, bottom, 0.35),                        # buttonRest
        lighten(top, 0.30),                            # buttonHot
        darken(bottom, 0.25),                          # buttonPressed
        text,                                          # buttonGlyph
        close_hot,                                     # closeHot
        client,                                        # clientBackground
        client,                                        # labelBackground
        lighten(client, 0.75),                         # editBackground
        (24, 24, 28),                                  # editText
        mix(bottom, client, 0.45),                     # editBorder
        bottom,                                        # editBorderFocus
        face,                                          # controlFace
        lighten(face, 0.7),                            # controlLight
        mix(bottom, client, 0.3),                      # controlShadow
        lighten(top, 0.55) if grey(top)[0] < 170 else darken(top, 0.25),  # pattern
        mix(top, grey(top), 0.7),                      # inactiveCaptionTop
        mix(bottom, grey(bottom), 0.7),                # inactiveCaptionBottom
        mix(text, grey(bottom), 0.45),                 # inactiveCaptionText
        lighten(top, 0.6),                             # glow
    ]


def record(tag, payload):
    return struct.pack("<HHI", tag, 0, len(payload)) + payload


def build(skin):
    name, top, bottom, text, client, style, shape, frame, pat, align, flags = skin
    records = [record(1, name.encode("utf-8"))]
    cs = colours(top, bottom, text, client, frame)
    records.append(record(2, struct.pack("<I", len(cs)) + b"".join(bytes((*c, 0)) for c in cs)))
    strength = 255 if pat else 0
    records.append(record(3, bytes((style, shape, frame, align, flags, strength, 0, 0))))
    p = pattern(pat)
    if p:
        w, h, alpha = p
        records.append(record(4, struct.pack("<HH", w, h) + alpha))
    body = b"".join(records)
    header = b"HSKN" + struct.pack("<HHII", 1, len(records), len(body), zlib.crc32(body) & 0xFFFFFFFF)
    return header + body


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: make_skins.py OUTPUT_DIR")
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    assert len(SKINS) == 33
    for number, skin in enumerate(SKINS, start=1):
        data = build(skin)
        path = os.path.join(out, "%02d.skn" % number)
        with open(path, "wb") as f:
            f.write(data)
    names = "\n".join("%d %s" % (n, s[0]) for n, s in enumerate(SKINS, start=1)) + "\n"
    with open(os.path.join(out, "names.txt"), "w") as f:
        f.write(names)


if __name__ == "__main__":
    main()
