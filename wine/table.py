#!/usr/bin/env python3
"""The results of a Wine run as one table, scenario by cell, and the count.

    wine/table.py RESULTS-DIR CELL [CELL ...]

Reads RESULTS-DIR/<cell>/<scenario>.json as harness.py leaves them. Prints
PASS, FAIL or N/A in each cell (with the reasons for N/A below the table)
and ends with "N passed, N failed"; not applicable counts apart. Exit code 1
when any run failed or a scenario has no result in a cell.
"""

import json
import os
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import cells  # noqa: E402

SCENARIOS = Path(__file__).resolve().parent / "scenarios"


def outcome(result):
    if result is None:
        return "none"
    if "not_applicable" in result:
        return "N/A"
    return "FAIL" if result.get("failures") else "PASS"


def load(results, cell, name):
    path = results / cell / (name + ".json")
    if not path.exists():
        return None
    return json.loads(path.read_text(encoding="utf-8"))


def table(results, cell_ids, names):
    counts = {"PASS": 0, "FAIL": 0, "N/A": 0, "none": 0}
    reasons = {}
    width = max([len(n) for n in names] + [8])
    titles = [cells.CELLS[c]["title"] for c in cell_ids]
    lines = [("%-*s  %s" % (width, "scenario", "  ".join("%-7s" % t for t in titles))).rstrip()]
    for name in names:
        row = []
        for cell in cell_ids:
            result = load(results, cell, name)
            state = outcome(result)
            counts[state] += 1
            if state == "N/A":
                reasons.setdefault(result["not_applicable"], []).append(
                    "%s/%s" % (cells.CELLS[cell]["title"], name))
            row.append("%-7s" % state)
        lines.append(("%-*s  %s" % (width, name, "  ".join(row))).rstrip())
    if reasons:
        lines.append("not applicable:")
        for reason, where in reasons.items():
            lines.append("  %s: %s" % (", ".join(where), reason))
    if counts["none"]:
        lines.append("%d without a result" % counts["none"])
    lines.append("%d not applicable" % counts["N/A"])
    lines.append("%d passed, %d failed" % (counts["PASS"], counts["FAIL"] + counts["none"]))
    return lines, counts


def main(argv):
    if len(argv) < 3:
        print(__doc__.strip().split("\n\n")[1], file=sys.stderr)
        return 2
    results, cell_ids = Path(argv[1]), argv[2:]
    names = sorted(p.stem for p in SCENARIOS.glob("*.json"))
    selected = os.environ.get("VINTOQ_WINE_SCENARIOS", "").split()
    names = [n for n in names if not selected or n in selected]
    lines, counts = table(results, cell_ids, names)
    print("\n".join(lines))
    return 1 if counts["FAIL"] or counts["none"] else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
