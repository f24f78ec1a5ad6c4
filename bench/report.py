#!/usr/bin/env python3
"""What './dev bench' prints beside the benchmarks' own figures.

    report.py exe <release exe> <objdump>
        its size against the goal, and whether it imports system DLLs only
    report.py compare <i686 summary> <x86_64 summary>
        the release exe's end-to-end medians against the x86_64 exe's
"""
import os
import subprocess
import sys

SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "comctl32.dll",
               "msvcrt.dll", "shell32.dll"}
GOAL_KB = 300


def exe(path, objdump):
    size = os.path.getsize(path)
    dump = subprocess.run([objdump, "-p", path], capture_output=True, text=True, check=True).stdout
    dlls = [line.split("DLL Name:")[1].strip() for line in dump.splitlines() if "DLL Name:" in line]
    others = [d for d in dlls if d.lower() not in SYSTEM_DLLS]
    print(f"\nRelease exe (windows-i686): {size} bytes = {size / 1024:.1f} KB; goal at most "
          f"{GOAL_KB} KB: {'met' if size <= GOAL_KB * 1024 else 'MISSED'}")
    print(f"Imports: {' '.join(dlls)}; system DLLs only: "
          f"{'yes' if not others else 'NO (' + ' '.join(others) + ')'}")


def medians(path):
    with open(path, encoding="utf-8") as f:
        return dict((name, float(ms)) for name, ms in (line.split() for line in f if line.strip()))


def compare(i686, x86_64):
    mine, theirs = medians(i686), medians(x86_64)
    print("\nThe release exe (i686, WoW64) against the x86_64 exe, medians:")
    for name, ms in mine.items():
        if name in theirs:
            print(f"  {name:<24} {ms:8.2f} ms   x86_64 {theirs[name]:8.2f} ms   "
                  f"ratio {ms / theirs[name]:.2f}")


if __name__ == "__main__":
    if len(sys.argv) == 4 and sys.argv[1] == "exe":
        exe(sys.argv[2], sys.argv[3])
    elif len(sys.argv) == 4 and sys.argv[1] == "compare":
        compare(sys.argv[2], sys.argv[3])
    else:
        sys.exit(__doc__)
