#!/usr/bin/env python3
"""Prints how long each step of the test script and each test took, longest first.

    test-times.py STEPS_FILE JUNIT_FILE...

STEPS_FILE holds one "seconds<TAB>step" line per step; each JUNIT_FILE is ctest's
--output-junit report of one preset's run, named after the preset (native.xml).
"""
import sys
import xml.etree.ElementTree as ElementTree


def main():
    steps_file, reports = sys.argv[1], sys.argv[2:]
    steps = []
    with open(steps_file, encoding="utf-8") as f:
        for line in f:
            seconds, _, name = line.rstrip("\n").partition("\t")
            steps.append((float(seconds), name))
    tests = []
    for report in reports:
        try:
            suite = ElementTree.parse(report).getroot()
        except (OSError, ElementTree.ParseError):
            continue
        preset = report.rsplit("/", 1)[-1].rsplit(".", 1)[0]
        for case in suite.iter("testcase"):
            status = case.get("status", "run")
            if case.find("failure") is not None:
                status = "failed"
            elif case.find("skipped") is not None:
                status = "skipped"
            else:
                status = "passed" if status == "run" else status
            tests.append((float(case.get("time", 0)), case.get("name"), preset, status))

    print("== time per step")
    for seconds, name in steps:
        print("%8.1f s  %s" % (seconds, name))
    print("%8.1f s  total" % sum(s for s, _ in steps))
    print("== time per test, longest first")
    for seconds, name, preset, status in sorted(tests, key=lambda t: -t[0]):
        print("%8.1f s  %-38s %-7s %s" % (seconds, name, preset, status))
    print("%8.1f s  summed over %d tests" % (sum(t[0] for t in tests), len(tests)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
