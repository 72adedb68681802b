#!/usr/bin/env python3
"""Draws Quillet's icon, 32 x 32 pixels in dark red (128, 0, 0) on white, and writes it as a
256-colour Windows icon and as the window's PNG: resources/quillet.ico, quillet.png. For the Linux
desktop it writes the same picture on a transparent ground, smoothed, at the usual icon theme
sizes (resources/hicolor/SIZExSIZE/quillet.png) and as a scalable SVG (resources/quillet.svg).
The picture is a disc with its centre hole, cut by a stroke, as a quill crosses it."""
import math
import struct
import sys
import zlib
from pathlib import Path

SIZE = 32
WHITE, RED = (255, 255, 255), (128, 0, 0)


# The geometry, in the 32-unit square with its origin at the centre.
INNER, OUTER = 4.5, 14.5
QUILL_OFFSET, QUILL_HALF_WIDTH = 2, 1.1
THEME_SIZES = (16, 22, 24, 32, 48, 64, 128, 256)


def is_red(cx, cy):
    r = math.hypot(cx, cy)
    # The quill: a stroke from top right to bottom left, two units wide.
    return INNER <= r <= OUTER and not abs((cx + cy) / math.sqrt(2) + QUILL_OFFSET) < QUILL_HALF_WIDTH


def picture():
    return [[RED if is_red(x + 0.5 - SIZE / 2, y + 0.5 - SIZE / 2) else WHITE for x in range(SIZE)]
            for y in range(SIZE)]


def smooth_picture(size, samples=4):
    """RGBA rows: each pixel's opacity is the share of its area the disc covers."""
    scale = SIZE / size
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            covered = sum(is_red((x + (i + 0.5) / samples) * scale - SIZE / 2, (y + (j + 0.5) / samples) * scale - SIZE / 2)
                          for i in range(samples) for j in range(samples))
            row.append(RED + (round(255 * covered / samples**2),))
        rows.append(row)
    return rows


def svg():
    # The quill's centre line x + y = -offset * sqrt(2), drawn across the whole square.
    c = -QUILL_OFFSET * math.sqrt(2)
    ring = " ".join(f"M {r:g} 0 A {r:g} {r:g} 0 1 0 {-r:g} 0 A {r:g} {r:g} 0 1 0 {r:g} 0 Z" for r in (OUTER, INNER))
    return f"""<svg xmlns="http://www.w3.org/2000/svg" width="32" height="32" viewBox="-16 -16 32 32">
  <mask id="quill">
    <rect x="-16" y="-16" width="32" height="32" fill="white"/>
    <line x1="{c + 16:g}" y1="-16" x2="-16" y2="{c + 16:g}" stroke="black" stroke-width="{2 * QUILL_HALF_WIDTH:g}"/>
  </mask>
  <path d="{ring}" fill="rgb{RED}" fill-rule="evenodd" mask="url(#quill)"/>
</svg>
"""


def ico(rows):
    palette = [WHITE, RED] + [(0, 0, 0)] * 254
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 8, 0, 0, 0, 0, 0, 0)
    colours = b"".join(struct.pack("BBBB", b, g, r, 0) for r, g, b in palette)
    pixels = b"".join(bytes(palette.index(p) for p in row) for row in reversed(rows))
    mask = bytes(SIZE * SIZE // 8)  # every pixel opaque
    image = header + colours + pixels + mask
    return struct.pack("<HHH", 0, 1, 1) + struct.pack("<BBBBHHII", SIZE, SIZE, 0, 0, 1, 8, len(image), 22) + image


def png(rows):
    size, channels = len(rows), len(rows[0][0])
    raw = b"".join(b"\0" + bytes(c for p in row for c in p) for row in rows)

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6 if channels == 4 else 2, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def main():
    folder = Path(sys.argv[1] if len(sys.argv) > 1 else Path(__file__).resolve().parent.parent / "resources")
    rows = picture()
    (folder / "quillet.ico").write_bytes(ico(rows))
    (folder / "quillet.png").write_bytes(png(rows))
    for size in THEME_SIZES:
        theme = folder / "hicolor" / f"{size}x{size}"
        theme.mkdir(parents=True, exist_ok=True)
        (theme / "quillet.png").write_bytes(png(smooth_picture(size)))
    (folder / "quillet.svg").write_text(svg())


if __name__ == "__main__":
    main()
