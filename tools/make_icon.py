#!/usr/bin/env python3
"""Draws the program icon "VINTOQ" and writes it as a Windows .ico file.

One image, 32 x 32 pixels, 16 colours (4 bits per pixel, the standard VGA
palette): a white disc with red rings and a black cross hair, the same picture
as the calibration targets, on a transparent background.

    python3 tools/make_icon.py src/ui/vintoq.ico

The output is deterministic, so the committed icon can be regenerated and
compared byte for byte.
"""

import struct
import sys

SIZE = 32

# The 16 colours every display of the era has: black, the eight dark and the
# seven bright VGA colours (RGB).
PALETTE = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]
BLACK, GREY, RED, WHITE = 0, 8, 9, 15


def draw():
    """Returns rows top-down of (palette index, transparent) pairs."""
    centre = SIZE / 2.0
    rows = []
    for y in range(SIZE):
        row = []
        for x in range(SIZE):
            dx = x + 0.5 - centre
            dy = y + 0.5 - centre
            r = (dx * dx + dy * dy) ** 0.5
            if r > 15.5:
                row.append((BLACK, True))
                continue
            colour = WHITE
            if r > 14.5:
                colour = GREY  # outline of the disc
            elif 12.0 < r <= 14.0 or 8.0 < r <= 10.0 or 4.0 < r <= 6.0:
                colour = RED
            if abs(dx) < 1.0 or abs(dy) < 1.0:
                if r <= 14.5:
                    colour = BLACK  # cross hair, two pixels wide
            row.append((colour, False))
        rows.append(row)
    return rows


def encode(rows):
    xor_stride = (SIZE * 4 + 31) // 32 * 4
    and_stride = (SIZE + 31) // 32 * 4
    xor = bytearray()
    mask = bytearray()
    for row in reversed(rows):  # DIBs are stored bottom-up
        line = bytearray(xor_stride)
        bits = bytearray(and_stride)
        for x, (colour, transparent) in enumerate(row):
            # A transparent pixel is black in the XOR image, so that the
            # screen shows through unchanged.
            index = BLACK if transparent else colour
            line[x // 2] |= index << (4 if x % 2 == 0 else 0)
            if transparent:
                bits[x // 8] |= 0x80 >> (x % 8)
        xor += line
        mask += bits
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, 2 * SIZE, 1, 4, 0,
                         len(xor) + len(mask), 0, 0, 16, 0)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in PALETTE)
    image = header + palette + bytes(xor) + bytes(mask)
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 16, 0, 1, 4, len(image), 6 + 16)
    return directory + entry + image


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: make_icon.py OUTPUT.ico")
    with open(sys.argv[1], "wb") as out:
        out.write(encode(draw()))


if __name__ == "__main__":
    main()
