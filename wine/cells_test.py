"""cells.py: how a scenario written for Windows NT reads in each cell.
Needs neither Wine nor a build; run-tests.sh runs it with pytest."""

import pytest

import cells
from cells import NotApplicable

SCREEN0 = r"HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Services\Dravix\TouchScreen0"
REG = "\r\n".join([
    "REGEDIT4", "",
    r"[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Services\Dravix]",
    '"NumberOfScreens"=dword:00000001', "",
    "[" + SCREEN0 + r"\Parameters]",
    '"XlateXLow"=dword:00000000', '"XlateXHigh"=dword:00007fff',
    '"XlateYLow"=dword:00000000', '"XlateYHigh"=dword:00007fff',
    '"XlateZLow"=dword:00000001', '"XlateZHigh"=dword:000000ff', ""])
CALIBRATION = "04000400000000007800780f4300ad0f0100ff000000ff7f0000ff7f0000ff000100"


def scenario(**extra):
    base = {"registry": "one.reg", "args": "",
            "expect": {"requests": [["SetCalibration", CALIBRATION, CALIBRATION]],
                       "registry": {SCREEN0 + r"\Parameters": {"XLow": 120, "XlateXHigh": 32767,
                                                              "XlateZHigh": 255}},
                       "registry_writes": [[SCREEN0 + r"\Parameters", "XLow"]]}}
    base.update(extra)
    return base


def moved(cell, **extra):
    return cells.for_cell(scenario(**extra), cell, lambda name: REG)


def test_nt_cells_keep_the_machine_as_written():
    for cell in ("x86_64", "i686-nt40"):
        result = moved(cell)
        assert result["expect"] == scenario()["expect"]
        assert r"TouchScreen0\Parameters]" in result["registry_text"]
        assert '"XlateXHigh"=dword:00007fff' in result["registry_text"]
    assert "windows_version" not in moved("x86_64")
    assert moved("i686-nt40")["windows_version"] == "0x05650004"


def test_windows_95_takes_the_short_key_and_the_0x10000_space():
    result = moved("i686-win95")
    assert result["platform"] == "9x" and result["windows_version"] == "0xC0000004"
    assert "Parameters" not in result["registry_text"]
    assert '"XlateXHigh"=dword:0000ffff' in result["registry_text"]
    assert '"XlateXLow"=dword:00000000' in result["registry_text"]
    assert '"XlateZHigh"=dword:000000ff' in result["registry_text"]
    expect = result["expect"]
    assert expect["registry"] == {SCREEN0: {"XLow": 120, "XlateXHigh": 0xFFFF, "XlateZHigh": 255}}
    assert expect["registry_writes"] == [[SCREEN0, "XLow"]]
    # XlateXHigh and XlateYHigh are words 22 and 26 of the record.
    sent = bytes.fromhex(expect["requests"][0][1])
    assert sent[22:24] == b"\xff\xff" and sent[26:28] == b"\xff\xff"
    assert sent[:22] == bytes.fromhex(CALIBRATION)[:22]
    assert sent[30:] == bytes.fromhex(CALIBRATION)[30:]


def test_win32s_has_a_full_scale_of_one():
    result = moved("i686-win31")
    assert result["platform"] == "win32s" and result["windows_version"] == "0x80000A03"
    assert '"XlateXHigh"=dword:00000000' in result["registry_text"]
    sent = bytes.fromhex(result["expect"]["requests"][0][1])
    assert sent[22:30] == bytes(8)
    assert result["expect"]["registry"][SCREEN0]["XlateXHigh"] == 0


@pytest.mark.parametrize("name, value, full_scale, scaled", [
    ("XlateXLow", 0x4000, 0x10000, 0x8000),
    ("XlateXHigh", 0x3FFF, 0x10000, 0x7FFF),
    ("XlateXHigh", 0, 0x10000, 1),
    ("XlateXLow", 0x4000, 1, None),
    ("XlateXHigh", 0x3FFF, 1, None),
    ("XlateZLow", 1, 1, 1),
])
def test_range_values_scale_by_their_edge(name, value, full_scale, scaled):
    assert cells.scale_range_value(name, value, full_scale) == scaled


def test_half_a_desktop_is_not_applicable_on_win32s():
    half = REG.replace('"XlateXHigh"=dword:00007fff', '"XlateXHigh"=dword:00003fff')
    with pytest.raises(NotApplicable, match="XlateXHigh = 0x3FFF.*full scale of 1"):
        cells.for_cell(scenario(), "i686-win31", lambda name: half)


def test_a_reply_laid_over_the_record_is_the_drivers_on_every_platform():
    reply = list(bytes.fromhex(CALIBRATION))
    result = moved("i686-win95", driver={"replies": {"SetCalibration": reply}})
    request = result["expect"]["requests"][0]
    assert request[2] == CALIBRATION and request[1] != CALIBRATION
    assert result["expect"]["registry"][SCREEN0]["XlateXHigh"] == 32767


@pytest.mark.parametrize("extra, applies", [
    ({"platform": "9x"}, {"i686-win95", "i686-win98"}),
    ({"platform": "win32s"}, {"i686-win31"}),
    ({"windows_version": "0xC0000A04"}, {"i686-win98"}),
    ({"windows_version": 0x04213303}, set()),
    ({"platform": "nt"}, {"x86_64", "i686-nt40"}),
    ({}, set(cells.CELLS)),
])
def test_a_scenario_that_names_its_platform_runs_only_there(extra, applies):
    ran = set()
    for cell in cells.CELLS:
        try:
            cells.check_cell_applies(dict(extra), cells.CELLS[cell])
            ran.add(cell)
        except NotApplicable:
            pass
    assert ran == applies


def test_read_only_keys_move_with_the_key_form_and_need_key_security():
    keys = [SCREEN0 + r"\Parameters"]
    assert moved("i686-nt40", read_only_keys=keys)["read_only_keys"] == keys
    with pytest.raises(NotApplicable, match="Windows 95/98 has no key security"):
        moved("i686-win98", read_only_keys=keys)
    assert cells.screen_key_for_cell(keys[0], cells.CELLS["i686-win95"]) == SCREEN0
