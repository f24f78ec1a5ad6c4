#!/usr/bin/env python3
"""tests/wine/by_suite.py on a listing as gtest_discover_tests_impl writes
it: the cases of a suite become one test with all of them as its filter
and the time limits of all of them, without the skip pattern; a suite of
one case, and what is no test, stay as they were; cases that do not run
alike are refused.

    by_suite_test.py <by_suite.py>
"""
import subprocess
import sys
import tempfile
from pathlib import Path

script = sys.argv[1]
RUN = "/b/run-wine /b/t.exe"
PROPS = ("WORKING_DIRECTORY /b SKIP_REGULAR_EXPRESSION [==[\\[  SKIPPED \\]]==] LABELS i686 "
         "TIMEOUT 420 ENVIRONMENT_MODIFICATION [==[SV_WINE_TIMEOUT=set:120]==] "
         "RESOURCE_LOCK wine_desktop_i686")


def case(name, props=PROPS):
    suite_case = name.split(".", 2)[2]
    return (f"add_test([=[{name}]=]  {RUN} [==[--gtest_filter={suite_case}]==] "
            f"--gtest_also_run_disabled_tests)\n"
            f"set_tests_properties([=[{name}]=]  PROPERTIES {props})\n")


def run(text):
    with tempfile.TemporaryDirectory() as folder:
        path = Path(folder) / "t[1]_tests.cmake"
        path.write_text(text, encoding="utf-8")
        done = subprocess.run([sys.executable, script, str(path)], capture_output=True, text=True)
        return done.returncode, path.read_text(encoding="utf-8"), done.stderr


tail = "set(  t_TESTS i686.e.A.One)\n"
listing = (case("i686.e.A.One") + case("i686.e.Solo.Only") + case("i686.e.A.Two")
           + case("i686.e.P/B.Case/Param") + case("i686.e.P/B.Case/Other") + tail)
grouped = (
    f"add_test([=[i686.e.A (2 tests)]=]  {RUN} [==[--gtest_filter=A.One:A.Two]==] "
    "--gtest_also_run_disabled_tests)\n"
    "set_tests_properties([=[i686.e.A (2 tests)]=]  PROPERTIES WORKING_DIRECTORY /b LABELS i686 "
    "TIMEOUT 840 ENVIRONMENT_MODIFICATION [==[SV_WINE_TIMEOUT=set:240]==] "
    "RESOURCE_LOCK wine_desktop_i686)\n"
    + case("i686.e.Solo.Only")
    + f"add_test([=[i686.e.P/B (2 tests)]=]  {RUN} "
    "[==[--gtest_filter=P/B.Case/Param:P/B.Case/Other]==] --gtest_also_run_disabled_tests)\n"
    "set_tests_properties([=[i686.e.P/B (2 tests)]=]  PROPERTIES WORKING_DIRECTORY /b LABELS i686 "
    "TIMEOUT 840 ENVIRONMENT_MODIFICATION [==[SV_WINE_TIMEOUT=set:240]==] "
    "RESOURCE_LOCK wine_desktop_i686)\n" + tail)

failures = []
for what, text, status, expected in [
    ("suites grouped, a lone case kept", listing, 0, grouped),
    ("a listing of lone cases unchanged", case("i686.e.A.One") + tail, 0,
     case("i686.e.A.One") + tail),
    ("cases on other systems refused",
     case("i686.e.A.One") + case("i686.e.A.Two", PROPS + " ENVIRONMENT [==[SV_WINE_DPI=144]==]"),
     1, None),
]:
    got_status, got, err = run(text)
    if got_status != status or (expected is not None and got != expected):
        failures.append(what)
        print(f"FAILED: {what}: status {got_status}, {err}\n{got}")
sys.exit(1 if failures else 0)
