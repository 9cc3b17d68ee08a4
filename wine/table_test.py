"""table.py: the outcome of each cell and the count at the end."""

import json

import table


def write(results, cell, name, content):
    (results / cell).mkdir(parents=True, exist_ok=True)
    (results / cell / (name + ".json")).write_text(json.dumps(content))


def test_outcomes_and_the_count(tmp_path):
    write(tmp_path, "x86_64", "a", {"failures": []})
    write(tmp_path, "i686-win95", "a", {"failures": [{"check": "exit code"}]})
    write(tmp_path, "x86_64", "b", {"not_applicable": "no key security"})
    write(tmp_path, "i686-win95", "b", {"not_applicable": "no key security"})
    lines, counts = table.table(tmp_path, ["x86_64", "i686-win95", "i686-win31"], ["a", "b"])
    assert lines[0].split() == ["scenario", "x86-64", "Win95", "Win32s"]
    assert lines[1].split() == ["a", "PASS", "FAIL", "none"]
    assert lines[2].split() == ["b", "N/A", "N/A", "none"]
    assert "  x86-64/b, Win95/b: no key security" in lines
    # A cell without a result is a failure, never a silent pass.
    assert lines[-2:] == ["2 not applicable", "1 passed, 3 failed"]
    assert counts["none"] == 2
