#!/usr/bin/env python3
"""PNG files as the driver writes them (8-bit RGB, stored blocks).

    png.py squeeze <in.png> <out.png>   the same picture, deflated
    png.py same <a.png> <b.png>         exit 0 when both show the same pixels
"""
import struct
import sys
import zlib


def chunks(data):
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        sys.exit("not a PNG file")
    at = 8
    while at < len(data):
        (length,) = struct.unpack(">I", data[at:at + 4])
        yield data[at + 4:at + 8], data[at + 8:at + 8 + length]
        at += 12 + length


def picture(path):
    """The header and the rows' bytes: what the picture shows."""
    with open(path, "rb") as f:
        data = f.read()
    header, idat = None, b""
    for kind, body in chunks(data):
        if kind == b"IHDR":
            header = body
        elif kind == b"IDAT":
            idat += body
    return header, zlib.decompress(idat)


def chunk(kind, body):
    return (struct.pack(">I", len(body)) + kind + body
            + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF))


def squeeze(source, target):
    header, rows = picture(source)
    png = (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header)
           + chunk(b"IDAT", zlib.compress(rows, 9)) + chunk(b"IEND", b""))
    with open(target, "wb") as f:
        f.write(png)


if __name__ == "__main__":
    if len(sys.argv) == 4 and sys.argv[1] == "squeeze":
        squeeze(sys.argv[2], sys.argv[3])
    elif len(sys.argv) == 4 and sys.argv[1] == "same":
        sys.exit(0 if picture(sys.argv[2]) == picture(sys.argv[3]) else 1)
    else:
        sys.exit(__doc__)
