#!/usr/bin/env python3
"""Writes the release package: one zip that unpacks anywhere and runs with
no install, and SHA256SUMS beside it.

    python3 scripts/package.py --exe <Selvane查询.exe> --maker <make_table.exe> \\
        --starter <用这个码表查询.exe> --table data/z.dat --tables data/码表 \\
        --readme README.md --version 2.3.0 --epoch <seconds> --zip <path>.zip

The zip holds the exe, the table maker, the table and 说明.txt, the user part of the README
as plain text, then the folder of ready tables under its own name (码表/五笔86/z.dat …),
its text files as plain text too, and in each table's folder the starter that starts the
exe there. Its bytes depend on the inputs alone: every entry carries
the time given by --epoch (the commit's), the entries come in a fixed
order, and the zip's records are written here field by field rather than
by a library whose defaults may change between versions. zlib's deflate
at level 9 is the only outside part.
"""
import argparse
import hashlib
import pathlib
import re
import struct
import time
import zlib

EXE_NAME = "Selvane查询.exe"
MAKER_NAME = "make_table.exe"
TABLE_NAME = "z.dat"
GUIDE_NAME = "说明.txt"
# The README section that is the user guide, up to the next section.
GUIDE_HEADING = "## 给使用者"

# General purpose bit 11: the name is UTF-8. Set on every entry, so that
# an unpacker never falls back to the code page of the machine it runs on.
UTF8_NAMES = 0x0800
DEFLATE = 8
# Version 2.0 of the format (deflate) is needed to extract.
VERSION_NEEDED = 20
# Made on Unix (high byte 3), so the external attributes carry Unix modes.
# Windows' unpackers ignore both; Info-ZIP's unzip, though, reads names
# of entries made on MS-DOS (0) in an OEM code page despite bit 11.
VERSION_MADE_BY = 3 << 8 | 20
REGULAR_FILE = 0o100000
# A zip's times begin in 1980.
EARLIEST = 315532800


def notepad_text(lines):
    """Text as Notepad on any Windows shows it: UTF-8 with a byte order mark,
    CRLF line ends."""
    return "\ufeff".encode() + ("\r\n".join(lines) + "\r\n").encode()


def user_guide(readme, title):
    """The README's user part as plain text, the Markdown marks taken out."""
    match = re.search(
        "^" + re.escape(GUIDE_HEADING) + r"\n(.*?)(?=^## |\Z)", readme, re.M | re.S
    )
    if not match:
        raise SystemExit("README.md has no section " + GUIDE_HEADING)
    lines = [title, ""]
    in_code = False
    for line in match.group(1).strip("\n").split("\n"):
        if line.startswith("```"):
            in_code = not in_code
            continue
        if in_code:
            lines.append("    " + line)
            continue
        # Markdown needs the space after a bold "label：" to end the bold;
        # plain text does not want it.
        line = re.sub(r"\*\*(.+?：)\*\* ", r"\1", line)
        line = re.sub(r"\*\*(.+?)\*\*", r"\1", line)
        line = re.sub(r"`([^`]+)`", r"\1", line)
        # A picture is what its words say of it.
        line = re.sub(r"!\[([^\]]*)\]\([^)]*\)", r"\1", line)
        lines.append(line.rstrip())
    return notepad_text(lines)


def folder_entries(folder, starter):
    """Every file below `folder`, named by its path from the folder's parent,
    a text file (.txt) as plain text for Notepad, and the starter in each
    folder right below it (each table's); in order of name."""
    files = [(p, p.read_bytes(), 0o644) for p in folder.rglob("*") if p.is_file()]
    starter_bytes = starter.read_bytes()
    files += [(table / starter.name, starter_bytes, 0o755) for table in folder.iterdir() if table.is_dir()]
    entries = []
    for path, data, mode in sorted(files, key=lambda f: f[0]):
        if path.suffix == ".txt":
            data = notepad_text(data.decode("utf-8").rstrip("\n").split("\n"))
        entries.append((path.relative_to(folder.parent).as_posix(), data, mode))
    return entries


def dos_time(epoch):
    t = time.gmtime(max(epoch, EARLIEST))
    return (
        t.tm_hour << 11 | t.tm_min << 5 | t.tm_sec // 2,
        (t.tm_year - 1980) << 9 | t.tm_mon << 5 | t.tm_mday,
    )


def deflate(data):
    compressor = zlib.compressobj(9, zlib.DEFLATED, -15)
    return compressor.compress(data) + compressor.flush()


def zip_bytes(entries, epoch):
    """A zip of (name, data, Unix mode) entries, in the order given."""
    clock, date = dos_time(epoch)
    body, directory = b"", b""
    for name, data, mode in entries:
        encoded = name.encode("utf-8")
        packed = deflate(data)
        # Fields common to the local header and the directory record:
        # flags, method, time, date, CRC-32, sizes, name length.
        common = struct.pack(
            "<HHHHIIIH",
            UTF8_NAMES,
            DEFLATE,
            clock,
            date,
            zlib.crc32(data),
            len(packed),
            len(data),
            len(encoded),
        )
        directory += (
            struct.pack("<IHH", 0x02014B50, VERSION_MADE_BY, VERSION_NEEDED)
            + common
            # No extra field, no comment, disk 0, internal attributes.
            + struct.pack("<HHHHII", 0, 0, 0, 0, (REGULAR_FILE | mode) << 16, len(body))
            + encoded
        )
        body += struct.pack("<IH", 0x04034B50, VERSION_NEEDED) + common + struct.pack("<H", 0)
        body += encoded + packed
    end = struct.pack(
        "<IHHHHIIH", 0x06054B50, 0, 0, len(entries), len(entries), len(directory), len(body), 0
    )
    return body + directory + end


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--exe", type=pathlib.Path, required=True)
    parser.add_argument("--maker", type=pathlib.Path, required=True)
    parser.add_argument("--starter", type=pathlib.Path, required=True)
    parser.add_argument("--table", type=pathlib.Path, required=True)
    parser.add_argument("--tables", type=pathlib.Path, required=True)
    parser.add_argument("--readme", type=pathlib.Path, required=True)
    parser.add_argument("--version", required=True)
    parser.add_argument("--epoch", type=int, required=True)
    parser.add_argument("--zip", type=pathlib.Path, required=True)
    args = parser.parse_args()

    title = "Selvane查询 " + args.version
    guide = user_guide(args.readme.read_text(encoding="utf-8"), title)
    entries = [
        (EXE_NAME, args.exe.read_bytes(), 0o755),
        (MAKER_NAME, args.maker.read_bytes(), 0o755),
        (TABLE_NAME, args.table.read_bytes(), 0o644),
        (GUIDE_NAME, guide, 0o644),
    ] + folder_entries(args.tables, args.starter)
    data = zip_bytes(entries, args.epoch)
    args.zip.parent.mkdir(parents=True, exist_ok=True)
    args.zip.write_bytes(data)
    # Beside it, in the format that sha256sum -c reads: hash, two spaces,
    # name.
    sums = "%s  %s\n" % (hashlib.sha256(data).hexdigest(), args.zip.name)
    (args.zip.parent / "SHA256SUMS").write_text(sums, encoding="utf-8", newline="\n")


if __name__ == "__main__":
    main()
