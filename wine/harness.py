#!/usr/bin/env python3
"""Runs vintoq32.exe under Wine on an Xvfb display, plays the user with
xdotool, and checks what the driver, the registry and the screen saw.

Used by test_wine.py, which wine/stack.sh runs once it has prepared the
prefix, the display, the driver service and the binaries; the environment
says where they are and which architecture's stack this is. A scenario runs
in a cell (cells.py), moved to the cell's platform first. A scenario is a JSON file in the emulated desktop's scenario format,
plus "args", "expect" and "wine" (see wine/README.md), so the same file can be
run on both sides and the results compared.
"""

import json
import os
import re
import shlex
import subprocess
import sys
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
sys.path.insert(0, str(ROOT / "wine"))
import cells  # noqa: E402
from cells import NotApplicable  # noqa: E402,F401  (the harness's callers catch it here)

BUILD = Path(os.environ.get("VINTOQ_WINE_BUILD", ROOT / "build-wine"))
# The image's architecture: its own prefix, tools and Wine loader. Once the
# 32-bit Wine is installed, "wine" starts Wine's own programs (regedit, sc,
# net) as 32-bit ones, so a 64-bit prefix needs the 64-bit loader.
ARCH = os.environ.get("VINTOQ_WINE_ARCH", "x86_64")
LOADER = os.environ.get("VINTOQ_WINE_LOADER", "wine64" if ARCH == "x86_64" else "wine")
PREFIX = Path(os.environ.get("WINEPREFIX", BUILD / ("prefix" if ARCH == "x86_64" else "prefix32")))
EXE = Path(os.environ.get("VINTOQ_EXE", ROOT / ("build-win-" + ARCH) / "src" / "vintoq32.exe"))
TOOLS = BUILD / "bin" / ARCH
WORK = BUILD / "work" / ARCH
SHOTS = BUILD / "shots"
RESULTS = BUILD / "results"
SCENARIOS = ROOT / "wine" / "scenarios"

SERVICE_KEY = r"HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Services\Dravix"
CLASS_KEY = r"HKEY_LOCAL_MACHINE\System\CurrentControlSet\Services\Class\ZorvaTouchscreen"
TEST_KEY = SERVICE_KEY + r"\Test"
DRIVER_LOG = PREFIX / "drive_c" / "dravix-log.txt"
# Values the service manager keeps in the service key; not the program's.
SERVICE_VALUES = {"type", "start", "errorcontrol", "imagepath", "displayname", "objectname",
                  "description", "group", "dependonservice", "dependongroup", "tag",
                  "preshutdowntimeout", "wow64"}

CODES = {
    0x9C402404: "SetCalibration",
    0x9C402408: "DisablePointQueueing",
    0x9C40240C: "EnablePointQueueing",
    0x9C402410: "GetRawTouch",
    0x9C40241C: "SetBeep",
    0x9C402428: "GetDriverInfo",
    0x9C40242C: "BeginTouchWait",
}
NAMES = {name: code for code, name in CODES.items()}

TOUCH_WAIT_ACTIONS = {"esc", "idle"}
DIALOG_ACTIONS = {"yes", "no", "enter", "escape", "close", "timeout"}


class ScenarioError(Exception):
    """Playing the scenario went wrong: a control or window it needs is
    missing."""


# ---- processes ---------------------------------------------------------------

_log_dir = WORK


def log_path(name):
    _log_dir.mkdir(parents=True, exist_ok=True)
    return _log_dir / name


def wine(args, output, timeout=60, check=True):
    """Runs a Wine command to completion. Output goes to a file: service
    processes that Wine starts on the way inherit it, and a pipe would stay
    open for as long as they live."""
    with open(output, "wb") as out:
        result = subprocess.run([LOADER] + args, stdout=out, stderr=subprocess.STDOUT,
                                timeout=timeout)
    if check and result.returncode != 0:
        raise RuntimeError("wine %s failed (%d): %s" % (" ".join(args), result.returncode,
                                                        Path(output).read_text(errors="replace")))
    return result.returncode


def windows_path(path):
    return "Z:" + str(path).replace("/", "\\")


