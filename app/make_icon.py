#!/usr/bin/env python3
"""Draws the application icon: one 64 x 64 image, 32 bits per pixel, written as an .ico file.

A rounded tile in a blue gradient holding a white picture frame, with an orange arrow that
leaves the frame towards the lower right: a picture being taken out of a file.
Usage: make_icon.py OUTPUT.ico
"""
import struct
import sys

SIZE = 64


def inside_rounded(x, y, left, top, right, bottom, radius):
    if x < left or x >= right or y < top or y >= bottom:
        return False
    cx = min(max(x, left + radius), right - 1 - radius)
    cy = min(max(y, top + radius), bottom - 1 - radius)
    return (x - cx) ** 2 + (y - cy) ** 2 <= radius ** 2


def pixel(x, y):
    """Colour of pixel (x, y), top-left origin, as (r, g, b, a)."""
    # The arrow: a shaft from the frame's centre to the lower right, with a triangular head.
    d = x - y
    on_shaft = abs(d) <= 3 and 30 <= x <= 50 and 30 <= y <= 50
    u, v = x + y, x - y  # head: a triangle pointing along the diagonal
    on_head = 92 <= u <= 114 and abs(v) <= (114 - u) * 0.8
    if on_shaft or on_head:
        return (255, 140, 0, 255)
    # White picture frame with a small sun and hill inside.
    if 14 <= x < 42 and 14 <= y < 42:
        if x < 17 or x >= 39 or y < 17 or y >= 39:
            return (255, 255, 255, 255)
        if (x - 32) ** 2 + (y - 23) ** 2 <= 9:
            return (255, 220, 60, 255)
        if y > 30 + abs(x - 24) // 2:
            return (60, 170, 90, 255)
        return (170, 215, 255, 255)
    if inside_rounded(x, y, 2, 2, 62, 62, 10):
        t = (x + y) / (2 * SIZE)
        r = int(20 + 30 * t)
        g = int(90 + 60 * t)
        b = int(200 + 50 * t)
        return (r, g, b, 255)
    return (0, 0, 0, 0)


def main():
    rows = []
    mask_rows = []
    for y in reversed(range(SIZE)):  # bottom-up, as in a BMP
        row = bytearray()
        mask = 0
        for x in range(SIZE):
            r, g, b, a = pixel(x, y)
            row += bytes((b, g, r, a))
            mask = (mask << 1) | (1 if a == 0 else 0)
        rows.append(bytes(row))
        mask_rows.append(mask.to_bytes(SIZE // 8, "big"))
    xor = b"".join(rows)
    andmask = b"".join(mask_rows)
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 32, 0, len(xor) + len(andmask), 0, 0, 0, 0)
    image = header + xor + andmask
    ico = struct.pack("<HHH", 0, 1, 1)
    ico += struct.pack("<BBBBHHII", SIZE, SIZE, 0, 0, 1, 32, len(image), 6 + 16)
    with open(sys.argv[1], "wb") as f:
        f.write(ico + image)


if __name__ == "__main__":
    main()
