#!/usr/bin/env python3
"""The tests of a 32-bit Wine test program, one for each suite.

    by_suite.py <tests file>

Rewrites the file that gtest_discover_tests_impl wrote (for each case an
add_test line and a set_tests_properties line) so that the cases of one
suite run in one program: '<prefix><suite> (<n> tests)', with the cases
as its filter. In the emulated machine, where the release exe's tests run
on a machine whose kernel runs no 32-bit code, a Wine program takes some
3 s of processor time to start and end: the main window's eleven cases
took 70 processor-seconds one program each and 37 in one. The time limits
grow with the cases (ctest's, and the session's SV_WINE_TIMEOUT, which it
stretches for its guest). A suite of one case keeps its line as it is.
No Wine test skips, so no skip pattern is kept: gtest's '[  SKIPPED ]'
for one case would mark the suite's others as not run.
"""
import re
import sys

ADD = re.compile(r"add_test\(\[=\[(?P<name>[^\]]+)\]=\]  (?P<command>.*) "
                 r"\[==\[--gtest_filter=(?P<case>[^\]]+)\]==\] (?P<rest>[^\]]*)\)")
PROPERTIES = re.compile(r"set_tests_properties\(\[=\[(?P<name>[^\]]+)\]=\]  PROPERTIES (?P<list>.*)\)")
SKIP = re.compile(r"SKIP_REGULAR_EXPRESSION \[==\[[^\]]*\]\]==\] ")


def grouped(text):
    lines = text.splitlines()
    suites, other = {}, []  # suites in the order of their first case
    i = 0
    while i < len(lines):
        add = ADD.fullmatch(lines[i])
        if not add:
            other.append(lines[i])
            i += 1
            continue
        properties = PROPERTIES.fullmatch(lines[i + 1]) if i + 1 < len(lines) else None
        if not properties or properties["name"] != add["name"]:
            sys.exit(f"by_suite.py: no properties after the test {add['name']}")
        suite = add["name"].rsplit(".", 1)[0]
        suites.setdefault(suite, []).append((add, properties))
        i += 2
    out = []
    for suite, cases in suites.items():
        if len(cases) == 1:
            out += [cases[0][0].string, cases[0][1].string]
            continue
        add, properties = cases[0][0], cases[0][1]
        if any(c[0]["command"] != add["command"] or c[0]["rest"] != add["rest"]
               or c[1]["list"] != properties["list"] for c in cases):
            sys.exit(f"by_suite.py: the cases of {suite} do not run alike")
        n = len(cases)
        name = f"{suite} ({n} tests)"
        filter_ = ":".join(c[0]["case"] for c in cases)
        listed = SKIP.sub("", properties["list"])
        listed = re.sub(r"(?<![A-Z_])TIMEOUT (\d+)", lambda m: f"TIMEOUT {int(m[1]) * n}", listed)
        listed = re.sub(r"SV_WINE_TIMEOUT=set:(\d+)", lambda m: f"SV_WINE_TIMEOUT=set:{int(m[1]) * n}",
                        listed)
        out.append(f"add_test([=[{name}]=]  {add['command']} [==[--gtest_filter={filter_}]==] "
                   f"{add['rest']})")
        out.append(f"set_tests_properties([=[{name}]=]  PROPERTIES {listed})")
    return "\n".join(out + other) + "\n"


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    with open(sys.argv[1], encoding="utf-8") as f:
        text = f.read()
    with open(sys.argv[1], "w", encoding="utf-8") as f:
        f.write(grouped(text))


if __name__ == "__main__":
    main()
