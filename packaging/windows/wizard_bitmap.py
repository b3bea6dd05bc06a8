#!/usr/bin/env python3
"""Draws the picture at the side of the setup's first and last pages (164 x 314, the size
NSIS's Modern UI shows there) as a 24-bit BMP: a soft gradient with the program's icon on it.

Usage: wizard_bitmap.py <icon.png> <output.bmp>

The icon is the 8-bit RGBA PNG that rsvg-convert draws from packaging/pivora.svg.
"""
import struct
import sys
import zlib

WIDTH, HEIGHT = 164, 314
TOP, BOTTOM = (255, 255, 255), (214, 230, 247)


def read_png(path):
    """Gives (width, height, rows of RGBA bytes) of a non-interlaced 8-bit RGBA PNG."""
    with open(path, "rb") as png:
        data = png.read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise SystemExit(f"{path}: not a PNG")
    at, idat, header = 8, b"", None
    while at < len(data):
        length, kind = struct.unpack(">I4s", data[at:at + 8])
        body = data[at + 8:at + 8 + length]
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat += body
        at += 12 + length
    width, height, depth, colour, _, _, interlace = header
    if depth != 8 or colour != 6 or interlace:
        raise SystemExit(f"{path}: only 8-bit RGBA without interlacing is read")
    raw, stride, rows, previous = zlib.decompress(idat), width * 4, [], bytearray(width * 4)
    for y in range(height):
        kind = raw[y * (stride + 1)]
        row = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for x in range(stride):
            left = row[x - 4] if x >= 4 else 0
            up = previous[x]
            corner = previous[x - 4] if x >= 4 else 0
            if kind == 1:
                row[x] = (row[x] + left) & 255
            elif kind == 2:
                row[x] = (row[x] + up) & 255
            elif kind == 3:
                row[x] = (row[x] + (left + up) // 2) & 255
            elif kind == 4:
                guess = left + up - corner
                nearest = min((abs(guess - left), 0, left), (abs(guess - up), 1, up),
                              (abs(guess - corner), 2, corner))[2]
                row[x] = (row[x] + nearest) & 255
        rows.append(row)
        previous = row
    return width, height, rows


def main():
    if len(sys.argv) != 3:
        raise SystemExit(__doc__)
    icon_width, icon_height, icon = read_png(sys.argv[1])
    left, top = (WIDTH - icon_width) // 2, 48
    pixels = []
    for y in range(HEIGHT):
        shade = [round(a + (b - a) * y / (HEIGHT - 1)) for a, b in zip(TOP, BOTTOM)]
        row = [list(shade) for _ in range(WIDTH)]
        if top <= y < top + icon_height:
            source = icon[y - top]
            for x in range(max(0, left), min(WIDTH, left + icon_width)):
                r, g, b, a = source[(x - left) * 4:(x - left) * 4 + 4]
                row[x] = [(c * a + s * (255 - a)) // 255 for c, s in zip((r, g, b), row[x])]
        pixels.append(row)
    # Rows run from the bottom up, blue first, each padded to four bytes.
    padding = b"\0" * ((4 - WIDTH * 3 % 4) % 4)
    body = b"".join(bytes(c for r, g, b in row for c in (b, g, r)) + padding
                    for row in reversed(pixels))
    header = struct.pack("<2sIHHI", b"BM", 54 + len(body), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, WIDTH, HEIGHT, 1, 24, 0, len(body), 2835, 2835, 0, 0)
    with open(sys.argv[2], "wb") as bmp:
        bmp.write(header + info + body)


if __name__ == "__main__":
    main()
