#!/usr/bin/env python3
"""Draws Orvane's icon (a warning triangle over a folder) and writes it as an .ico
holding two 32 x 32 images: 256 colours and 24-bit colour.

    python3 tools/make-icon.py src/ui/Orvane.ico
"""
import struct
import sys

SIZE = 32


def pixel(x, y):
    """RGB of the picture at (x, y), or None for transparent. y grows downwards."""
    cx, cy = x + 0.5, y + 0.5
    # The warning triangle: apex at the top centre, base across the lower part.
    top, bottom = 2.0, 27.0
    half = (cy - top) * 0.58
    in_triangle = top <= cy <= bottom and abs(cx - 16) <= half
    inner_half = (cy - top - 3.2) * 0.58
    in_inner = top + 3.2 <= cy <= bottom - 2.0 and abs(cx - 16) <= inner_half
    mark = (abs(cx - 16) <= 1.6 and 10 <= cy <= 19.5) or ((cx - 16) ** 2 + (cy - 23) ** 2 <= 2.8)
    folder = 18 <= cx <= 31 and 21 <= cy <= 31 or (18 <= cx <= 24 and 19 <= cy < 21)
    if in_inner:
        return (20, 20, 20) if mark else (255, 204, 0)
    if in_triangle:
        return (200, 0, 0)
    if folder:
        edge = cx < 19 or cx > 30 or cy > 30 or cy < 20
        return (150, 110, 30) if edge else (240, 190, 80)
    return None


def rows():
    # Icon bitmaps are stored bottom-up.
    for y in range(SIZE - 1, -1, -1):
        yield [pixel(x, y) for x in range(SIZE)]


def mask_bytes():
    out = b""
    for row in rows():
        bits = 0
        for x, p in enumerate(row):
            if p is None:
                bits |= 1 << (31 - x)
        out += struct.pack(">I", bits)
    return out


def header(bit_count, colours):
    return struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, bit_count, 0, 0, 0, 0, colours, 0)


def image_8bit():
    palette = []
    for row in rows():
        for p in row:
            if p is not None and p not in palette:
                palette.append(p)
    palette = [(0, 0, 0)] + palette
    assert len(palette) <= 256
    pal = b"".join(struct.pack("BBBB", b, g, r, 0) for (r, g, b) in palette)
    pal += b"\0" * (4 * (256 - len(palette)))
    data = b"".join(bytes(palette.index(p) if p else 0 for p in row) for row in rows())
    return header(8, 256) + pal + data + mask_bytes()


def image_24bit():
    data = b""
    for row in rows():
        data += b"".join(struct.pack("BBB", *(reversed(p) if p else (0, 0, 0))) for p in row)
    return header(24, 0) + data + mask_bytes()


def main(path):
    images = [(image_8bit(), 8, 0), (image_24bit(), 24, 0)]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for data, bits, colours in images:
        out += struct.pack("<BBBBHHII", SIZE, SIZE, colours, 0, 1, bits, len(data), offset)
        offset += len(data)
    out += b"".join(data for data, _, _ in images)
    with open(path, "wb") as f:
        f.write(out)


if __name__ == "__main__":
    main(sys.argv[1])
