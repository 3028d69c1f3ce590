#!/usr/bin/env python3
"""Writes resources/icon/huevane.ico: the program icon, a bevelled square
with a diagonal blue-to-red gradient, at 16, 32, 48 and 64 pixels in 24-bit
colour. Deterministic: running it twice gives the same bytes.

    python3 tools/make_icon.py [--out FILE]
"""
import argparse
import pathlib
import struct

SIZES = (16, 32, 48, 64)


def pixel(size, x, y):
    """Colour of pixel (x, y), y = 0 at the top, as (r, g, b)."""
    t = (x + (size - 1 - y)) / (2 * (size - 1))  # 0 bottom-left .. 1 top-right
    r, g, b = round(40 + 215 * t), round(30 + 40 * (1 - abs(2 * t - 1))), round(255 - 215 * t)
    bevel = max(1, size // 16)
    if x < bevel or y < bevel:
        r, g, b = (min(255, c + 70) for c in (r, g, b))
    elif x >= size - bevel or y >= size - bevel:
        r, g, b = (max(0, c - 70) for c in (r, g, b))
    return r, g, b


def image(size):
    """One icon image: BITMAPINFOHEADER (double height), XOR rows, AND mask."""
    header = struct.pack("<IiiHHIIiiII", 40, size, 2 * size, 1, 24, 0, 0, 0, 0, 0, 0)
    row_bytes = (size * 3 + 3) // 4 * 4
    xor = bytearray()
    for y in reversed(range(size)):  # bottom-up
        row = bytearray()
        for x in range(size):
            r, g, b = pixel(size, x, y)
            row += bytes((b, g, r))
        xor += row + bytes(row_bytes - len(row))
    mask_row = (size + 31) // 32 * 4
    return header + bytes(xor) + bytes(mask_row * size)  # all opaque


def icon():
    images = [image(s) for s in SIZES]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in zip(SIZES, images):
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 24, len(data), offset)
        offset += len(data)
    return out + b"".join(images)


def main():
    root = pathlib.Path(__file__).resolve().parent.parent
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--out", type=pathlib.Path, default=root / "resources/icon/huevane.ico")
    args = parser.parse_args()
    args.out.parent.mkdir(parents=True, exist_ok=True)
    args.out.write_bytes(icon())
    print(f"make_icon: wrote {args.out}")


if __name__ == "__main__":
    main()
