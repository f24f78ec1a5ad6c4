#!/usr/bin/env python3
"""Writes the seed inputs of the fuzz targets into fuzz/corpus/.

Run it again after changing an input layout; the files it writes are
committed. The layouts are described at the top of each *_fuzzer.cpp.
"""
import pathlib
import struct

HERE = pathlib.Path(__file__).resolve().parent
ROOT = HERE.parent

# query_fuzzer: byte 0 flags, byte 1 typed length in UTF-16 units, the
# typed text as UTF-16LE, then the bytes of z.dat.
ENTER_AGAIN, SET_BY_CODE, THROW = 0x20, 0x10, 0x08
NOT_FOUND, UNREADABLE, TOO_LARGE = 5, 6, 7


def query(flags, typed, table):
    units = typed.encode("utf-16-le")
    return bytes([flags, len(units) // 2]) + units + table


def gbk(text):
    return text.encode("gbk")


QUERY = {
    "bundled": query(ENTER_AGAIN, "字", (ROOT / "data" / "z.dat").read_bytes()),
    "letters": query(ENTER_AGAIN, "字", gbk("码efgh\r\n字abcd\r\n")),
    "first-wins": query(0, "字", gbk("字1111字2222")),
    "at-end": query(0, "字", gbk("abc字")),
    "short-code": query(0, "字", gbk("字ab")),
    "absent": query(ENTER_AGAIN, "码", gbk("字abcd")),
    "latin": query(ENTER_AGAIN, "a", gbk("a1234")),
    "empty-input": query(0, "", gbk("字abcd")),
    "empty-table": query(0, "字", b""),
    "missing": query(NOT_FOUND | ENTER_AGAIN, "字", b""),
    "unreadable": query(UNREADABLE, "字", b""),
    "too-large": query(TOO_LARGE, "字", b""),
    "throws": query(THROW | ENTER_AGAIN, "字", gbk("字abcd")),
    "key-by-code": query(SET_BY_CODE, "字a", gbk("字b字a123")),
    "surrogate": query(SET_BY_CODE, "\U00020000", gbk("字abcd")),
    "gbk-not-gb2312": query(0, "丂", gbk("丂wxyz")),
    "bad-bytes": query(0, "字", b"\x80\xff\x81\x7f\x00" + gbk("字ab") + b"\x00\xa3"),
    "lone-lead": query(0, "字", gbk("字abc") + b"\xd7"),
    "utf8-bom": query(0, "字", b"\xef\xbb\xbf" + "字abcd".encode("utf-8")),
    "utf16le": query(0, "字", "\ufeff字abcd".encode("utf-16-le")),
    "utf16be": query(0, "字", "\ufeff字abcd".encode("utf-16-be")),
    "utf8-extension-b": query(ENTER_AGAIN, "\U00026B00", "字abcd\r\n\U00026B00pcbm".encode("utf-8")),
    "tiny-gbk-or-utf8": query(0, "隆", gbk("隆1234")),
}

# keyvalue_fuzzer: byte 0 how the value is reached, bytes 1-4 its type
# (little-endian), then its data.
OPEN_DENIED, NO_VALUE, START = 0x01, 0x02, 0x04
AT_TOOL_PATH, TOOL_IN_FOLDER, START_FAILS = 0x08, 0x10, 0x20
REG_SZ, REG_EXPAND_SZ, REG_BINARY, REG_DWORD, REG_MULTI_SZ = 1, 2, 3, 4, 7


def keyvalue(flags, kind, data):
    return bytes([flags]) + struct.pack("<I", kind) + data


KEYVALUE = {
    "sz": keyvalue(0, REG_SZ, b"C:\\Program Files\\Common Files\\MSINFO32.EXE\x00"),
    "sz-no-nul": keyvalue(0, REG_SZ, b"C:\\Tools"),
    "sz-gbk": keyvalue(0, REG_SZ, gbk("C:\\工具\\") + b"\x00junk"),
    "sz-full": keyvalue(0, REG_SZ, b"x" * 1024),
    "sz-too-long": keyvalue(0, REG_SZ, b"y" * 1025),
    "sz-empty": keyvalue(0, REG_SZ, b""),
    "dword": keyvalue(0, REG_DWORD, struct.pack("<I", 0x12345678)),
    "dword-short": keyvalue(0, REG_DWORD, b"\x01"),
    "dword-zero": keyvalue(0, REG_DWORD, b"\x00\x00\x00\x00"),
    "expand-sz": keyvalue(0, REG_EXPAND_SZ, b"%SystemRoot%\\x\x00"),
    "binary": keyvalue(0, REG_BINARY, b"\x00\x01\x02"),
    "multi-sz": keyvalue(0, REG_MULTI_SZ, b"a\x00b\x00\x00"),
    "odd-type": keyvalue(0, 0xFFFFFFFF, b"zz"),
    "denied": keyvalue(OPEN_DENIED, REG_SZ, b"C:\\x\x00"),
    "no-value": keyvalue(NO_VALUE, REG_SZ, b""),
    "start-path": keyvalue(START | AT_TOOL_PATH, REG_SZ, b"C:\\msinfo32.exe\x00"),
    "start-folder": keyvalue(START | TOOL_IN_FOLDER, REG_SZ, b"C:\\Tools\x00"),
    "start-no-tool": keyvalue(START, REG_SZ, b"C:\\Tools\x00"),
    "start-fails": keyvalue(START | AT_TOOL_PATH | START_FAILS, REG_SZ, b"C:\\x.exe"),
    "start-dword": keyvalue(START | AT_TOOL_PATH, REG_DWORD, b"\x01\x00\x00\x00"),
    "start-denied": keyvalue(START | OPEN_DENIED | AT_TOOL_PATH, REG_SZ, b"C:\\x.exe"),
}

# tables_fuzzer: byte 0 the format (bits 0-1), GBK (bit 2), then the
# source table.
RIME, CIN, PLAIN, TSV, GBK = 0, 1, 2, 3, 4
# bit 3: Unicode or else GBK, as a table given alone is read; bit 4: a UTF-8 z.dat;
# bit 5: Unihan's kFourCornerCode, whatever bits 0-1 say.
EITHER, TO_UTF8, UNIHAN = 0x08, 0x10, 0x20


def source(flags, text, encoding="utf-8"):
    return bytes([flags]) + text.encode(encoding)


TABLES = {
    "rime": source(
        RIME,
        "# Rime dictionary\n---\nname: t\ncolumns:\n  - text\n  - code\n  - weight\n"
        "  - stem\n...\n工\ta\t9\taa\n工\taaaa\t1\n#字\tpb\n字\tpbf\t2\n中国\tkhlg\n\t\n",
    ),
    "rime-flow": source(RIME, "---\ncolumns: [code, text]\n...\npbf\t字\n\t中国\n"),
    "rime-no-end": source(RIME, "---\nname: t\n字\tpbf\n"),
    "cin": source(
        CIN,
        "%gen_inp\n%keyname begin\na 日\n%keyname end\n%chardef begin\npbf 字\n"
        "khk\t中\n%chardef end\n",
    ),
    "cin-no-end": source(CIN, "%chardef begin\npbf 字\n"),
    "plain": source(PLAIN, "KeyCode=abc\nLength=4\n[Rule]\ne2=p11+p12\n[Data]\npbf 字\nk 中\n"),
    "tsv": source(TSV, "字\tpbf\r\n丂\tgnv\n𠀀\tabcd\n中\tabcde\n中\tａ\n"),
    "tsv-utf8-bom": bytes([TSV]) + b"\xef\xbb\xbf" + "字\tpbf\n".encode("utf-8"),
    "tsv-utf16": bytes([TSV]) + "\ufeff字\tpbf\r\n中\tk\n".encode("utf-16-le"),
    "tsv-bad-utf8": bytes([TSV]) + "字\tpbf\n".encode("utf-8") + b"\xc0\xaf\tx\n",
    "cin-gbk": source(CIN | GBK, "%chardef begin\npbf 字\r\ngnv 丂\n%chardef end\n", "gbk"),
    "tsv-either-gbk": source(TSV | EITHER, "字\tpbf\n丂\tgnv\n", "gbk"),
    "rime-to-utf8": source(RIME | TO_UTF8, "---\n...\n字\tpbf\n\U00026B00\taab\n中国\tkhlg\n"),
    "unihan": source(
        UNIHAN | TO_UTF8,
        "# Unihan_DictionaryLikeData.txt\nU+5B57\tkCangjie\tJND\nU+5B57\tkFourCornerCode\t3040.7\n"
        "U+5875\tkFourCornerCode\t0021.4 0021.7\nU+4E13\tkFourCornerCode\t5030\n",
    ),
}


def write(folder, seeds):
    out = HERE / "corpus" / folder
    out.mkdir(parents=True, exist_ok=True)
    for name, data in seeds.items():
        (out / name).write_bytes(data)


write("query", QUERY)
write("keyvalue", KEYVALUE)
write("tables", TABLES)
