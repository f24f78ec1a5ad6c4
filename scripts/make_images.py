#!/usr/bin/env python3
"""Draws the application icon (16 x 16) and the About picture (20 x 20),
both 16 colours, from the pixel art below. The committed app.ico and
about.bmp are this script's output: run it again after changing the art.

    python3 scripts/make_images.py src/app
"""
import struct
import sys

# The standard 16-colour palette, as the system draws 4-bit images.
PALETTE = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]

# A blue key cap with a white square glyph (a character box) and a yellow
# magnifying glass over its corner: "look up a character". '.' is
# transparent in the icon.
ICON = [
    "................",
    ".44444444444....",
    "4CCCCCCCCCCC4...",
    "4CFFFFFFFFFC4...",
    "4CFCCCFCCCFC4...",
    "4CFFFFFFFFFC4...",
    "4CFCCCFCCCFC4...",
    "4CFFFFF000FC4...",
    "4CFCCC0BBB0C4...",
    "4CFFF0BFFFB04...",
    "4CCCC0BFFFB04...",
    ".44440BFFFB0....",
    "......0BBB0.....",
    ".......000B0....",
    "...........BB...",
    "............BB..",
]

# The same picture for the About window, on the window's grey.
ABOUT = [
    "77777777777777777777",
    "77444444444444777777",
    "74CCCCCCCCCCCC477777",
    "74CFFFFFFFFFFC477777",
    "74CFCCCCFCCCFC477777",
    "74CFCCCCFCCCFC477777",
    "74CFFFFFFFFFFC477777",
    "74CFCCCCFCCCFC477777",
    "74CFCCCCF000FC477777",
    "74CFFFFF0BBB0C477777",
    "74CFCCC0BFFFB0477777",
    "74CFCCC0BFFFB0477777",
    "74CCCCC0BFFFB0477777",
    "7744444C0BBB04777777",
    "7777777700000B777777",
    "77777777777770B77777",
    "777777777777770BB777",
    "7777777777777770BB77",
    "77777777777777770B77",
    "77777777777777777777",
]


def rows_4bit(art, transparent=0):
    """Bottom-up rows of 4-bit pixels, each padded to 4 bytes."""
    out = b""
    for line in reversed(art):
        px = [transparent if ch == "." else int(ch, 16) for ch in line]
        if len(px) % 2:
            px.append(0)
        row = bytes((px[i] << 4) | px[i + 1] for i in range(0, len(px), 2))
        out += row + b"\0" * (-len(row) % 4)
    return out


def mask_rows(art):
    """Bottom-up rows of the 1-bit AND mask: 1 where transparent."""
    out = b""
    for line in reversed(art):
        bits = "".join("1" if ch == "." else "0" for ch in line)
        bits += "0" * (-len(bits) % 32)
        out += int(bits, 2).to_bytes(len(bits) // 8, "big")
    return out


def palette_bytes():
    return b"".join(bytes((b, g, r, 0)) for r, g, b in PALETTE)


def info_header(width, height, image_size):
    return struct.pack("<IiiHHIIiiII", 40, width, height, 1, 4, 0, image_size, 0, 0, 16, 0)


def icon(art):
    size = len(art)
    assert all(len(line) == size for line in art)
    pixels = rows_4bit(art)
    mask = mask_rows(art)
    image = info_header(size, size * 2, len(pixels) + len(mask)) + palette_bytes() + pixels + mask
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(image), 6 + 16)
    return directory + entry + image


def bitmap(art):
    height = len(art)
    width = len(art[0])
    assert all(len(line) == width for line in art)
    pixels = rows_4bit(art)
    header = info_header(width, height, len(pixels)) + palette_bytes()
    offset = 14 + len(header)
    return struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset) + header + pixels


if __name__ == "__main__":
    folder = sys.argv[1] if len(sys.argv) > 1 else "."
    with open(f"{folder}/app.ico", "wb") as f:
        f.write(icon(ICON))
    with open(f"{folder}/about.bmp", "wb") as f:
        f.write(bitmap(ABOUT))
