"""The cells of the Wine matrix: which image runs as which Windows, and how a
scenario, written for Windows NT, reads on each of them.

A cell is an image (x86-64 or i686) and the Windows version Wine is told to
be (HKCU\\Software\\Wine, Version). The scenarios describe a machine as
Windows NT keeps it: screen keys TouchScreen<n>\\Parameters, translation
ranges in the 0..0x7FFF space. On Windows 95/98 and Win32s the same machine
keeps its screens under TouchScreen<n> and its ranges in that platform's
space (0..0xFFFF; Win32s's full scale is 1), so for_cell() moves the
registry, the keys named in the scenario and the expected bytes and values
there. The emulated desktop then plays the moved scenario with GetVersion
answering exactly what Wine answers in the cell.
"""

import copy
import re

NT_FULL_SCALE = 0x8000

# GetVersion as a 32-bit program sees it under Wine 8.0 with each Version
# setting (measured with `wintool.exe version`).
CELLS = {
    "x86_64": {"arch": "x86_64", "windows": None, "platform": "nt", "version": None,
               "full_scale": 0x8000, "title": "x86-64"},
    "i686-nt40": {"arch": "i686", "windows": "nt40", "platform": "nt", "version": 0x05650004,
                  "full_scale": 0x8000, "title": "NT 4.0"},
    "i686-win95": {"arch": "i686", "windows": "win95", "platform": "9x", "version": 0xC0000004,
                   "full_scale": 0x10000, "title": "Win95"},
    "i686-win98": {"arch": "i686", "windows": "win98", "platform": "9x", "version": 0xC0000A04,
                   "full_scale": 0x10000, "title": "Win98"},
    "i686-win31": {"arch": "i686", "windows": "win31", "platform": "win32s", "version": 0x80000A03,
                   "full_scale": 1, "title": "Win32s"},
}
WINDOWS_OF_ARCH = {"x86_64": [None], "i686": ["nt40", "win95", "win98", "win31"]}

PLATFORM_NAMES = {"nt": "Windows NT", "9x": "Windows 95/98", "win32s": "Win32s"}


class NotApplicable(Exception):
    """The scenario cannot be played in this cell; the reason says why."""


def cell_name(arch, windows):
    return arch if windows is None else "%s-%s" % (arch, windows)


def version_of(value):
    """A scenario's windows_version, a number or a hex string."""
    return value if isinstance(value, int) else int(str(value), 16)


def scenario_platform(scenario):
    """The platform a scenario asks for, from its windows_version when it
    gives one (as the program's own platform detection reads it)."""
    if "windows_version" in scenario:
        version = version_of(scenario["windows_version"])
        if not version & 0x80000000:
            return "nt"
        return "win32s" if version & 0xFF == 3 else "9x"
    return scenario.get("platform", "nt")


# ---- ranges ----------------------------------------------------------------------

def scale_range_value(name, value, full_scale):
    """An NT translation-range value in another platform's space: a low
    edge scales as a point, a high edge as the last point before the next
    cell, so that 0..0x7FFF covers the whole desktop in every space. None
    when the platform's space has no such value (Win32s's full scale of 1
    knows only the whole desktop)."""
    if name in ("XlateZLow", "XlateZHigh") or full_scale == NT_FULL_SCALE:
        return value
    if name.endswith("Low"):
        scaled, rest = divmod(value * full_scale, NT_FULL_SCALE)
    else:
        scaled, rest = divmod((value + 1) * full_scale, NT_FULL_SCALE)
        scaled -= 1
    if rest or scaled < 0:
        return None
    return scaled


RANGE_NAMES = ("XlateXLow", "XlateXHigh", "XlateYLow", "XlateYHigh", "XlateZLow", "XlateZHigh")
# Word offsets of the ranges in the SetCalibration record (high before low).
CALIBRATION_RANGE_OFFSETS = {"XlateXHigh": 22, "XlateXLow": 24, "XlateYHigh": 26,
                             "XlateYLow": 28}


def scaled_or_refuse(name, value, cell):
    scaled = scale_range_value(name, value, cell["full_scale"])
    if scaled is None:
        raise NotApplicable("%s = 0x%X has no equivalent in %s's full scale of %d" % (
            name, value, PLATFORM_NAMES[cell["platform"]], cell["full_scale"]))
    return scaled


# ---- keys --------------------------------------------------------------------------

SCREEN_KEY = re.compile(r"(TouchScreen\d+)\\Parameters(?=\\|\]|$|\")", re.IGNORECASE)


def screen_key_for_cell(path, cell):
    """TouchScreen<n>\\Parameters on Windows NT, TouchScreen<n> elsewhere."""
    if cell["platform"] == "nt":
        return path
    return SCREEN_KEY.sub(r"\1", path)


REG_VALUE = re.compile(r'^"(Xlate[XYZ](?:Low|High))"=dword:([0-9a-fA-F]{1,8})\s*$')


