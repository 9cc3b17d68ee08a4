"""The hand-written parsers of harness.py against text as Wine, the driver
and wintool write it. Needs neither Wine nor a build."""

import harness


def test_driver_log_gives_the_callers_view_of_each_request():
    log = "\n".join([
        "open",
        "req 9C402428 00000000 0 0 04000400 05000000 0",
        "req 9C402410 00000000 356 0 0400 0400010058023002 2474",
        "req 9C40240C C0000001 4711 4711 04000400 - 2500",
        "req 9C402408 00000000 0 0 04000400 - 2501",
        "close 0 0 2600",
    ])
    requests, closed = harness.parse_driver_log(log)
    assert closed
    assert [r["name"] for r in requests] == ["GetDriverInfo", "GetRawTouch",
                                             "EnablePointQueueing", "DisablePointQueueing"]
    assert requests[0]["out"] == "05000000" and requests[0]["ok"]
    assert requests[1]["polls"] == 357 and "quiet_polls" not in requests[1]
    # A failed request and one that wrote nothing leave the request's bytes.
    assert requests[2]["out"] == "04000400" and not requests[2]["ok"]
    assert requests[2]["quiet_polls"] == 4711 and requests[2]["failed_polls"] == 4711
    assert requests[3]["out"] == "04000400" and requests[3]["ok"]


TRACE = "\n".join([
    # Wine's start-up writes outside the services key: not the program's.
    r'0648:trace:reg:NtCreateKey ((nil),L"\\Registry\\Machine\\Software\\Wine",<null>,0,f003f,0xffbaae64)',
    "0648:trace:reg:NtCreateKey <- 0x30",
    r'0648:trace:reg:NtSetValueKey (0x30,L"StandardName",1,0x60f814,48)',
    r'0648:trace:reg:NtOpenKeyEx ((nil),L"\\Registry\\Machine",2000000,0xffbaaadc)',
    "0648:trace:reg:NtOpenKeyEx <- 0x1c",
    # A handle opened relative to another, on another thread in between.
    r'0648:trace:reg:NtOpenKeyEx (0x1c,L"SYSTEM\\CurrentControlSet\\Services\\Dravix\\TouchScreen0",'
    r'2000000,0x60ee3c)',
    r'0650:trace:reg:NtOpenKeyEx (0x1c,L"Nothing",20019,0x60ee3c)',
    "0650:trace:reg:NtOpenKeyEx <- (nil)",
    "0648:trace:reg:NtOpenKeyEx <- 0x90",
    r'0648:trace:reg:NtSetValueKey (0x90,L"SwapXY",4,0x60ee54,4)',
    r'0648:trace:reg:NtSetValueKey (0x90,L"XLow",3,0x60ee54,2)',
    r'0648:trace:reg:NtSetValueKey (0x77,L"Unknown handle",4,0x60ee54,4)',
    "0648:trace:win:WIN_CreateWindowEx \"\" L\"Calibrate\" ex=00000000 style=80000000 0,0 "
    "1024x768 parent=00000000 menu=00000000 inst=00400000 params=00000000",
    "0648:trace:win:WIN_CreateWindowEx \"\" L\"Other\" ex=00000000 style=80000000 0,0 "
    "10x10 parent=00000000 menu=00000000 inst=00400000 params=00000000",
    "0648:trace:win:NtUserCreateWindowEx hwnd 0x220062 cs 0,0 1024x768 (0,0)-(1024,768)",
    "0648:trace:win:NtUserCreateWindowEx hwnd 0x220064 cs 0,0 10x10 (0,0)-(10,10)",
])


def test_registry_writes_follow_handles_to_their_keys():
    writes = harness.registry_writes(TRACE)
    key = r"HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Services\Dravix\TouchScreen0"
    assert writes == [{"key": key, "name": "SwapXY", "type": 4, "size": 4},
                      {"key": key, "name": "XLow", "type": 3, "size": 2}]


def test_calibration_windows_pair_the_request_with_the_rectangle_it_got():
    assert harness.calibration_windows(TRACE) == [
        {"class": "Calibrate", "style": 0x80000000, "exstyle": 0, "rect": [0, 0, 1024, 768]}]


def test_window_listing_keeps_controls_with_their_dialog():
    listing = "\n".join([
        "window 0031006c pid=756 xid=10485761 class=#32770 rect=343,320,681,447 "
        "style=94c801c4 exstyle=00010101 text=Check \\\\ it",
        "child 001f005c id=1 class=Button rect=489,410,541,436 style=50030001 exstyle=00000004 "
        "text=&Yes",
        "child 0032005a id=-1 class=Static rect=402,350,666,402 style=50020080 exstyle=00000004 "
        "text=Line one\\nline two",
        "something else",
    ])
    (dialog,) = harness.parse_windows(listing)
    assert dialog["class"] == "#32770" and dialog["xid"] == 10485761
    assert dialog["rect"] == [343, 320, 681, 447] and dialog["text"] == "Check \\ it"
    assert [c["id"] for c in dialog["children"]] == [1, 0xFFFF]
    assert dialog["children"][1]["text"] == "Line one\nline two"
    assert harness.dialog_kind(dialog) == "MessageBox"


def test_registry_dump_leaves_out_the_drivers_test_key_and_the_service_values():
    dump = "\n".join([
        r"key SYSTEM\\CurrentControlSet\\Services\\Dravix",
        "value 4 01000000 ErrorControl",
        "value 4 02000000 NumberOfScreens",
        r"key SYSTEM\\CurrentControlSet\\Services\\Dravix\\Test",
        "value 4 05000000 Version",
        r"key SYSTEM\\CurrentControlSet\\Services\\Dravix\\TouchScreen0",
        "value 4 ffff0000 XlateXHigh",
        "value 4 0100 Short",
        "value 1 41000000 Text",
        "value 3 - Empty",
    ])
    state = harness.parse_registry(dump)
    service = r"HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Services\Dravix"
    assert state == {service: {"NumberOfScreens": 2},
                     service + r"\TouchScreen0": {"XlateXHigh": 0xFFFF, "Short": "hex(4):0100",
                                                  "Text": "A", "Empty": "hex(3):"}}
