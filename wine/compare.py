#!/usr/bin/env python3
"""Compares one scenario as Wine ran it with the same scenario on the
emulated desktop.

    wine/compare.py build-wine/results/<scenario>.json <emulator trace>.jsonl

The emulator's trace is what vintoq32-sim writes with --trace. Compared:
the exit code; the driver requests (name, input bytes, the caller's buffer
afterwards, success, and whether failed polls came before it; not the poll
counts, which depend on timing under Wine); the registry writes (key, value
name, type, and the value stored); the calibration windows (rectangle,
style, extended style); the CalibTest and ParamError dialogs (caption, the
texts of the controls both sides list, rectangle, style, extended style);
the message boxes (caption, text, buttons). KNOWN_DIFFERENCES lists what is
left out and why. Exit code 0 when the two agree, 1 with a list of
differences otherwise.
"""

import json
import sys

WS_VISIBLE = 0x10000000
WS_DISABLED = 0x08000000
WS_CLIPSIBLINGS = 0x04000000
DS_3DLOOK = 0x00000004
WS_EX_DLGMODALFRAME = 0x00000001
WS_EX_WINDOWEDGE = 0x00000100
WS_EX_CONTROLPARENT = 0x00010000

# Bits that say what a window is doing at the moment the side looked at it
# (shown; disabled while its modal dialog is up), not what it was made as.
STATE_STYLES = WS_VISIBLE | WS_DISABLED
# Bits the window and dialog managers add to a dialog by themselves, on both
# sides as on Windows; the templates ask for none of them.
SYSTEM_DIALOG_STYLES = WS_CLIPSIBLINGS | DS_3DLOOK
SYSTEM_DIALOG_EX_STYLES = WS_EX_WINDOWEDGE | WS_EX_CONTROLPARENT

KNOWN_DIFFERENCES = {
    "poll counts": "real time under Wine, virtual time on the emulated desktop; a wait polls as "
                   "often as the machine allows. Only whether failed polls came before a request "
                   "is compared.",
    "WS_VISIBLE, WS_DISABLED": "state at the moment each side looked: Wine's dialogs are "
                               "listed while shown, the emulator traces a dialog as it is shown "
                               "and a window as it is created",
    "message-box rectangle and style": "a message box is laid out by the platform from the "
                                       "metrics of its text, in each side's own font; the program "
                                       "fixes only its text, caption and type",
}

MB_BUTTONS = {0: ["OK"], 1: ["OK", "Cancel"], 3: ["Yes", "No", "Cancel"], 4: ["Yes", "No"],
              5: ["Retry", "Cancel"]}


def normal_key(path):
    path = path.replace("/", "\\")
    for prefix in ("HKEY_LOCAL_MACHINE\\", "HKLM\\"):
        if path.upper().startswith(prefix):
            path = path[len(prefix):]
    return path.lower()


def styles(style, exstyle, dialog=False):
    """Style and extended style as the program chose them, in hex. A
    calibration window's are those it passed to CreateWindowExA on both
    sides; a dialog's, those its template gives."""
    if dialog:
        return ["%08x" % (style & ~(STATE_STYLES | SYSTEM_DIALOG_STYLES)),
                "%08x" % (exstyle & ~SYSTEM_DIALOG_EX_STYLES)]
    return ["%08x" % (style & ~STATE_STYLES), "%08x" % exstyle]


def from_wine(result):
    dialogs = []
    for dialog in result["dialogs"]:
        if dialog["kind"] == "MessageBox":
            dialogs.append({"kind": "MessageBox", "caption": dialog["caption"],
                            "text": dialog.get("text"),
                            "buttons": [b.replace("&", "") for b in dialog.get("buttons", [])]})
            continue
        left, top, right, bottom = dialog["rect"]
        dialogs.append({"kind": dialog["kind"], "caption": dialog["caption"],
                        "items": dialog.get("items", {}),
                        "rect": [left, top, right - left, bottom - top],
                        "styles": styles(dialog["style"], dialog["exstyle"], dialog=True)})
    windows = []
    for window in result.get("windows", []):
        left, top, right, bottom = window["rect"]
        windows.append([window["class"], [left, top, right - left, bottom - top]] +
                       styles(window["style"], window["exstyle"]))
    return {
        "exit code": result["exit_code"],
        "requests": [[r["name"], r["in"], r["out"], r["ok"], bool(r.get("failed_polls"))]
                     for r in result["requests"]],
        "registry writes": [[normal_key(w["key"]), w["name"], w["type"], w.get("value")]
                            for w in result["registry_writes"]],
        "calibration windows": windows,
        "dialogs": dialogs,
    }


