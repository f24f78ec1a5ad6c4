#!/usr/bin/env python3
"""Gives each of the Wine root's 32-bit DLLs an address of its own.

    rebase_dlls.py <folder>

Wine's 32-bit DLLs are nearly all linked at 0x10000000 and marked
relocatable, so Wine gives each an address of its own and relocates it in
every process that loads it: the DLL's code pages become that process's
own copies. An emulated machine translates the code of a page that it has
not run before, so every program paid again for all the code it ran: a
32-bit 'cmd /c exit' took 3.4 s of the emulated machine, and 2.2 with the
DLLs moved and their sections aligned (scripts/provision). Moved here one
after the other, each to an address that no other takes, and no longer
marked relocatable, a DLL loads where it says, and its code pages stay
those of the file, which every process shares. Where its address is taken
after all, Wine relocates it as before: it keeps its relocations.

The DLLs linked elsewhere (ntdll, kernel32 and a few more) keep their
addresses, which the others avoid, and are no longer marked relocatable
either. A DLL whose relocations are not all 32-bit ones is left as it is.
"""
import struct
import sys
from pathlib import Path

DYNAMIC_BASE = 0x40
COMMON_BASE = 0x10000000
# Where the moved DLLs go: the part of the address space that Wine keeps
# for DLLs (0x60000000 up to 0x7c000000), from its bottom; the 680 of Wine
# 10 take 186 MB of it.
FIRST, LIMIT = 0x60000000, 0x7C000000
GRANULARITY = 0x10000


class Dll:
    """A 32-bit DLL marked relocatable: where its headers say what."""

    def __init__(self, path, data):
        self.path, self.data = path, data
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        _, self.sections, _, _, _, optional_size, _ = struct.unpack_from("<HHIIIHH", data, pe + 4)
        self.opt = pe + 24
        self.table = self.opt + optional_size
        self.base, = struct.unpack_from("<I", data, self.opt + 28)
        self.size, = struct.unpack_from("<I", data, self.opt + 56)
        self.flags, = struct.unpack_from("<H", data, self.opt + 70)
        self.relocs = struct.unpack_from("<II", data, self.opt + 96 + 5 * 8)

    @staticmethod
    def read(path):
        data = path.read_bytes()
        if data[:2] != b"MZ" or len(data) < 0x40:
            return None
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[pe:pe + 4] != b"PE\0\0":
            return None
        machine, = struct.unpack_from("<H", data, pe + 4)
        characteristics, = struct.unpack_from("<H", data, pe + 22)
        magic, = struct.unpack_from("<H", data, pe + 24)
        dll = Dll(path, data) if (machine, magic) == (0x14C, 0x10B) and characteristics & 0x2000 else None
        return dll if dll and dll.flags & DYNAMIC_BASE else None

    def offset(self, rva, length=4):
        """The file offset of `length` bytes at `rva`, or None."""
        for i in range(self.sections):
            virtual_size, start, raw_size, raw_pointer = struct.unpack_from(
                "<IIII", self.data, self.table + 40 * i + 8)
            if start <= rva < start + max(virtual_size, raw_size):
                return raw_pointer + rva - start if rva - start + length <= raw_size else None
        return None

    def relocations(self):
        """The file offset of each word that a move changes, or None for a
        relocation that is not a 32-bit one (or lies outside the file)."""
        rva, size = self.relocs
        position = self.offset(rva, size)
        if position is None:
            yield None
            return
        end = position + size
        while position + 8 <= end:
            page, block = struct.unpack_from("<II", self.data, position)
            if block < 8:
                break
            for i in range(position + 8, position + block, 2):
                entry, = struct.unpack_from("<H", self.data, i)
                if entry >> 12 != 0:  # 0 is padding
                    yield self.offset(page + (entry & 0xFFF)) if entry >> 12 == 3 else None
            position += block

    def moved(self, base):
        """Its bytes at `base`, not marked relocatable; None where one of
        its relocations is not a 32-bit one."""
        out = bytearray(self.data)
        if base != self.base:
            for where in self.relocations():
                if where is None:
                    return None
                value, = struct.unpack_from("<I", out, where)
                struct.pack_into("<I", out, where, (value + base - self.base) & 0xFFFFFFFF)
            struct.pack_into("<I", out, self.opt + 28, base)
        struct.pack_into("<H", out, self.opt + 70, self.flags & ~DYNAMIC_BASE)
        return bytes(out)


def round_up(n):
    return (n + GRANULARITY - 1) // GRANULARITY * GRANULARITY


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    dlls = [d for d in map(Dll.read, sorted(p for p in Path(sys.argv[1]).iterdir() if p.is_file())) if d]
    fixed = sorted((d.base, d.base + round_up(d.size)) for d in dlls if d.base != COMMON_BASE)
    base, moved = FIRST, 0
    for dll in dlls:
        if dll.base == COMMON_BASE:
            # The next free address: past any DLL that keeps its own, and a
            # granule apart from the one before.
            for start, end in fixed:
                if start < base + round_up(dll.size) and base < end:
                    base = end
            if base + round_up(dll.size) > LIMIT:
                continue
            data = dll.moved(base)
            if data:
                base += round_up(dll.size) + GRANULARITY
                moved += 1
        else:
            data = dll.moved(dll.base)
        if data:
            dll.path.write_bytes(data)
    print(f"rebase_dlls: {moved} DLLs moved, to {FIRST:#x}-{base:#x}; {len(fixed)} keep their own address")


if __name__ == "__main__":
    main()
