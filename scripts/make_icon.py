#!/usr/bin/env python3
"""Writes res/shadeloom.ico: a rounded tile with a diagonal two-colour
gradient, as 32x32 and 16x16 images in 16 and in 256 colours.

Run it again only to change the picture; the .ico is kept in the repository.
"""
import struct
import sys
from pathlib import Path

START = (255, 214, 64)   # warm yellow, top left
END = (32, 48, 160)      # deep blue, bottom right
BORDER = (24, 24, 40)

# The 16 colours of the standard VGA palette, the only ones a 16-colour icon
# can rely on.
VGA16 = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]


def picture(size):
    """Rows top to bottom of (r, g, b) or None for a transparent pixel."""
    radius = size // 8
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            # Round the corners by leaving pixels outside a quarter circle out.
            cx = min(max(x, radius), size - 1 - radius)
            cy = min(max(y, radius), size - 1 - radius)
            dx, dy = x - cx, y - cy
            if dx * dx + dy * dy > radius * radius:
                row.append(None)
                continue
            edge = (x == 0 or y == 0 or x == size - 1 or y == size - 1
                    or dx * dx + dy * dy > (radius - 1) * (radius - 1))
            if edge:
                row.append(BORDER)
                continue
            t = (x + y) / (2 * (size - 1))
            row.append(tuple(round(a + (b - a) * t) for a, b in zip(START, END)))
        rows.append(row)
    return rows


def nearest(palette, colour):
    return min(range(len(palette)),
               key=lambda i: sum((p - c) ** 2 for p, c in zip(palette[i], colour)))


# Yellow to blue through the greys: the VGA colours nearest the gradient.
RAMP16 = [11, 7, 8, 4]
BAYER4 = [[0, 8, 2, 10], [12, 4, 14, 6], [3, 11, 1, 9], [15, 7, 13, 5]]


def dither16(rows):
    """Ordered dithering between neighbouring colours of RAMP16 along the
    diagonal; the border keeps its nearest VGA colour, None stays transparent."""
    size = len(rows)
    out = [[None] * size for _ in range(size)]
    for y in range(size):
        for x in range(size):
            pixel = rows[y][x]
            if pixel is None:
                continue
            if pixel == BORDER:
                out[y][x] = 0
                continue
            position = (x + y) / (2 * (size - 1)) * (len(RAMP16) - 1)
            low = min(int(position), len(RAMP16) - 2)
            fraction = position - low
            step = 1 if fraction * 16 > BAYER4[y % 4][x % 4] + 0.5 else 0
            out[y][x] = RAMP16[low + step]
    return out


def palette256():
    ramp = [tuple(round(a + (b - a) * i / 253) for a, b in zip(START, END)) for i in range(254)]
    return [(0, 0, 0)] + ramp + [BORDER]


def index256(rows, palette):
    return [[None if p is None else nearest(palette, p) for p in row] for row in rows]


def row_bytes(bits_per_pixel, width):
    return ((bits_per_pixel * width + 31) // 32) * 4


def icon_image(indices, palette, bits_per_pixel):
    size = len(indices)
    xor_row = row_bytes(bits_per_pixel, size)
    and_row = row_bytes(1, size)
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, bits_per_pixel, 0,
                         (xor_row + and_row) * size, 0, 0, 0, 0)
    colours = b''.join(struct.pack('<BBBB', b, g, r, 0) for r, g, b in palette)
    colours += b'\0' * (4 * (1 << bits_per_pixel) - len(colours))
    xor = bytearray()
    mask = bytearray()
    for row in reversed(indices):  # bottom-up, like every DIB
        line = bytearray(xor_row)
        bits = bytearray(and_row)
        for x, index in enumerate(row):
            if index is None:
                bits[x // 8] |= 0x80 >> (x % 8)
                index = 0
            if bits_per_pixel == 8:
                line[x] = index
            else:
                line[x // 2] |= index << (4 if x % 2 == 0 else 0)
        xor += line
        mask += bits
    return header + colours + bytes(xor) + bytes(mask)


def main():
    target = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(__file__).resolve().parent.parent / 'res' / 'shadeloom.ico'
    images = []
    for bits in (4, 8):
        for size in (32, 16):
            rows = picture(size)
            if bits == 4:
                images.append((size, 16, bits, icon_image(dither16(rows), VGA16, 4)))
            else:
                palette = palette256()
                images.append((size, 0, bits, icon_image(index256(rows, palette), palette, 8)))
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, colours, bits, data in images:
        out += struct.pack('<BBBBHHII', size, size, colours, 0, 1, bits, len(data), offset)
        offset += len(data)
    out += b''.join(data for *_, data in images)
    target.write_bytes(out)


if __name__ == '__main__':
    main()
