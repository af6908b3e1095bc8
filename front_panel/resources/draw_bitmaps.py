#!/usr/bin/env python3
"""Draws the front panel's key pictures and banner as 24-bit BMP files beside this script.

Run by hand when the artwork changes; the build only embeds the files it wrote."""

import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
PANEL = (0x33, 0x33, 0x33)  # the main window's colour, so rounded corners blend in


def write_bmp(name, width, height, pixel):
    """pixel(x, y) -> (r, g, b), y counted from the top."""
    stride = (width * 3 + 3) & ~3
    rows = []
    for y in range(height - 1, -1, -1):  # bottom-up
        row = bytearray()
        for x in range(width):
            r, g, b = pixel(x, y)
            row += bytes((b, g, r))
        row += bytes(stride - len(row))
        rows.append(bytes(row))
    data = b"".join(rows)
    header = struct.pack("<2sIHHI", b"BM", 54 + len(data), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    with open(os.path.join(HERE, name + ".bmp"), "wb") as f:
        f.write(header + info + data)


def mix(a, b, t):
    return tuple(int(round(a[i] + (b[i] - a[i]) * t)) for i in range(3))


def key(face, lit):
    """A 58 x 58 key: rounded dark rim, a bevel, and a face that glows towards its centre when lit."""
    size, radius = 58, 7
    light = mix(face, (255, 255, 255), 0.55)
    shade = mix(face, (0, 0, 0), 0.45)
    glow = mix(face, (255, 255, 255), 0.35 if lit else 0.12)

    def inside(x, y, inset, r):
        lo, hi = inset, size - 1 - inset
        cx = min(max(x, lo + r), hi - r)
        cy = min(max(y, lo + r), hi - r)
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r and lo <= x <= hi and lo <= y <= hi

    def pixel(x, y):
        if not inside(x, y, 0, radius):
            return PANEL
        if not inside(x, y, 2, radius - 2):
            return (0x18, 0x18, 0x18)
        if not inside(x, y, 5, radius - 4):
            return light if x + y < size - 1 else shade
        d = max(abs(x - 28.5), abs(y - 28.5)) / 24.0
        return mix(glow, face, min(d, 1.0))

    return pixel


FONT = {  # 5 x 7 capitals
    "S": ["01111", "10000", "10000", "01110", "00001", "00001", "11110"],
    "O": ["01110", "10001", "10001", "10001", "10001", "10001", "01110"],
    "U": ["10001", "10001", "10001", "10001", "10001", "10001", "01110"],
    "R": ["11110", "10001", "10001", "11110", "10100", "10010", "10001"],
    "C": ["01110", "10001", "10000", "10000", "10000", "10001", "01110"],
    "E": ["11111", "10000", "10000", "11110", "10000", "10000", "11111"],
    "L": ["10000", "10000", "10000", "10000", "10000", "10000", "11111"],
    "T": ["11111", "00100", "00100", "00100", "00100", "00100", "00100"],
    "I": ["01110", "00100", "00100", "00100", "00100", "00100", "01110"],
    "N": ["10001", "11001", "10101", "10011", "10001", "10001", "10001"],
    " ": ["00000"] * 7,
}


def banner(width, height, text):
    """A dark strip with a thin rule either side of the title, drawn at twice the font's size."""
    scale = 2
    advance = 6 * scale
    text_w = len(text) * advance - scale
    left = (width - text_w) // 2
    top = (height - 7 * scale) // 2
    ink = (0xE8, 0xE8, 0xE8)
    rule = (0x9A, 0x9A, 0x9A)
    back_top, back_bottom = (0x4A, 0x4A, 0x4A), (0x26, 0x26, 0x26)

    def pixel(x, y):
        cx = x - left
        cy = y - top
        if 0 <= cx < text_w and 0 <= cy < 7 * scale:
            ch = text[cx // advance]
            col = (cx % advance) // scale
            if col < 5 and FONT[ch][cy // scale][col] == "1":
                return ink
        if y == height // 2 and (6 <= x < left - 10 or left + text_w + 10 <= x < width - 6):
            return rule
        if y in (0, height - 1) or x in (0, width - 1):
            return (0x1A, 0x1A, 0x1A)
        return mix(back_top, back_bottom, y / (height - 1))

    return pixel


if __name__ == "__main__":
    write_bmp("YELLOW_OFF", 58, 58, key((0x8C, 0x80, 0x2A), False))
    write_bmp("YELLOW_ON", 58, 58, key((0xFF, 0xD8, 0x00), True))
    write_bmp("GREEN_OFF", 58, 58, key((0x2A, 0x6E, 0x2E), False))
    write_bmp("GREEN_ON", 58, 58, key((0x20, 0xE0, 0x40), True))
    write_bmp("WHITE_OFF", 58, 58, key((0xC8, 0xC8, 0xC8), False))
    write_bmp("SOURCE_SELECTION", 616, 28, banner(616, 28, "SOURCE SELECTION"))
