#!/usr/bin/python3
"""Draws the program's icon and writes it as a Windows .ico file.

Eight images, in this order: 32x32 and 16x16 at 4 bits per pixel, 48x48,
32x32 and 16x16 at 8 bits, 48x48, 32x32 and 16x16 at 32 bits; each an
uncompressed DIB with a 40-byte header whose height is twice the image
(colour image, then the 1-bit mask).

The artwork: a dark blue rounded tile with three rising bars, the tallest
one gold, on a transparent background.

usage: make_icon.py OUTPUT.ico
"""
import argparse
import struct

SIZES = [(32, 4), (16, 4), (48, 8), (32, 8), (16, 8), (48, 32), (32, 32), (16, 32)]

# The 16 colours of the standard VGA palette, as (r, g, b).
VGA = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
       (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
       (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]

TILE = (0, 0, 128)
BAR = (0, 255, 255)
TOP_BAR = (255, 255, 0)
EDGE = (255, 255, 255)


def pixel(x, y, size):
    """The artwork at pixel (x, y) of a size x size image, top row 0:
    (r, g, b) or None where transparent."""
    u, v = (x + 0.5) / size, (y + 0.5) / size
    corner = 0.18
    dx = max(corner - u, u - (1 - corner), 0)
    dy = max(corner - v, v - (1 - corner), 0)
    if dx * dx + dy * dy > corner * corner:
        return None
    if dx * dx + dy * dy > (corner - 1.5 / size) ** 2 and (dx or dy):
        return EDGE
    if min(u, v, 1 - u, 1 - v) < 1.0 / size:
        return EDGE
    bars = [(0.20, 0.36, 0.62), (0.42, 0.58, 0.42), (0.64, 0.80, 0.20)]
    for index, (left, right, top) in enumerate(bars):
        if left <= u < right and top <= v < 0.84:
            return TOP_BAR if index == 2 else BAR
    return TILE


def nearest(colour, palette):
    return min(range(len(palette)),
               key=lambda i: sum((a - b) ** 2 for a, b in zip(colour, palette[i])))


def row_bytes(bits_per_row):
    return (bits_per_row + 31) // 32 * 4


def image(size, depth):
    rows = [[pixel(x, y, size) for x in range(size)] for y in range(size - 1, -1, -1)]
    if depth == 4:
        palette = VGA
    elif depth == 8:
        palette = VGA + [(0, 0, 0)] * 240
    else:
        palette = []
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, depth, 0, 0, 0, 0,
                         len(palette) if depth < 32 else 0, 0)
    table = b''.join(struct.pack('<BBBB', b, g, r, 0) for r, g, b in palette)
    colour = b''
    mask = b''
    for row in rows:
        if depth == 32:
            line = b''.join(struct.pack('<BBBB', c[2], c[1], c[0], 255) if c else b'\0\0\0\0'
                            for c in row)
        else:
            indices = [nearest(c, VGA) if c else 0 for c in row]
            if depth == 4:
                line = bytes((indices[i] << 4) | indices[i + 1] for i in range(0, size, 2))
            else:
                line = bytes(indices)
        colour += line.ljust(row_bytes(size * depth), b'\0')
        bits = 0
        for x, c in enumerate(row):
            if c is None:
                bits |= 1 << (size - 1 - x)
        mask += bits.to_bytes((size + 7) // 8, 'big').ljust(row_bytes(size), b'\0')
    return header + table + colour + mask


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument('output', help='the .ico file to write')
    args = parser.parse_args()
    images = [image(size, depth) for size, depth in SIZES]
    data = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for (size, depth), bits in zip(SIZES, images):
        colours = 16 if depth == 4 else 0
        data += struct.pack('<BBBBHHII', size, size, colours, 0, 1, depth, len(bits), offset)
        offset += len(bits)
    data += b''.join(images)
    with open(args.output, 'wb') as output:
        output.write(data)


if __name__ == '__main__':
    main()
