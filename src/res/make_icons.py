#!/usr/bin/env python3
"""Draws EdgeWarden's two 16-colour icons: a screen whose bottom edge holds a
red bump stripe, with an arrow cursor held just above it.

Run from this folder to rewrite edgewarden.ico (32x32 and 16x16) and
edgewarden_small.ico (16x16)."""
import struct

# The 16 standard VGA colours, as (B, G, R, 0).
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
    (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
    (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]  # given as (R, G, B)
BLACK, NAVY, GREY, SILVER, RED, WHITE, BLUE = 0, 4, 8, 7, 9, 15, 12
CLEAR = None

ARROW = [  # the cursor, 1 = outline, 2 = fill
    "1",
    "11",
    "121",
    "1221",
    "12221",
    "122221",
    "1222221",
    "12222221",
    "122211111",
    "12121",
    "11 121",
    "1   121",
    "     11",
]


def draw(size):
    px = [[CLEAR] * size for _ in range(size)]
    s = size / 32.0
    # screen: silver frame, navy face
    for y in range(int(3 * s), size - int(3 * s)):
        for x in range(int(1 * s), size - int(1 * s)):
            px[y][x] = SILVER
    for y in range(int(5 * s), size - int(6 * s)):
        for x in range(int(3 * s), size - int(3 * s)):
            px[y][x] = NAVY
    # the hidden bar's strip at the bottom of the face, with the red stripe
    bottom = size - int(6 * s)
    for x in range(int(3 * s), size - int(3 * s)):
        px[bottom - 1][x] = RED
        if size >= 32:
            px[bottom - 2][x] = RED
    # the arrow, tip just above the stripe
    scale = 1 if size >= 32 else 0.5
    rows = [r for i, r in enumerate(ARROW) if scale == 1 or i % 2 == 0]
    top = bottom - 3 - len(rows) if size >= 32 else bottom - 2 - len(rows)
    left = size // 2 - 3
    for dy, row in enumerate(rows):
        cols = row if scale == 1 else row[::2]
        for dx, c in enumerate(cols):
            y, x = top + dy, left + dx
            if 0 <= y < size and 0 <= x < size and c != " ":
                px[y][x] = BLACK if c == "1" else WHITE
    return px


def image(size):
    px = draw(size)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0, 0, 0, 0, 16, 0)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in PALETTE)
    xor_row = ((size * 4 + 31) // 32) * 4
    and_row = ((size + 31) // 32) * 4
    xor = b""
    mask = b""
    for y in reversed(range(size)):
        row = bytearray(xor_row)
        bits = bytearray(and_row)
        for x in range(size):
            c = px[y][x]
            if c is None:
                bits[x // 8] |= 0x80 >> (x % 8)
                c = 0
            row[x // 2] |= c << (4 if x % 2 == 0 else 0)
        xor += bytes(row)
        mask += bytes(bits)
    return header + palette + xor + mask


def write_ico(path, sizes):
    images = [image(s) for s in sizes]
    out = struct.pack("<HHH", 0, 1, len(sizes))
    offset = 6 + 16 * len(sizes)
    for s, data in zip(sizes, images):
        out += struct.pack("<BBBBHHII", s, s, 16, 0, 1, 4, len(data), offset)
        offset += len(data)
    with open(path, "wb") as f:
        f.write(out + b"".join(images))


if __name__ == "__main__":
    write_ico("edgewarden.ico", [32, 16])
    write_ico("edgewarden_small.ico", [16])