def xdotool(*args):
    subprocess.run(["xdotool"] + [str(a) for a in args], check=True, timeout=20,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def screenshot(cell, name):
    (SHOTS / cell).mkdir(parents=True, exist_ok=True)
    path = SHOTS / cell / (name + ".png")
    subprocess.run(["/usr/bin/import", "-window", "root", str(path)], check=True, timeout=30)
    return path


# ---- windows on the Wine desktop ---------------------------------------------

RECT_AND_STYLE = (r"rect=(-?\d+),(-?\d+),(-?\d+),(-?\d+) style=([0-9a-f]+) exstyle=([0-9a-f]+) "
                  r"text=(.*)$")
WINDOW_LINE = re.compile(r"^window (\S+) pid=(\d+) xid=(\d+) class=(.*?) " + RECT_AND_STYLE)
CHILD_LINE = re.compile(r"^child (\S+) id=(-?\d+) class=(.*?) " + RECT_AND_STYLE)


def unescape(text):
    return re.sub(r"\\(.)", lambda m: {"n": "\n", "r": "\r"}.get(m.group(1), m.group(1)), text)


def list_windows():
    """The visible top-level windows with their controls."""
    output = log_path("windows.txt")
    wine([str(TOOLS / "wintool.exe"), "windows"], output, timeout=30)
    return parse_windows(output.read_text(encoding="utf-8", errors="replace"))


def parse_windows(text):
    """wintool's window listing as records, each top-level window with its
    controls."""
    windows = []
    for line in text.splitlines():
        match = WINDOW_LINE.match(line)
        if match:
            windows.append(dict(window_fields(match, 5), hwnd=match.group(1),
                                pid=int(match.group(2)), xid=int(match.group(3)),
                                children=[], **{"class": match.group(4)}))
            continue
        match = CHILD_LINE.match(line)
        if match and windows:
            windows[-1]["children"].append(dict(
                window_fields(match, 4), hwnd=match.group(1), id=int(match.group(2)) & 0xFFFF,
                **{"class": match.group(3)}))
    return windows


def window_fields(match, first):
    """Rectangle, styles and text from a listing line, from group `first`."""
    return {"rect": [int(match.group(i)) for i in range(first, first + 4)],
            "style": int(match.group(first + 4), 16), "exstyle": int(match.group(first + 5), 16),
            "text": unescape(match.group(first + 6))}


def x_windows():
    """The program's mapped X windows. Asking the X server is far cheaper
    than starting a Wine process, so the harness looks at the Wine side only
    when a new one shows up."""
    result = subprocess.run(["xdotool", "search", "--onlyvisible", "--class", "^vintoq32"],
                            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, timeout=20)
    return set(result.stdout.split())


def child(window, control_id):
    for item in window["children"]:
        if item["id"] == control_id:
            return item
    return None


def dialog_kind(window):
    if child(window, 1000) is not None:
        return "ParamError"
    if child(window, 1009) is not None:
        return "CalibTest"
    return "MessageBox"


def x_window_name(window):
    """The caption as the X server has it (WM_NAME, set by Wine's X11
    driver): a second witness, outside Wine, of what the title bar shows."""
    result = subprocess.run(["xdotool", "getwindowname", str(window["xid"])],
                            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, timeout=20)
    return result.stdout.decode("utf-8", errors="replace").rstrip("\n")


def dialog_record(window):
    kind = dialog_kind(window)
    record = {"kind": kind, "caption": window["text"], "x_caption": x_window_name(window),
              "rect": window["rect"], "style": window["style"], "exstyle": window["exstyle"]}
    if kind == "MessageBox":
        text = child(window, 0xFFFF)
        record["text"] = text["text"] if text else None
        record["buttons"] = [c["text"] for c in window["children"] if c["class"].lower() == "button"]
    else:
        record["items"] = {str(c["id"]): c["text"] for c in window["children"]}
    return record


def focus(window):
    xdotool("windowfocus", "--sync", window["xid"])


def click(x, y):
    # Not "mousemove --sync": it waits for a motion event, and there is none
    # when the pointer already stands there (the same button of the same
    # dialog in the previous scenario).
    xdotool("mousemove", x, y, "sleep", "0.1", "click", "1")


def click_control(window, control_id):
    item = child(window, control_id)
    if item is None:
        raise ScenarioError("no control %d in %r" % (control_id, window["text"]))
    left, top, right, bottom = item["rect"]
    click((left + right) // 2, (top + bottom) // 2)


def click_close_box(window):
    # Wine draws the caption itself when no window manager runs; the close
    # box is the rightmost caption button, one caption height square.
    left, top, right, bottom = window["rect"]
    click(right - 12, top + 12)


def play_dialog_action(window, action):
    if action == "yes":
        click_control(window, 1)
    elif action == "no":
        click_control(window, 2)
    elif action == "enter":
        focus(window)
        xdotool("key", "Return")
    elif action == "escape":
        focus(window)
        xdotool("key", "Escape")
    elif action == "close":
        click_close_box(window)
    elif action == "timeout":
        pass
    else:
        raise ScenarioError("unknown dialog action " + action)


# ---- the driver's log ----------------------------------------------------------

def read_driver_log():
    """The requests the driver saw, with the caller's view of each reply."""
    if not DRIVER_LOG.exists():
        return [], False
    return parse_driver_log(DRIVER_LOG.read_text(errors="replace"))


def parse_driver_log(text):
    requests = []
    closed = False
    for line in text.splitlines():
        fields = line.split()
        if not fields:
            continue
        if fields[0] == "close":
            closed = True
        if fields[0] != "req" or len(fields) < 8:
            continue
        code = int(fields[1], 16)
        status = int(fields[2], 16)
        quiet = int(fields[3])
        failed = int(fields[4])
        data_in = "" if fields[5] == "-" else fields[5]
        reply = None if fields[6] == "-" else fields[6]
        milliseconds = int(fields[7])
        ok = status == 0
        entry = {"name": CODES.get(code, "0x%08X" % code), "code": "%08X" % code,
                 "in": data_in,
                 # A request that fails or writes nothing leaves the caller's
                 # buffer as the caller prepared it, which for every request
                 # of this program holds the request's own bytes.
                 "out": reply if ok and reply is not None else data_in,
                 "reply": reply, "ok": ok, "status": "%08X" % status, "ms": milliseconds}
        if code == NAMES["GetRawTouch"]:
            entry["polls"] = quiet + 1
        elif quiet:
            entry["quiet_polls"] = quiet
        if failed:
            entry["failed_polls"] = failed
        requests.append(entry)
    return requests, closed


def wait_for_close(timeout=5.0):
    """The driver writes its close line when the last handle goes, shortly
    after the program's process has ended."""
    deadline = time.time() + timeout
    while time.time() < deadline:
        if not DRIVER_LOG.exists():
            return
        _, closed = read_driver_log()
        if closed:
            return
        time.sleep(0.1)


# ---- the registry --------------------------------------------------------------

def decode_reg(path):
    data = path.read_bytes()
    if data.startswith(b"\xff\xfe"):
        return data[2:].decode("utf-16-le")
    return data.decode("cp1252")


def registry_value(value_type, data):
    """REG_DWORD as an int and REG_SZ as text; anything else, a REG_DWORD of
    the wrong size included, as "hex(<type>):<bytes>" so that it never
    passes for a number."""
    if value_type == 4 and len(data) == 4:
        return int.from_bytes(data, "little")
    if value_type in (1, 2) and len(data) % 2 == 0:
        return data.decode("utf-16-le").rstrip("\0")
    return "hex(%d):%s" % (value_type, data.hex())


def program_registry():
    """The program's part of the live registry: the service key without the
    driver's test configuration and the service manager's own values, and the
    touchscreen class key. {key path: {value name: value}}"""
    output = log_path("registry.txt")
    wine([str(TOOLS / "wintool.exe"), "registry", SERVICE_KEY.split("\\", 1)[1],
          CLASS_KEY.split("\\", 1)[1]], output)
    return parse_registry(output.read_text(encoding="utf-8", errors="replace"))


def parse_registry(text):
    """wintool's registry dump as {key path: {value name: value}}, without
    the driver's test key and the service manager's values."""
    state = {}
    current = None
    service = False
    for line in text.splitlines():
        if line.startswith("key "):
            path = "HKEY_LOCAL_MACHINE\\" + unescape(line[4:])
            skip = path.lower().startswith(TEST_KEY.lower())
            current = None if skip else state.setdefault(path, {})
            service = path.lower() == SERVICE_KEY.lower()
        elif line.startswith("value ") and current is not None:
            _, value_type, data, name = line.split(" ", 3)
            name = unescape(name)
            if service and name.lower() in SERVICE_VALUES:
                continue
            current[name] = registry_value(int(value_type),
                                           b"" if data == "-" else bytes.fromhex(data))
    return state


TRACE_CALL = re.compile(r'^([0-9a-f]+):trace:reg:(NtOpenKeyEx|NtCreateKey|NtSetValueKey) '
                        r'\((\S+?),L"((?:[^"\\]|\\.)*)",(\d+|[0-9a-f]+|<null>),?(\S*?)(?:,(\d+))?\)$')
TRACE_RESULT = re.compile(r'^([0-9a-f]+):trace:reg:(NtOpenKeyEx|NtCreateKey) <- (\S+)$')


def registry_writes(trace_text):
    """The registry writes a program made, in order, from Wine's "reg" trace
    channel: Wine writes the registry only through NtSetValueKey, and the
    trace names the key handle, the value, its type and its size. Handles
    are resolved through the NtOpenKeyEx/NtCreateKey calls that made them.
    Only writes below the services key count: Wine's own start-up writes a
    few values elsewhere."""
    keys = {}
    pending = {}
    writes = []
    for line in trace_text.splitlines():
        match = TRACE_RESULT.match(line)
        if match:
            thread, _, handle = match.groups()
            if thread in pending and handle != "(nil)":
                keys[handle] = pending.pop(thread)
            continue
        match = TRACE_CALL.match(line)
        if not match:
            continue
        thread, call, root, name, third, _, size = match.groups()
        name = name.replace("\\\\", "\\")
        if call == "NtSetValueKey":
            path = keys.get(root)
            if path and path.lower().startswith(
                    "hkey_local_machine\\system\\currentcontrolset\\services\\"):
                writes.append({"key": path, "name": name, "type": int(third),
                               "size": int(size) if size else None})
            continue
        if root == "(nil)":
            path = name
        elif root in keys:
            path = keys[root] + "\\" + name if name else keys[root]
        else:
            continue
        if path.lower().startswith("\\registry\\machine"):
            path = "HKEY_LOCAL_MACHINE" + path[len("\\registry\\machine"):]
        pending[thread] = path
    return writes


CREATE_CALL = re.compile(r'^([0-9a-f]+):trace:win:WIN_CreateWindowEx .* L"Calibrate" '
                         r'ex=([0-9a-f]+) style=([0-9a-f]+) ')
CREATE_RESULT = re.compile(r'^([0-9a-f]+):trace:win:NtUserCreateWindowEx hwnd \S+ cs .* '
                           r'\((-?\d+),(-?\d+)\)-\((-?\d+),(-?\d+)\)$')


def calibration_windows(trace_text):
    """Every calibration window the program created, from Wine's "win"
    trace channel: the styles the program passed to CreateWindowExA and the
    rectangle the window got. Unlike a look at the screen, this does not
    depend on the harness being quick enough to see a window that lives for
    half a second (an idle time-out of one second)."""
    windows = []
    pending = {}
    for line in trace_text.splitlines():
        match = CREATE_CALL.match(line)
        if match:
            thread, exstyle, style = match.groups()
            pending[thread] = {"class": "Calibrate", "style": int(style, 16),
                               "exstyle": int(exstyle, 16)}
            continue
        match = CREATE_RESULT.match(line)
        if match and match.group(1) in pending:
            window = pending.pop(match.group(1))
            window["rect"] = [int(match.group(i)) for i in range(2, 6)]
            windows.append(window)
    return windows


def registry_changes(before, after):
    changes = {}
    for path in sorted(set(before) | set(after)):
        old, new = before.get(path, {}), after.get(path, {})
        diff = {name: new.get(name) for name in sorted(set(old) | set(new))
                if old.get(name) != new.get(name)}
        if diff:
            changes[path] = diff
    return changes


def reg_string(text):
    return '"' + text.replace("\\", "\\\\").replace('"', '\\"') + '"'


def held_touches(scenario):
    """Touches the driver keeps back until the harness releases them: those
    whose target is to be photographed while it waits, and any the scenario
    names itself."""
    options = scenario.get("wine", {})
    held = set(options.get("hold", []))
    for what in options.get("screenshots", {}):
        match = re.match(r"^target(\d+)$", what)
        if match:
            held.add(int(match.group(1)))
    return held


def driver_config_reg(scenario):
    """The driver's configuration for this scenario, as .reg text."""
    driver = scenario.get("driver", {})
    holds = held_touches(scenario)
    lines = ["[%s]" % TEST_KEY]
    version = driver.get("version", 4)
    unwritten = list(driver.get("unwritten", []))
    if version is None:
        unwritten.append("GetDriverInfo")
    else:
        lines.append('"Version"=dword:%08x' % version)
    touches = []
    for index, touch in enumerate(driver.get("touches", []), start=1):
        flag = touch[2] if len(touch) > 2 else 1
        touches.append("%s%d,%d,0,%d" % ("@" if index in holds else "", touch[0], touch[1], flag))
    lines.append('"Touches"=' + reg_string(" ".join(touches)))
    lines.append('"Fail"=' + reg_string(" ".join(driver.get("fail", []))))
    lines.append('"NoReply"=' + reg_string(" ".join(unwritten)))
    lines.append('"Release"=dword:00000000')
    for name, data in driver.get("replies", {}).items():
        if name not in NAMES:
            raise ScenarioError("no driver request is called " + name)
        lines.append('"Reply%s"=hex:%s' % (name, ",".join("%02x" % b for b in data)))
    return "\r\n".join(lines) + "\r\n"


RESET_REG = "\r\n".join([
    "REGEDIT4", "",
    # The screens and the class key are the scenario's; the service key itself
    # belongs to the driver's service and stays.
    "[%s]" % SERVICE_KEY,
    '"NumberOfScreens"=-',
    ""] + ["[-%s\\TouchScreen%d]" % (SERVICE_KEY, n) for n in range(20)] + [
    "[-%s]" % TEST_KEY,
    "[-%s]" % CLASS_KEY,
    ""])


def prepare_registry(scenario, name, base):
    parts = [RESET_REG]
    if "registry" in scenario:
        text = decode_reg(base / scenario["registry"])
        # Drop the file's own header line; one header opens the whole file.
        body = text.split("\n", 1)[1] if "\n" in text else ""
        parts.append(body.replace("\r\n", "\n").replace("\n", "\r\n"))
    if "registry_text" in scenario:
        text = scenario["registry_text"]
        parts.append(text.split("\n", 1)[1] if "\n" in text else "")
    parts.append(driver_config_reg(scenario))
    path = log_path(name + ".setup.reg")
    path.write_bytes("\r\n".join(parts).encode("cp1252"))
    wine(["regedit", "/S", windows_path(path)], log_path(name + ".setup.out"))


def set_release(count):
    wine(["reg", "add", TEST_KEY, "/v", "Release", "/t", "REG_DWORD", "/d", str(count), "/f"],
         log_path("release.out"))


def below_hklm(path):
    """A key path as the scenario gives it, relative to HKEY_LOCAL_MACHINE."""
    for prefix in ("HKEY_LOCAL_MACHINE\\", "HKLM\\"):
        if path.upper().startswith(prefix):
            return path[len(prefix):]
    raise ScenarioError("%s is not below HKEY_LOCAL_MACHINE" % path)


def set_key_access(keys, access, name):
    """Makes keys and everything below them read-only or writable again,
    through their DACLs; Wine's registry checks them like Windows does."""
    if keys:
        wine([str(TOOLS / "wintool.exe"), access] + keys, log_path(name + "." + access + ".out"))


def protect_keys(scenario, name):
    """Applies the scenario's read_only_keys. The driver's test key stays
    writable when it lies below one: the harness releases held touches
    through it."""
    keys = [below_hklm(path) for path in scenario.get("read_only_keys", [])]
    set_key_access(keys, "readonly", name)
    test_key = below_hklm(TEST_KEY).lower()
    if any(test_key.startswith(key.lower().rstrip("\\") + "\\") for key in keys):
        set_key_access([below_hklm(TEST_KEY)], "writable", name)
    return keys


# ---- one scenario --------------------------------------------------------------

def check_supported(scenario):
    """Refuses, before anything runs, what Wine would silently play as a
    different story. The platform is the cell's business (cells.py)."""
    if scenario.get("desktop", [1024, 768]) != [1024, 768]:
        raise NotApplicable("the Xvfb screen is 1024 x 768")
    if scenario.get("locale") not in (None, "English_United States.1252"):
        raise NotApplicable("the Wine prefix runs in the English (United States) locale")
    if scenario.get("screens"):
        raise NotApplicable("touches come from the driver's list, not a touchscreen model")
    if scenario.get("failing_writes"):
        # Key security decides whether a key opens for writing, not whether
        # one value of an open key can be written; and nothing makes a write
        # fail with a status of one's choosing.
        raise NotApplicable("failing_writes: Wine cannot make the write of one value fail")
    for key in ("fail_register_class", "fail_create_window"):
        if key in scenario:
            raise NotApplicable("%s: Wine's window manager cannot be made to fail" % key)
    driver = scenario.get("driver", {})
    if driver.get("close_fails"):
        raise NotApplicable("a device handle cannot be made to fail closing under Wine")
    for action in scenario.get("user", []):
        if not isinstance(action, str) or action not in TOUCH_WAIT_ACTIONS | DIALOG_ACTIONS:
            raise NotApplicable("user action %r cannot be played under Wine" % (action,))


def touches_delivered(scenario):
    """The driver's touches the program will see: none when every poll
    fails or goes unanswered (the driver still uses them up, as the
    emulated one does)."""
    driver = scenario.get("driver", {})
    if "GetRawTouch" in driver.get("fail", []) + driver.get("unwritten", []):
        return []
    return driver.get("touches", [])


class Run:
    """Plays one scenario's user while the program runs."""

    def __init__(self, name, scenario, cell):
        self.name = name
        self.cell = cell
        self.scenario = scenario
        self.wine_options = scenario.get("wine", {})
        self.touches = touches_delivered(scenario)
        self.holds = held_touches(scenario)
        self.shots_wanted = self.wine_options.get("screenshots", {})
        self.script = list(scenario.get("user", []))
        self.waits_seen = 0
        self.dialogs = []
        self.handled = set()
        self.shots = []
        self.notes = []
        self.started = time.time()
        self.timeline = []
        self.x_seen = set()
        self.last_listing = 0.0
        self.answered = {}

    def mark(self, what):
        """Keeps what the harness did and when, for reading a failed run."""
        self.timeline.append("%6.2f %s" % (time.time() - self.started, what))

    def shoot(self, what):
        label = self.shots_wanted.get(what)
        if label:
            self.mark("screenshot " + label)
            path = screenshot(self.cell, label)
            self.shots.append(str(path.relative_to(BUILD)))

    def take_touch_wait_action(self):
        if self.script and self.script[0] in TOUCH_WAIT_ACTIONS:
            return self.script.pop(0)
        return None

    def take_dialog_action(self):
        if self.script and self.script[0] in DIALOG_ACTIONS:
            return self.script.pop(0)
        return "yes"

    def on_wait(self, number):
        """A target has been drawn and the program polls for touch
        `number` (counted over the whole run)."""
        self.mark("wait for touch %d" % number)
        self.shoot("target%d" % number)
        if number <= len(self.touches):
            if number in self.holds:
                self.mark("release touch %d" % number)
                set_release(number)
            return
        action = self.take_touch_wait_action()
        if action == "esc":
            calibrate = [w for w in list_windows() if w["class"] == "Calibrate"]
            if not calibrate:
                raise ScenarioError("no calibration window to press Esc in")
            self.mark("Esc on the calibration window")
            focus(calibrate[-1])
            xdotool("key", "Escape")
        elif action is None:
            self.notes.append("wait %d: no touch and no action; left to the time-out" % number)

    def on_dialog(self, window):
        record = dialog_record(window)
        self.mark("%s %r" % (record["kind"], record["caption"]))
        self.dialogs.append(record)
        kind = record["kind"]
        count = sum(1 for d in self.dialogs if d["kind"] == kind)
        self.shoot("%s%d" % (kind, count))
        action = "enter" if kind == "MessageBox" else self.take_dialog_action()
        self.mark(action)
        play_dialog_action(window, action)
        if action != "timeout":
            self.answered[window["hwnd"]] = [action, time.time(), 0]

    def check_answered(self, windows):
        """Plays an answer again when its dialog is still up a while later:
        under load an X event can arrive before Wine is ready for it."""
        for window in windows:
            entry = self.answered.get(window["hwnd"])
            if entry and time.time() - entry[1] > 5 and entry[2] < 2:
                entry[1], entry[2] = time.time(), entry[2] + 1
                self.notes.append("%s played again on %r" % (entry[0], window["text"]))
                self.mark(entry[0] + " again")
                play_dialog_action(window, entry[0])

    def play(self, process, timeout):
        deadline = time.time() + timeout
        while process.poll() is None:
            if time.time() > deadline:
                self.notes.append("timed out after %d s" % timeout)
                process.kill()
                break
            requests, _ = read_driver_log()
            waits = sum(1 for r in requests if r["name"] == "BeginTouchWait")
            while self.waits_seen < waits:
                self.waits_seen += 1
                self.on_wait(self.waits_seen)
            if process.poll() is not None:
                break
            shown = x_windows()
            # A full look now and then as well, should an X window be reused.
            if shown - self.x_seen or time.time() - self.last_listing > 3:
                self.x_seen |= shown
                self.last_listing = time.time()
                windows = list_windows()
                for window in windows:
                    if window["class"] == "#32770" and window["hwnd"] not in self.handled:
                        self.handled.add(window["hwnd"])
                        self.on_dialog(window)
                self.check_answered(windows)
            time.sleep(0.05)
        code = process.wait()
        self.mark("exit code %d" % code)
        return code


def scenario_for_cell(path, cell):
    """The scenario as the cell plays it (cells.for_cell), written beside
    the cell's results so that the emulated desktop plays the same file.
    Raises NotApplicable."""
    scenario = json.loads(path.read_text(encoding="utf-8"))
    moved = cells.for_cell(scenario, cell,
                           lambda name: decode_reg(path.parent / name).lstrip("\ufeff"))
    check_supported(moved)
    cell_path = RESULTS / cell / (path.stem + ".scenario.json")
    cell_path.parent.mkdir(parents=True, exist_ok=True)
    cell_path.write_text(json.dumps(moved, indent=2, ensure_ascii=False) + "\n",
                         encoding="utf-8")
    return moved, cell_path


def enter_cell(cell):
    """Tells Wine which Windows to be for the cell's runs, and checks that
    a program's GetVersion then gives what the emulated desktop is set to.
    The cell's logs go to their own folder."""
    global _log_dir
    _log_dir = WORK / cell
    windows = cells.CELLS[cell]["windows"]
    if windows is None:
        wine(["reg", "delete", r"HKCU\Software\Wine", "/v", "Version", "/f"],
             log_path("version.out"), check=False)
        return
    wine(["reg", "add", r"HKCU\Software\Wine", "/v", "Version", "/t", "REG_SZ", "/d", windows,
          "/f"], log_path("version.out"))
    output = log_path("version.txt")
    wine([str(TOOLS / "wintool.exe"), "version"], output)
    reported = output.read_text(errors="replace").strip()
    wanted = "%08X" % cells.CELLS[cell]["version"]
    if reported != wanted:
        raise RuntimeError("Wine as %s reports GetVersion %s, not %s" % (windows, reported,
                                                                          wanted))


def run_scenario(path, cell="x86_64"):
    started = time.time()
    name = path.stem
    scenario, cell_path = scenario_for_cell(path, cell)
    expect = scenario.get("expect", {})
    driver_present = scenario.get("driver", {}).get("present", True)

    prepare_registry(scenario, name, path.parent)
    if DRIVER_LOG.exists():
        DRIVER_LOG.unlink()
    if not driver_present:
        wine(["net", "stop", "Dravix"], log_path("net.out"))
    before = program_registry()

    run = Run(name, scenario, cell)
    args = scenario.get("args", "")
    output = open(log_path(name + ".program.out"), "wb")
    process = None
    protected = []
    try:
        protected = protect_keys(scenario, name)
        env = dict(os.environ)
        # The "reg" trace channel shows the program's registry writes in order
        # (a value rewritten with its old content leaves no other trace), the
        # "win" channel every window as the program asked for it.
        env["WINEDEBUG"] = "-all,trace+reg,trace+win"
        process = subprocess.Popen([LOADER, str(EXE)] + shlex.split(args), stdout=output,
                                   stderr=subprocess.STDOUT, env=env)
        exit_code = run.play(process, run.wine_options.get("timeout", 60))
    finally:
        # A scenario that went wrong must not leave the program behind for
        # the next one to meet.
        if process is not None and process.poll() is None:
            process.kill()
            process.wait()
        output.close()
        if not driver_present:
            wine(["net", "start", "Dravix"], log_path("net.out"))
        # Before the next scenario's registry is put in place: a read-only
        # key could not be deleted.
        set_key_access(protected, "writable", name)
    wait_for_close()
    requests, _ = read_driver_log()
    after = program_registry()
    trace = log_path(name + ".program.out").read_text(errors="replace")
    writes = registry_writes(trace)
    for write in writes:
        write["value"] = after.get(write["key"], {}).get(write["name"])
    if DRIVER_LOG.exists():
        (RESULTS / cell / (name + ".driver.log")).write_bytes(DRIVER_LOG.read_bytes())

    result = {
        "scenario": name,
        "cell": cell,
        "side": "wine",
        "args": args,
        "exit_code": exit_code,
        "requests": [{k: r[k] for k in ("name", "code", "in", "out", "ok", "polls", "quiet_polls",
                                        "failed_polls", "ms") if k in r} for r in requests],
        "registry_before": before,
        "registry_after": after,
        "registry_changed": registry_changes(before, after),
        "registry_writes": writes,
        "windows": calibration_windows(trace),
        "dialogs": run.dialogs,
        "screenshots": run.shots,
        "notes": run.notes,
        "timeline": run.timeline,
    }
    failures = check_expectations(expect, result)
    failures += differential(cell_path, result, cell)
    result["failures"] = failures
    result["seconds"] = round(time.time() - started, 1)
    (RESULTS / cell / (name + ".json")).write_text(json.dumps(result, indent=2, ensure_ascii=False) + "\n",
                                            encoding="utf-8")
    return result


# ---- expectations --------------------------------------------------------------

def check_expectations(expect, result):
    failures = []

    def fail(what, expected, actual):
        failures.append({"check": what, "expected": expected, "actual": actual})

    if "exit_code" in expect and result["exit_code"] != expect["exit_code"]:
        fail("exit code", expect["exit_code"], result["exit_code"])

    if "requests" in expect:
        actual = [[r["name"], r["in"], r["out"]] + ([] if r["ok"] else ["failed"])
                  for r in result["requests"]]
        wanted = [list(r) for r in expect["requests"]]
        if [a[0] for a in actual] != [w[0] for w in wanted]:
            fail("request names", [w[0] for w in wanted], [a[0] for a in actual])
        else:
            for index, (want, got) in enumerate(zip(wanted, actual)):
                if want != got:
                    fail("request %d (%s) bytes" % (index + 1, want[0]), want, got)

    if "failed_polls_before" in expect:
        actual = [r["name"] for r in result["requests"] if r.get("failed_polls")]
        if actual != expect["failed_polls_before"]:
            fail("requests that follow failed polls", expect["failed_polls_before"], actual)

    for key, values in expect.get("registry", {}).items():
        stored = result["registry_after"].get(key)
        if values is None:
            if stored is not None:
                fail("key %s absent" % key, None, stored)
            continue
        stored = stored or {}
        for value, wanted in values.items():
            if stored.get(value) != wanted:
                fail("registry %s\\%s" % (key, value), wanted, stored.get(value))

    if "registry_writes" in expect:
        wanted = [list(w) for w in expect["registry_writes"]]
        actual = [[w["key"], w["name"]] for w in result["registry_writes"]]
        if wanted != actual:
            # Shown as key-relative names when one key is involved: shorter.
            keys = {w[0] for w in wanted + actual}
            short = (lambda ws: [w[1] for w in ws]) if len(keys) == 1 else (lambda ws: ws)
            fail("registry writes in order" + (" to " + keys.pop() if len(keys) == 1 else ""),
                 short(wanted), short(actual))
    # Every value the program writes is a 32-bit number.
    for write in result["registry_writes"]:
        if write["type"] != 4 or write["size"] != 4:
            fail("%s\\%s written as REG_DWORD of 4 bytes" % (write["key"], write["name"]),
                 [4, 4], [write["type"], write["size"]])

    if expect.get("registry_unchanged") and result["registry_changed"]:
        fail("registry unchanged", {}, result["registry_changed"])

    for index, dialog in enumerate(result["dialogs"]):
        if dialog.get("x_caption") != dialog["caption"]:
            fail("dialog %d caption as X shows it" % (index + 1), dialog["caption"],
                 dialog.get("x_caption"))

    if "dialogs" in expect:
        seen = result["dialogs"]
        if len(seen) != len(expect["dialogs"]):
            fail("number of dialogs and message boxes", len(expect["dialogs"]), len(seen))
        for index, (want, got) in enumerate(zip(expect["dialogs"], seen)):
            for field, value in want.items():
                if field == "items":
                    for item, text in value.items():
                        if got.get("items", {}).get(item) != text:
                            fail("dialog %d item %s" % (index + 1, item), text,
                                 got.get("items", {}).get(item))
                elif got.get(field) != value:
                    fail("dialog %d %s" % (index + 1, field), value, got.get(field))
    return failures


# ---- the same scenario on the emulated desktop -----------------------------------

def differential(path, result, cell):
    """With VINTOQ_SIM naming the emulated desktop's launcher, runs the same
    scenario there and reports every difference in exit code, driver
    requests, registry writes and dialogs as a failure."""
    sim = os.environ.get("VINTOQ_SIM")
    if not sim:
        return []
    import compare

    name = path.name[:-len(".scenario.json")]
    trace = RESULTS / cell / (name + ".emulator.jsonl")
    if trace.exists():
        trace.unlink()
    with open(log_path(name + ".emulator.out"), "wb") as out:
        subprocess.run([sim, "--scenario", str(path), "--trace", str(trace), "--"] +
                       shlex.split(result["args"]), stdout=out, stderr=subprocess.STDOUT,
                       timeout=120)
    if not trace.exists():
        return [{"check": "emulated desktop", "expected": "a trace", "actual": "none; see " +
                 str(log_path(name + ".emulator.out").relative_to(BUILD))}]
    with open(trace, encoding="utf-8") as source:
        emulator_side = compare.from_emulator(json.loads(line) for line in source if line.strip())
    return [{"check": "same as the emulated desktop: " + aspect, "expected": emulator_value,
             "actual": wine_value}
            for aspect, wine_value, emulator_value in
            compare.differences(compare.from_wine(result), emulator_side)]


# ---- the driver on its own, through the probe ------------------------------------

def run_probe(name, config_reg, max_polls):
    """Runs probe.exe against the driver. config_reg: the driver's
    configuration as .reg value lines, or None to keep the one in place."""
    if config_reg is not None:
        path = log_path(name + ".setup.reg")
        path.write_bytes(("REGEDIT4\r\n\r\n[-%s]\r\n\r\n[%s]\r\n%s" % (
            TEST_KEY, TEST_KEY, config_reg)).encode("cp1252"))
        wine(["regedit", "/S", windows_path(path)], log_path(name + ".setup.out"))
    if DRIVER_LOG.exists():
        DRIVER_LOG.unlink()
    output = log_path(name + ".probe.out")
    code = wine([str(TOOLS / "probe.exe"), str(max_polls)], output, check=False)
    wait_for_close()
    lines = {}
    for line in output.read_text(errors="replace").splitlines():
        fields = line.split()
        if fields and "=" in line:
            lines.setdefault(fields[0], []).append(
                dict(f.split("=", 1) for f in fields[1:] if "=" in f))
    return code, lines, read_driver_log()[0]


class Checks:
    """Collects the failed checks of one probe run."""

    def __init__(self):
        self.failures = []

    def __call__(self, what, expected, actual):
        if expected != actual:
            self.failures.append({"check": what, "expected": expected, "actual": actual})


HEADER = "0400040000000000"
CALIBRATION = HEADER + "2c018403fa0052030100ff000000ff7f0000ff7f0000ff000100"


def probe_defaults():
    """Version 4, echoes, no touches at all."""
    check, header, calibration = Checks(), HEADER, CALIBRATION
    code, lines, log = run_probe("probe-defaults", "", 500)
    check("probe exit code", 0, code)
    check("GetDriverInfo reply", header[:4] + "00" * 54, lines["GetDriverInfo"][0]["out"])
    for name in ("DisablePointQueueing", "BeginTouchWait", "EnablePointQueueing"):
        check(name + " echo", header, lines[name][0]["out"])
        check(name + " ok", "1", lines[name][0]["ok"])
    check("no touch after 500 polls", header + "00" * 10, lines["GetRawTouch"][0]["out"])
    check("SetCalibration echo", calibration, lines["SetCalibration"][0]["out"])
    check("SetBeep echo", header + "0000e8032000", lines["SetBeep"][0]["out"])
    check("unknown code refused", "0", lines["Unknown"][0]["ok"])
    check("log names", ["GetDriverInfo", "DisablePointQueueing", "BeginTouchWait",
                        "EnablePointQueueing", "SetCalibration", "SetBeep", "SetBeep",
                        "0x9C402414"], [r["name"] for r in log])
    enable = next((r for r in log if r["name"] == "EnablePointQueueing"), {})
    check("quiet polls counted, not logged, none failed", (500, None),
          (enable.get("quiet_polls"), enable.get("failed_polls")))

    return check.failures


def probe_configured():
    """A touch after a number of polls, version 5, failures, no reply, an
    altered reply."""
    check, header, calibration = Checks(), HEADER, CALIBRATION
    config = "\r\n".join([
        '"Version"=dword:00000005',
        '"Touches"="600,560,250"',
        '"Fail"="EnablePointQueueing SetBeep"',
        '"NoReply"="DisablePointQueueing"',
        '"ReplySetCalibration"=hex:04,00,04,00,00,00,00,00,11,22',
        ""])
    code, lines, log = run_probe("probe-configured", config, 100000)
    check("version 5", "0500" + "00" * 54, lines["GetDriverInfo"][0]["out"])
    check("touch on poll 251", ("251", header + "0000" + "0100" + "5802" + "3002" + "0000"),
          (lines["GetRawTouch"][0]["polls"], lines["GetRawTouch"][0]["out"]))
    check("failed request returns FALSE with ERROR_GEN_FAILURE", ("0", "31"),
          (lines["EnablePointQueueing"][0]["ok"], lines["EnablePointQueueing"][0]["error"]))
    check("failed request leaves the caller's buffer", header,
          lines["EnablePointQueueing"][0]["out"])
    check("unanswered request succeeds and leaves the buffer", ("1", "0", header),
          (lines["DisablePointQueueing"][0]["ok"], lines["DisablePointQueueing"][0]["returned"],
           lines["DisablePointQueueing"][0]["out"]))
    check("altered reply laid over the record", header + "1122" + calibration[20:],
          lines["SetCalibration"][0]["out"])
    touches = [[r["polls"], r["out"]] for r in log if r["name"] == "GetRawTouch"]
    check("logged touches with their poll counts",
          [[251, header + "0000" + "0100" + "5802" + "3002" + "0000"]], touches)
    check("logged failures", [False, False, False],
          [r["ok"] for r in log if r["name"] in ("EnablePointQueueing", "SetBeep")])

    return check.failures


def probe_failing_polls():
    """Failing polls hand over nothing and are counted, as failed, with the
    next request."""
    check, header = Checks(), HEADER
    code, lines, log = run_probe("probe-failing-polls", '"Fail"="GetRawTouch"\r\n', 200)
    check("failing poll leaves the reply as the caller prepared it", ("0", header + "00" * 10),
          (lines["GetRawTouch"][0]["ok"], lines["GetRawTouch"][0]["out"]))
    enable = next((r for r in log if r["name"] == "EnablePointQueueing"), {})
    check("failed polls counted with the next request", (200, 200),
          (enable.get("quiet_polls"), enable.get("failed_polls")))

    return check.failures


def probe_held():
    """A held touch is not delivered before its release."""
    check, header = Checks(), HEADER
    code, lines, log = run_probe("probe-held", '"Touches"="@100,200"\r\n', 3000)
    check("held touch not delivered", header + "00" * 10, lines["GetRawTouch"][0]["out"])
    set_release(1)
    code, lines, log = run_probe("probe-released", None, 3000)
    check("released touch delivered on the first poll",
          ("1", header + "0000" + "0100" + "6400" + "c800" + "0000"),
          (lines["GetRawTouch"][0]["polls"], lines["GetRawTouch"][0]["out"]))
    return check.failures


PROBE_CHECKS = [probe_defaults, probe_configured, probe_failing_polls, probe_held]


# ---- results ------------------------------------------------------------------

def write_not_applicable(cell, name, reason):
    """A result file all the same, so that a stale one from an earlier run
    cannot pass for this run's."""
    (RESULTS / cell).mkdir(parents=True, exist_ok=True)
    (RESULTS / cell / (name + ".json")).write_text(json.dumps(
        {"scenario": name, "cell": cell, "side": "wine", "not_applicable": reason},
        indent=2) + "\n", encoding="utf-8")


def describe(failures):
    """Failures as the report shows them, one check per paragraph."""
    return "\n".join("%s:\n  expected %s\n  actual   %s" % (
        failure["check"], json.dumps(failure["expected"], ensure_ascii=False),
        json.dumps(failure["actual"], ensure_ascii=False)) for failure in failures)