def from_emulator(events):
    requests, writes, windows, dialogs, exit_code = [], [], [], [], None
    for event in events:
        kind = event.get("ev")
        if kind == "ioctl":
            requests.append([event["name"], event["in"], event["out"], event["ok"],
                             bool(event.get("failed_polls"))])
        elif kind == "regset" and event.get("status", 0) == 0:
            writes.append([normal_key(event["key"]), event["name"], event["type"],
                           event.get("data")])
        elif kind == "window" and event.get("op") == "create" and event.get("class") == "Calibrate":
            windows.append(["Calibrate", [event["x"], event["y"], event["w"], event["h"]]] +
                           styles(event.get("style", 0), event.get("exstyle", 0)))
        elif kind == "dialog":
            dialogs.append({"kind": event.get("template"), "caption": event.get("caption"),
                            "items": {str(k): v for k, v in event.get("items", {}).items()},
                            "rect": [event.get(k) for k in ("x", "y", "w", "h")],
                            "styles": styles(event.get("style", 0), event.get("exstyle", 0),
                                             dialog=True)})
        elif kind == "messagebox":
            dialogs.append({"kind": "MessageBox", "caption": event.get("caption"),
                            "text": event.get("text"),
                            "buttons": MB_BUTTONS.get(event.get("type", 0) & 0xF)})
        elif kind == "exit":
            exit_code = event.get("code")
    return {"exit code": exit_code, "requests": requests, "registry writes": writes,
            "calibration windows": windows, "dialogs": dialogs}


def dialog_differences(index, wine_dialog, emulator_dialog):
    """Items are compared where both sides name them: Wine also lists the
    controls whose text the program never sets (the group box, the icon)."""
    found = []
    label = "dialog %d (%s)" % (index, emulator_dialog.get("kind"))
    for field in ("kind", "caption", "text", "buttons", "rect", "styles"):
        if wine_dialog.get(field) != emulator_dialog.get(field):
            found.append(("%s %s" % (label, field), wine_dialog.get(field),
                          emulator_dialog.get(field)))
    wine_items, emulator_items = wine_dialog.get("items", {}), emulator_dialog.get("items", {})
    for item in sorted(set(wine_items) & set(emulator_items), key=int):
        if wine_items[item] != emulator_items[item]:
            found.append(("%s item %s" % (label, item), wine_items[item], emulator_items[item]))
    return found


def list_differences(aspect, wine_list, emulator_list, heads):
    if len(wine_list) != len(emulator_list):
        return [(aspect + " (count)", [heads(e) for e in wine_list],
                 [heads(e) for e in emulator_list])]
    return [("%s #%d" % (aspect, index), wine_entry, emulator_entry)
            for index, (wine_entry, emulator_entry) in enumerate(zip(wine_list, emulator_list),
                                                                 start=1)
            if wine_entry != emulator_entry]


def differences(wine_side, emulator_side):
    found = []
    if wine_side["exit code"] != emulator_side["exit code"]:
        found.append(("exit code", wine_side["exit code"], emulator_side["exit code"]))
    found += list_differences("requests", wine_side["requests"], emulator_side["requests"],
                              lambda e: e[0])
    found += list_differences("registry writes", wine_side["registry writes"],
                              emulator_side["registry writes"], lambda e: e[:2])
    found += list_differences("calibration windows", wine_side["calibration windows"],
                              emulator_side["calibration windows"], lambda e: e[1])
    wine_dialogs, emulator_dialogs = wine_side["dialogs"], emulator_side["dialogs"]
    if len(wine_dialogs) != len(emulator_dialogs):
        found.append(("dialogs (count)", [[d["kind"], d["caption"]] for d in wine_dialogs],
                      [[d["kind"], d["caption"]] for d in emulator_dialogs]))
    else:
        for index, (wine_dialog, emulator_dialog) in enumerate(
                zip(wine_dialogs, emulator_dialogs), start=1):
            found += dialog_differences(index, wine_dialog, emulator_dialog)
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
        print("same exit code, driver requests, registry writes, calibration windows, dialogs "
              "and message boxes")
    print("not compared:")
    for what, why in KNOWN_DIFFERENCES.items():
        print("  %s: %s" % (what, why))
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
