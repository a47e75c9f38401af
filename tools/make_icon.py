#!/usr/bin/env python3
"""Draws the program icon: a framed landscape photo (sun, hills, sky) with a
magnifying lens, as one 128 x 128, 32-bpp BMP-format icon (not PNG)."""
import math
import struct
import sys

N = 128


def blend(dst, src, a):
    return tuple(int(round(d * (1 - a) + s * a)) for d, s in zip(dst, src))


def pixel(x, y):
    """RGBA of the icon at (x, y), y downwards."""
    cx, cy = x + 0.5, y + 0.5
    # Photo card with a soft shadow, slightly inset.
    left, top, right, bottom = 10, 18, 112, 100
    rgba = (0, 0, 0, 0)
    if left + 4 <= cx <= right + 4 and top + 4 <= cy <= bottom + 4:
        rgba = (0, 0, 0, 70)
    if left <= cx <= right and top <= cy <= bottom:
        rgba = (250, 250, 246, 255)  # white border of the print
        il, it, ir, ib = left + 6, top + 6, right - 6, bottom - 6
        if il <= cx <= ir and it <= cy <= ib:
            t = (cy - it) / (ib - it)
            sky = blend((70, 140, 220), (170, 215, 250), t)
            rgba = sky + (255,)
            if math.hypot(cx - 80, cy - 40) <= 9:
                rgba = (255, 205, 60, 255)
            hill1 = ib - 22 + 12 * math.sin((cx - il) / 14.0)
            hill2 = ib - 12 + 6 * math.cos((cx - il) / 9.0)
            if cy >= hill1:
                rgba = (60, 150, 70, 255)
            if cy >= hill2:
                rgba = (35, 110, 50, 255)
    # Magnifying lens over the lower right corner.
    lx, ly, lr = 90, 92, 20
    d = math.hypot(cx - lx, cy - ly)
    if d <= lr:
        base = rgba[:3] if rgba[3] else (255, 255, 255)
        rgba = blend(base, (200, 230, 255), 0.35) + (255,)
    if lr - 4 <= d <= lr:
        rgba = (50, 55, 65, 255)
    # Handle, along the diagonal beyond the rim.
    ux, uy = (cx - lx) / math.sqrt(2), (cy - ly) / math.sqrt(2)
    along, across = ux + uy, abs(ux - uy)
    if lr - 1 <= along <= lr + 16 and across <= 4.5:
        rgba = (90, 60, 40, 255)
    return rgba


def main(out):
    colour = bytearray()
    mask = bytearray()
    for row in range(N - 1, -1, -1):  # bottom-up
        bits = 0
        line = bytearray()
        for x in range(N):
            r, g, b, a = pixel(x, row)
            colour += bytes((b, g, r, a))
            bits = (bits << 1) | (1 if a == 0 else 0)
            if x % 8 == 7:
                line.append(bits)
                bits = 0
        mask += line
    header = struct.pack("<IiiHHIIiiII", 40, N, 2 * N, 1, 32, 0, 0, 0, 0, 0, 0)
    image = header + colour + mask
    assert len(image) == 67624, len(image)
    directory = struct.pack("<HHH", 0, 1, 1) + struct.pack("<BBBBHHII", N, N, 0, 0, 1, 32, len(image), 22)
    with open(out, "wb") as f:
        f.write(directory + image)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "vistora.ico")