def reg_for_cell(text, cell):
    """A REGEDIT4 text with its screen keys and ranges moved to the cell's
    platform."""
    lines = []
    for line in text.replace("\r\n", "\n").split("\n"):
        if line.startswith("["):
            line = screen_key_for_cell(line, cell)
        match = REG_VALUE.match(line)
        if match:
            name, value = match.group(1), int(match.group(2), 16)
            line = '"%s"=dword:%08x' % (name, scaled_or_refuse(name, value, cell))
        lines.append(line)
    return "\r\n".join(lines)


def calibration_bytes_for_cell(hex_text, cell, fixed=0):
    """A SetCalibration record with its translation ranges moved, but for
    its first `fixed` bytes: those the driver's reply lays over it, which
    are the driver's whatever the platform."""
    data = bytearray.fromhex(hex_text)
    for name, offset in CALIBRATION_RANGE_OFFSETS.items():
        if offset >= fixed and offset + 2 <= len(data):
            value = int.from_bytes(data[offset:offset + 2], "little")
            data[offset:offset + 2] = scaled_or_refuse(name, value, cell).to_bytes(2, "little")
    return data.hex()


def expect_for_cell(expect, cell, replied=0):
    """replied: how many bytes of the SetCalibration reply the scenario's
    driver lays over the record; the program stores the reply, so where it
    covers the ranges the stored ranges are the driver's too."""
    expect = copy.deepcopy(expect)
    if "requests" in expect:
        for request in expect["requests"]:
            if request[0] == "SetCalibration":
                request[1] = calibration_bytes_for_cell(request[1], cell)
                request[2] = calibration_bytes_for_cell(request[2], cell, replied)
    if "registry" in expect:
        scale = replied < max(CALIBRATION_RANGE_OFFSETS.values()) + 2
        moved = {}
        for key, values in expect["registry"].items():
            if values is not None and scale:
                values = {name: scaled_or_refuse(name, value, cell)
                          if name in RANGE_NAMES and isinstance(value, int) else value
                          for name, value in values.items()}
            moved[screen_key_for_cell(key, cell)] = values
        expect["registry"] = moved
    if "registry_writes" in expect:
        expect["registry_writes"] = [[screen_key_for_cell(key, cell), name]
                                     for key, name in expect["registry_writes"]]
    return expect


# ---- the scenario --------------------------------------------------------------

def check_cell_applies(scenario, cell):
    """A scenario that names its platform or version runs only where that
    is what the program finds; one that names neither describes the machine
    and runs everywhere."""
    if scenario.get("read_only_keys") and cell["platform"] != "nt":
        # Windows 95/98 keep no security on registry keys, and Wine as
        # Windows 95 opens every key with MAXIMUM_ALLOWED whatever access is
        # asked for: the program's KEY_ALL_ACCESS open goes through there.
        raise NotApplicable("%s has no key security: no key can be made read-only" %
                            PLATFORM_NAMES[cell["platform"]])
    if "platform" not in scenario and "windows_version" not in scenario:
        return
    wanted = scenario_platform(scenario)
    if "windows_version" in scenario:
        version = version_of(scenario["windows_version"])
        if cell["version"] != version:
            raise NotApplicable("the scenario's GetVersion is 0x%08X; this cell's is %s" % (
                version, "Wine's own" if cell["version"] is None else "0x%08X" % cell["version"]))
    elif wanted != cell["platform"]:
        raise NotApplicable("a %s scenario; this cell runs as %s" % (
            PLATFORM_NAMES.get(wanted, wanted), PLATFORM_NAMES[cell["platform"]]))


def for_cell(scenario, cell_id, read_file):
    """The scenario as this cell plays it, with the registry inline
    (registry_text). read_file(name) gives a registry file the scenario
    names, as text. Raises NotApplicable."""
    cell = CELLS[cell_id]
    check_cell_applies(scenario, cell)
    moved = copy.deepcopy(scenario)
    if cell["version"] is not None:
        moved["platform"] = cell["platform"]
        moved["windows_version"] = "0x%08X" % cell["version"]
    texts = []
    if "registry" in moved:
        texts.append(read_file(moved.pop("registry")))
    if "registry_text" in moved:
        texts.append(moved.pop("registry_text"))
    if texts:
        bodies = [text.replace("\r\n", "\n").split("\n", 1) for text in texts]
        joined = bodies[0][0] + "\n" + "\n".join(b[1] if len(b) > 1 else "" for b in bodies)
        moved["registry_text"] = reg_for_cell(joined, cell)
    moved["read_only_keys"] = [screen_key_for_cell(key, cell)
                               for key in moved.get("read_only_keys", [])]
    if not moved["read_only_keys"]:
        del moved["read_only_keys"]
    replied = len(moved.get("driver", {}).get("replies", {}).get("SetCalibration", []))
    moved["expect"] = expect_for_cell(moved.get("expect", {}), cell, replied)
    return moved
