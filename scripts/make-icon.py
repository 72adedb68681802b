#!/usr/bin/env python3
"""Draws Quillet's icon, 32 x 32 pixels in dark red (128, 0, 0) on white, and writes it as a
256-colour Windows icon and as a PNG for the Linux desktop: resources/quillet.ico, quillet.png.
The picture is a disc with its centre hole, cut by a white stroke, as a quill crosses it."""
import math
import struct
import sys
import zlib
from pathlib import Path

SIZE = 32
WHITE, RED = (255, 255, 255), (128, 0, 0)


def picture():
    rows = []
    for y in range(SIZE):
        row = []
        for x in range(SIZE):
            cx, cy = x + 0.5 - SIZE / 2, y + 0.5 - SIZE / 2
            r = math.hypot(cx, cy)
            red = 4.5 <= r <= 14.5
            # The quill: a white stroke from top right to bottom left, two pixels wide.
            if abs((cx + cy) / math.sqrt(2) + 2) < 1.1 and r > 4.5:
                red = False
            row.append(RED if red else WHITE)
        rows.append(row)
    return rows


def ico(rows):
    palette = [WHITE, RED] + [(0, 0, 0)] * 254
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 8, 0, 0, 0, 0, 0, 0)
    colours = b"".join(struct.pack("BBBB", b, g, r, 0) for r, g, b in palette)
    pixels = b"".join(bytes(palette.index(p) for p in row) for row in reversed(rows))
    mask = bytes(SIZE * SIZE // 8)  # every pixel opaque
    image = header + colours + pixels + mask
    return struct.pack("<HHH", 0, 1, 1) + struct.pack("<BBBBHHII", SIZE, SIZE, 0, 0, 1, 8, len(image), 22) + image


def png(rows):
    raw = b"".join(b"\0" + bytes(c for p in row for c in p) for row in rows)

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", SIZE, SIZE, 8, 2, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def main():
    folder = Path(sys.argv[1] if len(sys.argv) > 1 else Path(__file__).resolve().parent.parent / "resources")
    rows = picture()
    (folder / "quillet.ico").write_bytes(ico(rows))
    (folder / "quillet.png").write_bytes(png(rows))


if __name__ == "__main__":
    main()
