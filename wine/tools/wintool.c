/*
 * What a test needs to see inside the Wine session, in one short-lived
 * process each time (every Wine process start costs a few tenths of a
 * second, which adds up over a scenario).
 *
 *   wintool.exe windows
 *     The visible top-level windows with their child controls, so that a
 *     test can read a dialog's texts and find its buttons without guessing
 *     pixel positions from dialog units and fonts:
 *       window <hwnd> pid=<pid> xid=<X window> class=<class> rect=<l>,<t>,<r>,<b>
 *              style=<hex> exstyle=<hex> text=<text>
 *       child <hwnd> id=<id> class=<class> rect=<l>,<t>,<r>,<b> style=<hex> exstyle=<hex>
 *              text=<text>
 *     (one line each). Rectangles are in screen coordinates, which under
 *     Wine's X11 driver without a virtual desktop are the X screen's.
 *
 *   wintool.exe registry <HKLM sub-key> ...
 *     Each key and everything below it, as the live registry holds it (the
 *     server writes system.reg only when it exits, and the tests keep it
 *     running):
 *       key <path below HKLM>
 *       value <type> <hex data> <name>
 *
 *   wintool.exe readonly <HKLM sub-key> ...
 *   wintool.exe writable <HKLM sub-key> ...
 *     readonly gives each key and every key below it a DACL that grants
 *     KEY_READ to everyone and nothing more, so that opening it for any
 *     right beyond reading fails with ERROR_ACCESS_DENIED, as for a user
 *     whom the key's ACL allows to read only. A key that does not exist is
 *     created first. writable gives them back the DACL every key of Wine's
 *     registry has (taken from HKLM\SYSTEM, which no test changes). The
 *     owner keeps READ_CONTROL and WRITE_DAC whatever the DACL says, which
 *     is what lets writable undo readonly. Wine keeps security descriptors
 *     of keys in the server only: a new server starts with the defaults.
 *
 * Output is UTF-8; texts and names are read as Unicode so the program's ANSI
 * code page does not matter here; a line break inside them is written as
 * \n, a carriage return as \r and a backslash as \\.
 */
#include <windows.h>

#include <stdio.h>
#include <string.h>

static void PrintUtf8(const WCHAR* text) {
    char utf8[8192];
    WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, sizeof utf8, NULL, NULL);
    utf8[sizeof utf8 - 1] = 0;
    for (const char* p = utf8; *p != 0; ++p) {
        if (*p == '\\') {
            fputs("\\\\", stdout);
        } else if (*p == '\n') {
            fputs("\\n", stdout);
        } else if (*p == '\r') {
            fputs("\\r", stdout);
        } else {
            putchar(*p);
        }
    }
}

/* ---- windows ------------------------------------------------------------ */

static void PrintText(HWND window) {
    WCHAR text[1024];
    DWORD_PTR result = 0;
    /* WM_GETTEXT crosses processes; the timeout keeps a program that is busy
       (drawing a target, say) from hanging the listing. */
    if (!SendMessageTimeoutW(window, WM_GETTEXT, sizeof text / sizeof text[0], (LPARAM)text,
                             SMTO_ABORTIFHUNG, 2000, &result)) {
        text[0] = 0;
    }
    text[sizeof text / sizeof text[0] - 1] = 0;
    PrintUtf8(text);
}

static void PrintCommon(HWND window) {
    char className[256];
    RECT rect;
    GetClassNameA(window, className, sizeof className);
    GetWindowRect(window, &rect);
    printf("class=%s rect=%ld,%ld,%ld,%ld style=%08lx exstyle=%08lx text=", className,
           (long)rect.left, (long)rect.top, (long)rect.right, (long)rect.bottom,
           (unsigned long)GetWindowLongW(window, GWL_STYLE),
           (unsigned long)GetWindowLongW(window, GWL_EXSTYLE));
    PrintText(window);
    putchar('\n');
}

