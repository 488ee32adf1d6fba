#!/usr/bin/env python3
"""Writes the PNG fixtures of the shading tests (run from this folder)."""
import struct
import zlib


def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)


def png(name, width, height, pixel, rgba=False):
    rows = b""
    for y in range(height):
        rows += b"\0" + b"".join(bytes(pixel(x, y)) for x in range(width))
    header = struct.pack(">IIBBBBB", width, height, 8, 6 if rgba else 2, 0, 0, 0)
    with open(name, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(rows)) + chunk(b"IEND", b""))


png("solid_teal.png", 16, 16, lambda x, y: (30, 140, 150))
png("dot_white.png", 1, 1, lambda x, y: (255, 255, 255))
png("wide_red.png", 300, 150, lambda x, y: (220, 30, 40))
png("half_white_black.png", 64, 64, lambda x, y: (255, 255, 255) if x < 32 else (0, 0, 0))
png("half_red_translucent.png", 4, 4, lambda x, y: (255, 0, 0, 128), rgba=True)
# solid_blue.jpg (32 x 32, RGB(80, 144, 200), quality 95) comes from the studio's own JPEG
# encoder (encodeJpegFile).
# A header claiming 60000 x 60000 pixels over a tiny body.
with open("oversized_header.png", "wb") as f:
    f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", 60000, 60000, 8, 2, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(b"\0\0\0\0")) + chunk(b"IEND", b""))
