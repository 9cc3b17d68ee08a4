#!/usr/bin/env python3
"""Compares one scenario as Wine ran it with the same scenario on the
emulated desktop.

    wine/compare.py build-wine/results/<scenario>.json <emulator trace>.jsonl

The emulator's trace is what vintoq32-sim writes with --trace. Compared:
the driver requests (name, input bytes, the caller's buffer afterwards,
success; not the poll counts, which depend on timing under Wine), the
registry writes (key, value name, type, and the value stored), the exit
code, and the dialogs and message boxes (kind, caption, texts, and where a
dialog was placed). Exit code 0
when the two agree, 1 with a list of differences otherwise.
"""

import json
import sys


def normal_key(path):
    path = path.replace("/", "\\")
    for prefix in ("HKEY_LOCAL_MACHINE\\", "HKLM\\"):
        if path.upper().startswith(prefix):
            path = path[len(prefix):]
    return path.lower()


def from_wine(result):
    dialogs = []
    for dialog in result["dialogs"]:
        if dialog["kind"] == "MessageBox":
            dialogs.append(["MessageBox", dialog["caption"], dialog.get("text")])
        else:
            rect = dialog.get("rect")
            dialogs.append([dialog["kind"], dialog["caption"], dialog.get("items", {}),
                            rect[:2] if rect else None])
    return {
        "exit code": result["exit_code"],
        "requests": [[r["name"], r["in"], r["out"], r["ok"]] for r in result["requests"]],
        "registry writes": [[normal_key(w["key"]), w["name"], w["type"], w.get("value")]
                            for w in result["registry_writes"]],
        "dialogs": dialogs,
    }


def from_emulator(events):
    requests, writes, dialogs, exit_code = [], [], [], None
    for event in events:
        kind = event.get("ev")
        if kind == "ioctl":
            requests.append([event["name"], event["in"], event["out"], event["ok"]])
        elif kind == "regset" and event.get("status", 0) == 0:
            writes.append([normal_key(event["key"]), event["name"], event["type"],
                           event.get("data")])
        elif kind == "dialog":
            items = {str(k): v for k, v in event.get("items", {}).items()}
            position = [event["x"], event["y"]] if "x" in event and "y" in event else None
            dialogs.append([event.get("template"), event.get("caption"), items, position])
        elif kind == "messagebox":
            dialogs.append(["MessageBox", event.get("caption"), event.get("text")])
        elif kind == "exit":
            exit_code = event.get("code")
    return {"exit code": exit_code, "requests": requests, "registry writes": writes,
            "dialogs": dialogs}


def compare_dialog(wine_dialog, emulator_dialog):
    """Items are compared where both sides name them: Wine also lists the
    controls whose text the program never sets (the group box, the icon).
    Positions (the dialog's top-left corner on the screen) where both sides
    give one."""
    if wine_dialog[:2] != emulator_dialog[:2]:
        return False
    if isinstance(wine_dialog[2], dict) and isinstance(emulator_dialog[2], dict):
        common = set(wine_dialog[2]) & set(emulator_dialog[2])
        if any(wine_dialog[2][k] != emulator_dialog[2][k] for k in common):
            return False
    elif wine_dialog[2] != emulator_dialog[2]:
        return False
    if len(wine_dialog) > 3 and len(emulator_dialog) > 3 and None not in (wine_dialog[3],
                                                                          emulator_dialog[3]):
        return wine_dialog[3] == emulator_dialog[3]
    return True


def differences(wine_side, emulator_side):
    found = []
    if wine_side["exit code"] != emulator_side["exit code"]:
        found.append(("exit code", wine_side["exit code"], emulator_side["exit code"]))
    for aspect in ("requests", "registry writes"):
        wine_list, emulator_list = wine_side[aspect], emulator_side[aspect]
        if len(wine_list) != len(emulator_list):
            found.append((aspect + " (names)", [e[:2] if aspect != "requests" else e[0]
                                                for e in wine_list],
                          [e[:2] if aspect != "requests" else e[0] for e in emulator_list]))
            continue
        for index, (wine_entry, emulator_entry) in enumerate(zip(wine_list, emulator_list)):
            if wine_entry != emulator_entry:
                found.append(("%s #%d" % (aspect, index + 1), wine_entry, emulator_entry))
    wine_dialogs, emulator_dialogs = wine_side["dialogs"], emulator_side["dialogs"]
    if len(wine_dialogs) != len(emulator_dialogs) or not all(
            compare_dialog(w, e) for w, e in zip(wine_dialogs, emulator_dialogs)):
        found.append(("dialogs", wine_dialogs, emulator_dialogs))
    return found


def main(argv):
    if len(argv) != 3:
        print(__doc__.strip().split("\n\n")[1], file=sys.stderr)
        return 2
    with open(argv[1], encoding="utf-8") as source:
        wine_side = from_wine(json.load(source))
    with open(argv[2], encoding="utf-8") as source:
        emulator_side = from_emulator(json.loads(line) for line in source if line.strip())
    found = differences(wine_side, emulator_side)
    for aspect, wine_value, emulator_value in found:
        print("%s differs:\n  wine     %s\n  emulator %s" % (
            aspect, json.dumps(wine_value, ensure_ascii=False),
            json.dumps(emulator_value, ensure_ascii=False)))
    if not found:
        print("same exit code, driver requests, registry writes and dialogs")
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
