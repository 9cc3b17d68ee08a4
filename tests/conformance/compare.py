#!/usr/bin/env python3
"""The conformance report of Wine against the emulated desktop's, line by line.

    compare.py WINE-REPORT EMULATOR-REPORT KNOWN-DIFFERENCES

Each report line is "name | call | observed | expected | verdict"; lines
starting with "#" are notes. Both reports must hold the same checks in the
same order with the same calls and expectations. Where the observations
differ, the check must be listed in KNOWN-DIFFERENCES ("name | reason"), and
every listed check must differ: the file names exactly the places where Wine
departs from the Windows documentation. Exit code 0 when that holds.
"""
import sys


def read_report(path):
    checks, notes = [], {}
    with open(path, encoding="latin-1") as report:
        for line in report:
            line = line.rstrip("\r\n")
            if not line:
                continue
            if line.startswith("#"):
                name, _, value = line[1:].partition("|")
                if value:
                    notes[name.strip()] = value.strip()
                continue
            fields = [field.strip() for field in line.split(" | ")]
            if len(fields) != 5:
                raise SystemExit(f"{path}: malformed line: {line}")
            checks.append(fields)
    return checks, notes


def read_known(path):
    known = {}
    with open(path, encoding="utf-8") as listing:
        for line in listing:
            line = line.strip()
            if line and not line.startswith("#"):
                name, _, reason = line.partition("|")
                known[name.strip()] = reason.strip()
    return known


def main(argv):
    if len(argv) != 4:
        print(__doc__, file=sys.stderr)
        return 2
    wine, wine_notes = read_report(argv[1])
    emulated, emulated_notes = read_report(argv[2])
    known = read_known(argv[3])
    failures, departures = [], []

    wine_names = [check[0] for check in wine]
    emulated_names = [check[0] for check in emulated]
    if wine_names != emulated_names:
        missing = sorted(set(emulated_names) - set(wine_names))
        extra = sorted(set(wine_names) - set(emulated_names))
        failures.append(f"the reports hold different checks (missing under Wine: {missing}, "
                        f"only under Wine: {extra})")
    by_name = {check[0]: check for check in wine}
    agree = 0
    for name, call, observed, expected, verdict in emulated:
        if verdict != "agrees":
            failures.append(f"{name}: the emulated desktop departs from the documentation: "
                            f"{observed!r}, documented {expected!r}")
        other = by_name.get(name)
        if other is None:
            continue
        if (other[1], other[3]) != (call, expected):
            failures.append(f"{name}: the two builds made different checks")
        if other[2] == observed:
            agree += 1
            if name in known:
                failures.append(f"{name}: listed as a known difference, but Wine now agrees")
        elif name in known:
            departures.append((name, other[2], observed, known[name]))
        else:
            failures.append(f"{name}: Wine {other[2]!r}, emulated desktop {observed!r} "
                            f"(documented {expected!r})")
    for name in known:
        if name not in by_name:
            failures.append(f"{name}: listed as a known difference, but no such check")

    print(f"{len(emulated)} checks, {agree} agree between Wine and the emulated desktop, "
          f"{len(departures)} known differences (Wine departs from the documentation)")
    for name, wine_value, emulated_value, reason in departures:
        print(f"  known: {name}: Wine {wine_value!r}, emulated desktop {emulated_value!r}: {reason}")
    for note in sorted(set(wine_notes) | set(emulated_notes)):
        print(f"  note: {note}: Wine {wine_notes.get(note, '-')}, "
              f"emulated desktop {emulated_notes.get(note, '-')}")
    for failure in failures:
        print(f"  FAILED: {failure}")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