static BOOL CALLBACK ListChild(HWND child, LPARAM parent) {
    /* EnumChildWindows walks grandchildren too; keep direct children. */
    if (GetParent(child) != (HWND)parent) {
        return TRUE;
    }
    printf("child %p id=%d ", (void*)child, (int)GetDlgCtrlID(child));
    PrintCommon(child);
    return TRUE;
}

static BOOL CALLBACK ListTop(HWND window, LPARAM self) {
    DWORD pid = 0;
    if (!IsWindowVisible(window)) {
        return TRUE;
    }
    GetWindowThreadProcessId(window, &pid);
    if (pid == (DWORD)self) {
        return TRUE;
    }
    /* Wine's X11 driver keeps the X window of each top-level window in this
       property; a test needs it to give that window the keyboard focus. */
    printf("window %p pid=%lu xid=%lu ", (void*)window, (unsigned long)pid,
           (unsigned long)(ULONG_PTR)GetPropA(window, "__wine_x11_whole_window"));
    PrintCommon(window);
    EnumChildWindows(window, ListChild, (LPARAM)window);
    return TRUE;
}

/* ---- registry ----------------------------------------------------------- */

static void DumpKey(HKEY parent, const WCHAR* path) {
    HKEY key;
    WCHAR name[16384];
    static BYTE data[65536];
    if (RegOpenKeyExW(parent, path, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return;
    }
    fputs("key ", stdout);
    PrintUtf8(path);
    putchar('\n');
    for (DWORD index = 0;; ++index) {
        DWORD nameLength = sizeof name / sizeof name[0];
        DWORD size = sizeof data;
        DWORD type = 0;
        if (RegEnumValueW(key, index, name, &nameLength, NULL, &type, data, &size) !=
            ERROR_SUCCESS) {
            break;
        }
        printf("value %lu ", (unsigned long)type);
        for (DWORD i = 0; i < size; ++i) {
            printf("%02x", data[i]);
        }
        if (size == 0) {
            putchar('-');
        }
        putchar(' ');
        PrintUtf8(name);
        putchar('\n');
    }
    for (DWORD index = 0;; ++index) {
        WCHAR sub[16384];
        DWORD length = sizeof name / sizeof name[0];
        if (RegEnumKeyExW(key, index, name, &length, NULL, NULL, NULL, NULL) != ERROR_SUCCESS) {
            break;
        }
        if (wcslen(path) + 1 + length + 1 > sizeof sub / sizeof sub[0]) {
            continue;
        }
        wcscpy(sub, path);
        wcscat(sub, L"\\");
        wcscat(sub, name);
        DumpKey(parent, sub);
    }
    RegCloseKey(key);
}

/* ---- access --------------------------------------------------------------- */

static int SetDaclBelow(HKEY parent, const WCHAR* path, PSECURITY_DESCRIPTOR sd) {
    HKEY key;
    WCHAR name[256];
    int failures = 0;
    /* KEY_ENUMERATE_SUB_KEYS is part of KEY_READ, so a key already made
       read-only can still be walked; WRITE_DAC is the owner's anyway. */
    LONG status = RegOpenKeyExW(parent, path, 0, WRITE_DAC | KEY_ENUMERATE_SUB_KEYS, &key);
    if (status != ERROR_SUCCESS) {
        fprintf(stderr, "cannot open %ls for WRITE_DAC: %ld\n", path, (long)status);
        return 1;
    }
    status = RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, sd);
    if (status != ERROR_SUCCESS) {
        fprintf(stderr, "cannot set the DACL of %ls: %ld\n", path, (long)status);
        ++failures;
    }
    for (DWORD index = 0;; ++index) {
        DWORD length = sizeof name / sizeof name[0];
        if (RegEnumKeyExW(key, index, name, &length, NULL, NULL, NULL, NULL) != ERROR_SUCCESS) {
            break;
        }
        failures += SetDaclBelow(key, name, sd);
    }
    RegCloseKey(key);
    return failures;
}

