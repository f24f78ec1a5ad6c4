#!/usr/bin/env python3
"""scripts/rebase_dlls.py against a 32-bit DLL linked as Wine's are (at
0x10000000, relocatable): two copies of it go to addresses of their own,
apart, no longer relocatable, with every relocated word moved by as much
as the base and no other byte changed; a file that is no DLL stays as it
was, and so does a DLL that is already where it says.

    rebase_dlls_test.py <rebase_dlls.py> <DLL at 0x10000000>
"""
import shutil
import struct
import subprocess
import sys
import tempfile
from pathlib import Path

script, dll = sys.argv[1], Path(sys.argv[2])
sys.dont_write_bytecode = True  # no __pycache__ left in the source tree
sys.path.insert(0, str(Path(script).parent))
from rebase_dlls import Dll  # noqa: E402

failures = []


def check(what, ok):
    if not ok:
        failures.append(what)
        print("FAILED:", what)


with tempfile.TemporaryDirectory() as top:
    folder = Path(top)
    for name in ("a.dll", "b.dll"):
        shutil.copy(dll, folder / name)
    (folder / "notes.txt").write_bytes(b"MZ but no more")
    before = Dll.read(dll)
    check("the probe is a relocatable DLL at 0x10000000", before and before.base == 0x10000000)
    subprocess.run([sys.executable, script, str(folder)], check=True)
    a, b = (Dll(folder / n, (folder / n).read_bytes()) for n in ("a.dll", "b.dll"))
    check("both moved, apart", a.base >= 0x60000000 and b.base >= a.base + a.size)
    check("neither is relocatable any more", not (a.flags | b.flags) & 0x40)
    # Every relocated word, and nothing else but the two header fields.
    sites = set(before.relocations())
    check("the probe has only 32-bit relocations", len(sites) > 3 and None not in sites)
    delta = a.base - before.base
    moved = all(struct.unpack_from("<I", a.data, s)[0] == struct.unpack_from("<I", before.data, s)[0] + delta
                for s in sites)
    check("each relocated word moved by as much as the base", moved)
    others = [i for i in range(len(before.data)) if before.data[i] != a.data[i]
              and not any(s <= i < s + 4 for s in sites)
              and not before.opt + 28 <= i < before.opt + 32 and not before.opt + 70 <= i < before.opt + 72]
    check("no other byte changed", not others)
    check("the file that is no DLL is as it was", (folder / "notes.txt").read_bytes() == b"MZ but no more")
    again = {n: (folder / n).read_bytes() for n in ("a.dll", "b.dll")}
    subprocess.run([sys.executable, script, str(folder)], check=True)
    check("a second run moves nothing", all((folder / n).read_bytes() == d for n, d in again.items()))

sys.exit(1 if failures else 0)
