"""The Wine stage under pytest: the driver's checks through the probe, then
every scenario in every cell the run was asked for.

wine/run-tests.sh prepares the stack (display, prefix, driver service,
binaries) and runs this file with the environment naming what to run:
  VINTOQ_WINE_CELLS       cells, blank-separated (cells.CELLS; default x86_64)
  VINTOQ_WINE_SCENARIOS   scenario names, blank-separated (default: all)
  VINTOQ_WINE_PROBE       0: no driver checks; "only": nothing else
A scenario a cell cannot play is skipped with its reason (table.py counts it
as not applicable, apart from the passed and failed ones).
"""

import json
import os
import time

import pytest

import harness

CELLS = os.environ.get("VINTOQ_WINE_CELLS", "x86_64").split()
SELECTED = os.environ.get("VINTOQ_WINE_SCENARIOS", "").split()
PROBE = os.environ.get("VINTOQ_WINE_PROBE", "1")


def scenario_names():
    if PROBE == "only":
        return []
    names = sorted(path.stem for path in harness.SCENARIOS.glob("*.json"))
    return [name for name in names if not SELECTED or name in SELECTED]


if PROBE != "0":
    @pytest.mark.parametrize("check", harness.PROBE_CHECKS, ids=lambda c: c.__name__)
    def test_probe(check):
        failures = check()
        assert not failures, harness.describe(failures)


if scenario_names():
    @pytest.fixture(scope="module", params=CELLS)
    def cell(request):
        """One cell at a time: the Windows version is set once for all its
        scenarios."""
        harness.enter_cell(request.param)
        return request.param


    @pytest.mark.parametrize("name", scenario_names())
    def test_scenario(cell, name):
        started = time.time()
        path = harness.SCENARIOS / (name + ".json")
        try:
            result = harness.run_scenario(path, cell)
        except harness.NotApplicable as reason:
            harness.write_not_applicable(cell, name, str(reason))
            pytest.skip(str(reason))
        except Exception as error:
            # Recorded for the table; a stale passing result must not stand.
            failures = [{"check": "scenario", "expected": "playable", "actual": repr(error)}]
            (harness.RESULTS / cell).mkdir(parents=True, exist_ok=True)
            (harness.RESULTS / cell / (name + ".json")).write_text(json.dumps(
                {"scenario": name, "cell": cell, "failures": failures,
                 "seconds": round(time.time() - started, 1)}, indent=2) + "\n")
            raise
        for note in result["notes"]:
            print("note: " + note)
        assert not result["failures"], harness.describe(result["failures"])