static PSECURITY_DESCRIPTOR ReadOnlyDescriptor(void) {
    /* One ACE: KEY_READ for Everyone; protected, so nothing is inherited. */
    static union {
        SECURITY_DESCRIPTOR sd;
        BYTE bytes[SECURITY_DESCRIPTOR_MIN_LENGTH];
    } descriptor;
    static BYTE aclBytes[256];
    static SID_IDENTIFIER_AUTHORITY world = {SECURITY_WORLD_SID_AUTHORITY};
    PSID everyone = NULL;
    PACL acl = (PACL)aclBytes;
    if (!AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone) ||
        !InitializeAcl(acl, sizeof aclBytes, ACL_REVISION) ||
        !AddAccessAllowedAce(acl, ACL_REVISION, KEY_READ, everyone) ||
        !InitializeSecurityDescriptor(&descriptor.sd, SECURITY_DESCRIPTOR_REVISION) ||
        !SetSecurityDescriptorDacl(&descriptor.sd, TRUE, acl, FALSE) ||
        !SetSecurityDescriptorControl(&descriptor.sd, SE_DACL_PROTECTED, SE_DACL_PROTECTED)) {
        return NULL;
    }
    return &descriptor.sd;
}

static PSECURITY_DESCRIPTOR DefaultDescriptor(void) {
    static BYTE bytes[4096];
    HKEY key;
    DWORD size = sizeof bytes;
    LONG status = RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SYSTEM", 0, READ_CONTROL, &key);
    if (status != ERROR_SUCCESS) {
        return NULL;
    }
    status = RegGetKeySecurity(key, DACL_SECURITY_INFORMATION, bytes, &size);
    RegCloseKey(key);
    return status == ERROR_SUCCESS ? (PSECURITY_DESCRIPTOR)bytes : NULL;
}

static int SetAccess(int count, WCHAR** paths, BOOL readOnly) {
    PSECURITY_DESCRIPTOR sd = readOnly ? ReadOnlyDescriptor() : DefaultDescriptor();
    int failures = 0;
    if (sd == NULL) {
        fputs("cannot build the security descriptor\n", stderr);
        return 1;
    }
    for (int i = 0; i < count; ++i) {
        HKEY key;
        /* Marking a key read-only that is not there yet creates it, as the
           emulated desktop's registry does. */
        if (readOnly && RegCreateKeyExW(HKEY_LOCAL_MACHINE, paths[i], 0, NULL, 0, KEY_READ, NULL,
                                        &key, NULL) == ERROR_SUCCESS) {
            RegCloseKey(key);
        }
        failures += SetDaclBelow(HKEY_LOCAL_MACHINE, paths[i], sd);
    }
    return failures;
}

int main(void) {
    int argc = 0;
    WCHAR** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    int status = 0;
    if (argc >= 2 && wcscmp(argv[1], L"windows") == 0) {
        EnumWindows(ListTop, (LPARAM)GetCurrentProcessId());
    } else if (argc >= 2 && wcscmp(argv[1], L"registry") == 0) {
        for (int i = 2; i < argc; ++i) {
            DumpKey(HKEY_LOCAL_MACHINE, argv[i]);
        }
    } else if (argc >= 2 && wcscmp(argv[1], L"readonly") == 0) {
        status = SetAccess(argc - 2, argv + 2, TRUE) == 0 ? 0 : 1;
    } else if (argc >= 2 && wcscmp(argv[1], L"writable") == 0) {
        status = SetAccess(argc - 2, argv + 2, FALSE) == 0 ? 0 : 1;
    } else if (argc >= 2 && wcscmp(argv[1], L"version") == 0) {
        // The value the program's platform detection starts from, as this
        // prefix's Windows version makes Wine report it.
        printf("%08lX\n", (unsigned long)GetVersion());
    } else {
        fputs("usage: wintool windows | version\n"
              "       wintool registry|readonly|writable <HKLM sub-key> ...\n",
              stderr);
        return 2;
    }
    fflush(stdout);
    return status;
}
