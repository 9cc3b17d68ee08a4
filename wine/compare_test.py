#!/usr/bin/env python3
"""compare.py against a Wine result and an emulator trace made by hand:
each difference it has to see, and the known ones it has to let pass.

    python3 wine/compare_test.py

run-tests.sh runs it before the scenarios; it needs neither Wine nor a build.
"""

import copy
import unittest

import compare

HEADER = "0400040000000000"
CALIBTEST_ITEMS = {"1": "Yes", "2": "No", "1009": "Touch different areas on the screen."}


def wine_result():
    """One screen, Esc after failed polls, then (as if) a CalibTest dialog
    and a message box: a bit of everything compare.py looks at."""
    return {
        "exit_code": 0,
        "requests": [
            {"name": "BeginTouchWait", "in": HEADER, "out": HEADER, "ok": True},
            {"name": "EnablePointQueueing", "in": HEADER, "out": HEADER, "ok": True,
             "quiet_polls": 4711, "failed_polls": 4711},
        ],
        "registry_writes": [{"key": "HKEY_LOCAL_MACHINE\\SYSTEM\\X", "name": "XLow", "type": 4,
                             "value": 120}],
        # As the program created it (Wine's "win" trace channel).
        "windows": [{"class": "Calibrate", "rect": [0, 0, 1024, 768], "style": 0x80000000,
                     "exstyle": 0}],
        # As Wine lists them: shown, with the bits its managers add.
        "dialogs": [
            {"kind": "CalibTest", "caption": "Check Calibration", "rect": [369, 314, 654, 454],
             "style": 0x94C800C4, "exstyle": 0x10101,
             "items": dict(CALIBTEST_ITEMS, **{"65535": ""})},
            {"kind": "MessageBox", "caption": "", "text": "Calibrate I/O control failed.",
             "buttons": ["OK"], "rect": [403, 330, 620, 437], "style": 0x94C801C4,
             "exstyle": 0x10101},
        ],
    }


def emulator_trace():
    return [
        {"ev": "ioctl", "name": "BeginTouchWait", "in": HEADER, "out": HEADER, "ok": True},
        {"ev": "window", "op": "create", "class": "Calibrate", "x": 0, "y": 0, "w": 1024,
         "h": 768, "style": 0x80000000, "exstyle": 0},
        {"ev": "ioctl", "name": "EnablePointQueueing", "in": HEADER, "out": HEADER, "ok": True,
         "quiet_polls": 201, "failed_polls": 201},
        {"ev": "regset", "key": "HKEY_LOCAL_MACHINE\\SYSTEM\\X", "name": "XLow", "type": 4,
         "data": 120, "status": 0},
        {"ev": "dialog", "template": "CalibTest", "caption": "Check Calibration",
         "items": CALIBTEST_ITEMS, "x": 369, "y": 314, "w": 285, "h": 140,
         "style": 0x90C800C0, "exstyle": 1},
        {"ev": "messagebox", "text": "Calibrate I/O control failed.", "caption": "", "type": 0x30},
        {"ev": "window", "op": "destroy", "class": "Calibrate", "x": 0, "y": 0, "w": 1024,
         "h": 768, "style": 0x80000000, "exstyle": 0},
        {"ev": "exit", "code": 0},
    ]


def found(result, trace):
    return [aspect for aspect, _, _ in compare.differences(compare.from_wine(result),
                                                          compare.from_emulator(trace))]


class CompareTest(unittest.TestCase):
    def test_the_same_run_agrees_across_the_known_differences(self):
        # Poll counts, state bits, the bits Wine's managers add and the
        # message box's layout all differ here.
        self.assertEqual(found(wine_result(), emulator_trace()), [])

    def test_polls_that_failed_on_one_side_only(self):
        result = wine_result()
        del result["requests"][1]["failed_polls"]
        self.assertEqual(found(result, emulator_trace()), ["requests #2"])

    def test_each_failed_poll_traced_as_a_request_of_its_own(self):
        trace = emulator_trace()
        trace[2:2] = [{"ev": "ioctl", "name": "GetRawTouch", "in": HEADER, "out": HEADER,
                       "ok": False}] * 3
        self.assertEqual(found(wine_result(), trace), ["requests (count)"])

    def test_calibration_window_geometry_and_style(self):
        for field, value in (("rect", [0, 0, 1024, 767]), ("rect", [1, 0, 1024, 768]),
                             ("style", 0x80000000 | 0x00C00000),
                             ("style", 0x80000000 | 0x04000000), ("exstyle", 0x8)):
            result = wine_result()
            result["windows"][0][field] = value
            self.assertEqual(found(result, emulator_trace()), ["calibration windows #1"], field)

    def test_a_calibration_window_seen_on_one_side_only(self):
        result = wine_result()
        result["windows"].append(copy.deepcopy(result["windows"][0]))
        self.assertEqual(found(result, emulator_trace()), ["calibration windows (count)"])

    def test_dialog_position_size_and_template_style(self):
        for field, value, aspect in (
                ("rect", [370, 314, 655, 454], "rect"), ("rect", [369, 314, 654, 455], "rect"),
                ("style", 0x94C800C4 & ~0x80, "styles"), ("style", 0x94C800C4 | 0x20, "styles"),
                ("exstyle", 0x10100, "styles")):
            result = wine_result()
            result["dialogs"][0][field] = value
            self.assertEqual(found(result, emulator_trace()),
                             ["dialog 1 (CalibTest) " + aspect], (field, value))

    def test_dialog_texts_and_message_box_buttons(self):
        result = wine_result()
        result["dialogs"][0]["items"]["1009"] = "Touch the screen."
        result["dialogs"][1]["buttons"] = ["OK", "Cancel"]
        self.assertEqual(found(result, emulator_trace()),
                         ["dialog 1 (CalibTest) item 1009", "dialog 2 (MessageBox) buttons"])

    def test_exit_code_and_registry_value(self):
        result = wine_result()
        result["exit_code"] = 1
        result["registry_writes"][0]["value"] = 121
        self.assertEqual(found(result, emulator_trace()), ["exit code", "registry writes #1"])


if __name__ == "__main__":
    unittest.main()
