#!/usr/bin/env python3
"""The static analysers over what the builds compile; any finding fails.

    lint.py cppcheck|clang-tidy <source folder> <builds folder>

The builds folder holds the builds of the presets (build/native, ...), at
least configured: their compile databases say what is compiled, and how.
The portable code is analysed once, in the native build; what only Windows
compiles (the adapters, the entry points, the Windows benchmarks, the
driver and the Wine tests) in the x86_64 build, with the Win32 API's
headers and knowledge.
"""
import concurrent.futures
import json
import os
import re
import subprocess
import sys
from pathlib import Path

# What only the Windows builds compile. clang-tidy leaves the Wine tests
# and the driver to cppcheck: with <windows.h> and GoogleTest in every one
# of them they would add some six minutes of processor time to each run.
WINDOWS_CODE = ["src/platform/win32", "src/app/win32", "make_table/win32", "bench"]
WINDOWS_ONLY = WINDOWS_CODE + ["tests/wine", "driver"]

# Each build, and the folders whose files it analyses.
TIDY_FOLDERS = {
    "native": ["src", "tests", "fakes", "make_table"],
    "fuzz": ["fuzz"],
    "bench": ["bench"],
    "windows-x86_64": WINDOWS_CODE,
}


def compiled(builds, preset, source, folders):
    """The C++ files of `folders` that the build compiles, each once."""
    with open(builds / preset / "compile_commands.json", encoding="utf-8") as f:
        entries = json.load(f)
    files = set()
    for entry in entries:
        path = Path(entry["file"])
        relative = path.relative_to(source) if path.is_relative_to(source) else None
        if relative and path.suffix == ".cpp" and any(
                relative.parts[:len(Path(d).parts)] == Path(d).parts for d in folders):
            files.add(str(path))
    return sorted(files)


def mingw_arguments(builds, preset):
    """clang's target and the C++ header folders of the build's cross
    compiler, which clang's driver does not find for it (it finds the mingw
    C headers itself)."""
    with open(builds / preset / "compile_commands.json", encoding="utf-8") as f:
        commands = [e.get("command", "") for e in json.load(f)]
    compiler = next(c.split()[0] for c in commands if re.search(r"g\+\+\S*\s", c))
    triple = subprocess.run([compiler, "-dumpmachine"], capture_output=True, text=True,
                            check=True).stdout.strip()
    search = subprocess.run([compiler, "-v", "-x", "c++", "-E", "/dev/null"],
                            capture_output=True, text=True, check=True).stderr
    inside = search.split("#include <...> search starts here:")[1].split("End of search")[0]
    folders = [line.strip() for line in inside.splitlines() if "/c++" in line]
    return [f"--extra-arg=--target={triple}"] + [f"--extra-arg=-isystem{d}" for d in folders]


def cppcheck(source, builds):
    # Off: findings in system headers (not ours); useStlAlgorithm (advice
    # to write simple loops as algorithms: style).
    options = ["cppcheck", "--std=c++20", "--library=googletest", "--inline-suppr",
               "--error-exitcode=1", "-q", "--enable=warning,performance,portability,style",
               f"-j{os.cpu_count()}", "--suppress=*:/usr/*", "--suppress=useStlAlgorithm"]
    runs = [
        options + [f"--project={builds / 'native' / 'compile_commands.json'}"],
        # The fuzz targets and the native benchmark, from their sources.
        options + [f"-I{source / 'src'}", f"-I{source}", "-DSV_BUNDLED_TABLE=\"\"",
                   "-DSV_BENCH_TABLES=\"\""] + sorted(str(p) for p in (source / "fuzz").glob("*.cpp"))
        + [str(source / "bench" / f) for f in ("query_bench.cpp", "query_bench_posix.cpp")],
        options + ["--library=windows", "--platform=win64",
                   f"--project={builds / 'windows-x86_64' / 'compile_commands.json'}"]
        + [f"--file-filter={source / folder}/*" for folder in WINDOWS_ONLY],
    ]
    return all(subprocess.run(run).returncode == 0 for run in runs)


def clang_tidy(source, builds):
    jobs, seen = [], set()
    for preset, folders in TIDY_FOLDERS.items():
        extra = mingw_arguments(builds, preset) if preset.startswith("windows-") else []
        header_filter = f"--header-filter=^{source}/(src|tests|fakes|make_table|fuzz|bench|driver)/"
        # A portable file that a Windows build compiles too is analysed once.
        for file in compiled(builds, preset, source, folders):
            if file in seen:
                continue
            seen.add(file)
            jobs.append(["clang-tidy", "--quiet", "-p", str(builds / preset)] + extra
                        + [header_filter, file])
    with concurrent.futures.ThreadPoolExecutor(os.cpu_count()) as pool:
        results = list(pool.map(lambda job: subprocess.run(job, capture_output=True, text=True),
                                jobs))
    clean = True
    for result in results:
        if result.returncode != 0:
            clean = False
            sys.stdout.write(result.stdout + result.stderr)
    print(f"clang-tidy: {len(jobs)} files, {'clean' if clean else 'findings above'}")
    return clean


def main():
    if len(sys.argv) != 4 or sys.argv[1] not in ("cppcheck", "clang-tidy"):
        sys.exit(__doc__)
    source, builds = Path(sys.argv[2]).resolve(), Path(sys.argv[3]).resolve()
    ok = cppcheck(source, builds) if sys.argv[1] == "cppcheck" else clang_tidy(source, builds)
    sys.exit(0 if ok else 1)


if __name__ == "__main__":
    main()
