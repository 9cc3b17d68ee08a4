/*
 * A stand-in for the touchscreen controller's kernel driver, for running the
 * real program under Wine. It answers the seven control codes the way the
 * emulated desktop's driver does, so that the two request logs can be
 * compared byte for byte.
 *
 * Configuration: HKLM\SYSTEM\CurrentControlSet\Services\Dravix\Test, read
 * afresh at every open of the device, so one loaded driver serves every
 * scenario. The program's own values live in the same service key; the
 * sub-key keeps the two apart.
 *
 *   Version  REG_DWORD  word 0 of the GetDriverInfo reply (default 4)
 *   Touches  REG_SZ     raw touches in order: "[@]x,y[,polls[,flag]] ..."
 *                       polls: no-touch answers before this touch (default 0)
 *                       flag:  the TouchFlag word (default 1)
 *                       @:     held until the value Release reaches the
 *                              touch's 1-based place in the list
 *   Release  REG_DWORD  read on every poll while a held touch is next
 *   Fail     REG_SZ     request names that fail (STATUS_UNSUCCESSFUL, and
 *                       nothing is written back)
 *   NoReply  REG_SZ     request names that succeed but write nothing back
 *   Reply<Name> REG_BINARY  bytes laid over that request's reply from
 *                       offset 0 (e.g. ReplySetCalibration)
 *   LogFile  REG_SZ     NT path of the request log (default
 *                       \??\C:\dravix-log.txt), rewritten at every open
 *
 * Log lines (ASCII, one per event):
 *   open
 *   req <code> <status> <quiet> <failed> <in-hex> <out-hex or -> <ms>
 *   close <quiet> <failed> <ms>
 * <quiet> counts the GetRawTouch polls since the previous line on which the
 * driver handed over no touch: it answered "no touch", failed, or wrote
 * nothing back. A wait can poll many thousands of times, and logging each
 * would swamp the file and slow the polling down. <failed> counts the
 * failed ones among them. <ms> is the time since the open, for telling a
 * slow program from a slow test.
 */
#include <ntddk.h>

#include "../../emulator/include/emu/driver_codes.h"

#define DRAVIX_TAG 0x78767244u /* 'Drvx' in a pool dump */
#define MAX_BUFFER 512
#define MAX_TOUCHES 64

static const struct {
    ULONG code;
    const WCHAR* name;
} CodeNames[] = {
    {CodeSetCalibration, L"SetCalibration"},
    {CodeDisablePointQueueing, L"DisablePointQueueing"},
    {CodeEnablePointQueueing, L"EnablePointQueueing"},
    {CodeGetRawTouch, L"GetRawTouch"},
    {CodeSetBeep, L"SetBeep"},
    {CodeGetDriverInfo, L"GetDriverInfo"},
    {CodeBeginTouchWait, L"BeginTouchWait"},
};
#define CODE_COUNT (sizeof CodeNames / sizeof CodeNames[0])

typedef struct {
    USHORT x, y, flag;
    ULONG pollsBefore;
    BOOLEAN held;
} Touch;

typedef struct {
    USHORT version;
    Touch touches[MAX_TOUCHES];
    ULONG touchCount;
    BOOLEAN failing[CODE_COUNT];
    BOOLEAN silent[CODE_COUNT];
    UCHAR override[CODE_COUNT][MAX_BUFFER];
    ULONG overrideLength[CODE_COUNT];
    WCHAR logPath[260];
} Config;

/* One open at a time is all the tests need; the state lives here. */
static Config config;
static ULONG nextTouch;
static ULONG pollsOfNextTouch;
static ULONG quietPolls;
static ULONG failedPolls;
static HANDLE logFile;
static HANDLE testKey;
static LARGE_INTEGER openedAt;
static UNICODE_STRING serviceKeyPath;
static PDEVICE_OBJECT device;

static UNICODE_STRING deviceName = RTL_CONSTANT_STRING(L"\\Device\\Dravix");
static UNICODE_STRING linkName = RTL_CONSTANT_STRING(L"\\DosDevices\\DRAVIX");

static int CodeIndex(ULONG code) {
    for (ULONG i = 0; i < CODE_COUNT; ++i) {
        if (CodeNames[i].code == code) {
            return (int)i;
        }
    }
    return -1;
}

/* ---- registry ---------------------------------------------------------- */

static HANDLE OpenTestKey(void) {
    WCHAR path[400];
    UNICODE_STRING name;
    OBJECT_ATTRIBUTES attributes;
    HANDLE key = NULL;
    static const WCHAR suffix[] = L"\\Test";
    ULONG length = serviceKeyPath.Length / sizeof(WCHAR);
    if (length + sizeof suffix / sizeof(WCHAR) > sizeof path / sizeof(WCHAR)) {
        return NULL;
    }
    RtlCopyMemory(path, serviceKeyPath.Buffer, serviceKeyPath.Length);
    RtlCopyMemory(path + length, suffix, sizeof suffix);
    RtlInitUnicodeString(&name, path);
    InitializeObjectAttributes(&attributes, &name, OBJ_CASE_INSENSITIVE | OBJ_KERNEL_HANDLE, NULL,
                               NULL);
    if (!NT_SUCCESS(ZwOpenKey(&key, KEY_READ, &attributes))) {
        return NULL;
    }
    return key;
}

/* The value's data, or NULL. The caller frees it with ExFreePoolWithTag. */
static PKEY_VALUE_PARTIAL_INFORMATION QueryValue(HANDLE key, const WCHAR* valueName) {
    UNICODE_STRING name;
    ULONG size = 0;
    PKEY_VALUE_PARTIAL_INFORMATION info;
    NTSTATUS status;
    if (key == NULL) {
        return NULL;
    }
    RtlInitUnicodeString(&name, valueName);
    status = ZwQueryValueKey(key, &name, KeyValuePartialInformation, NULL, 0, &size);
    if (status != STATUS_BUFFER_TOO_SMALL && status != STATUS_BUFFER_OVERFLOW) {
        return NULL;
    }
    info = ExAllocatePoolWithTag(NonPagedPool, size + sizeof(WCHAR), DRAVIX_TAG);
    if (info == NULL) {
        return NULL;
    }
    status = ZwQueryValueKey(key, &name, KeyValuePartialInformation, info, size, &size);
    if (!NT_SUCCESS(status)) {
        ExFreePoolWithTag(info, DRAVIX_TAG);
        return NULL;
    }
    /* REG_SZ data may come without its terminator. */
    ((UCHAR*)info)[size] = 0;
    ((UCHAR*)info)[size + 1] = 0;
    return info;
}

static BOOLEAN QueryDword(HANDLE key, const WCHAR* valueName, ULONG* value) {
    PKEY_VALUE_PARTIAL_INFORMATION info = QueryValue(key, valueName);
    BOOLEAN found = FALSE;
    if (info != NULL) {
        if (info->DataLength >= sizeof(ULONG)) {
            RtlCopyMemory(value, info->Data, sizeof(ULONG));
            found = TRUE;
        }
        ExFreePoolWithTag(info, DRAVIX_TAG);
    }
    return found;
}

/* Copies a REG_SZ value into text (terminated); FALSE when absent. */
static BOOLEAN QueryString(HANDLE key, const WCHAR* valueName, WCHAR* text, ULONG capacity) {
    PKEY_VALUE_PARTIAL_INFORMATION info = QueryValue(key, valueName);
    ULONG i = 0;
    if (info == NULL) {
        return FALSE;
    }
    if (info->Type == REG_SZ || info->Type == REG_EXPAND_SZ) {
        const WCHAR* data = (const WCHAR*)info->Data;
        ULONG chars = info->DataLength / sizeof(WCHAR);
        for (; i + 1 < capacity && i < chars && data[i] != 0; ++i) {
            text[i] = data[i];
        }
    }
    text[i] = 0;
    ExFreePoolWithTag(info, DRAVIX_TAG);
    return TRUE;
}

/* ---- configuration parsing -------------------------------------------- */

static BOOLEAN IsSeparator(WCHAR c) {
    return c == L' ' || c == L'\t' || c == L';' || c == L'\r' || c == L'\n';
}

static const WCHAR* ParseNumber(const WCHAR* p, ULONG* value) {
    ULONG result = 0;
    if (p[0] == L'0' && (p[1] == L'x' || p[1] == L'X')) {
        p += 2;
        for (;; ++p) {
            if (*p >= L'0' && *p <= L'9') {
                result = result * 16 + (ULONG)(*p - L'0');
            } else if (*p >= L'a' && *p <= L'f') {
                result = result * 16 + (ULONG)(*p - L'a' + 10);
            } else if (*p >= L'A' && *p <= L'F') {
                result = result * 16 + (ULONG)(*p - L'A' + 10);
            } else {
                break;
            }
        }
    } else {
        for (; *p >= L'0' && *p <= L'9'; ++p) {
            result = result * 10 + (ULONG)(*p - L'0');
        }
    }
    *value = result;
    return p;
}

static void ParseTouches(const WCHAR* p) {
    config.touchCount = 0;
    while (*p != 0 && config.touchCount < MAX_TOUCHES) {
        Touch touch = {0, 0, 1, 0, FALSE};
        ULONG value;
        while (IsSeparator(*p)) {
            ++p;
        }
        if (*p == 0) {
            break;
        }
        if (*p == L'@') {
            touch.held = TRUE;
            ++p;
        }
        p = ParseNumber(p, &value);
        touch.x = (USHORT)value;
        if (*p == L',') {
            p = ParseNumber(p + 1, &value);
            touch.y = (USHORT)value;
        }
        if (*p == L',') {
            p = ParseNumber(p + 1, &value);
            touch.pollsBefore = value;
        }
        if (*p == L',') {
            p = ParseNumber(p + 1, &value);
            touch.flag = (USHORT)value;
        }
        while (*p != 0 && !IsSeparator(*p)) {
            ++p; /* a malformed tail is skipped rather than misread */
        }
        config.touches[config.touchCount++] = touch;
    }
}

static BOOLEAN SameName(const WCHAR* a, ULONG length, const WCHAR* b) {
    ULONG i = 0;
    for (; i < length; ++i) {
        WCHAR ca = a[i], cb = b[i];
        if (cb == 0) {
            return FALSE;
        }
        if (ca >= L'A' && ca <= L'Z')
            ca = (WCHAR)(ca + 32);
        if (cb >= L'A' && cb <= L'Z')
            cb = (WCHAR)(cb + 32);
        if (ca != cb) {
            return FALSE;
        }
    }
    return b[i] == 0;
}

static void ParseNameList(const WCHAR* p, BOOLEAN* flags) {
    while (*p != 0) {
        const WCHAR* start;
        while (IsSeparator(*p) || *p == L',') {
            ++p;
        }
        start = p;
        while (*p != 0 && !IsSeparator(*p) && *p != L',') {
            ++p;
        }
        if (p > start) {
            for (ULONG i = 0; i < CODE_COUNT; ++i) {
                if (SameName(start, (ULONG)(p - start), CodeNames[i].name)) {
                    flags[i] = TRUE;
                }
            }
        }
    }
}

static WCHAR configText[2048];

static void LoadConfig(void) {
    WCHAR* text = configText;
    ULONG value;
    RtlZeroMemory(&config, sizeof config);
    config.version = 4;
    RtlCopyMemory(config.logPath, L"\\??\\C:\\dravix-log.txt", sizeof L"\\??\\C:\\dravix-log.txt");
    if (testKey == NULL) {
        return;
    }
    if (QueryDword(testKey, L"Version", &value)) {
        config.version = (USHORT)value;
    }
    if (QueryString(testKey, L"Touches", text, 2048)) {
        ParseTouches(text);
    }
    if (QueryString(testKey, L"Fail", text, 2048)) {
        ParseNameList(text, config.failing);
    }
    if (QueryString(testKey, L"NoReply", text, 2048)) {
        ParseNameList(text, config.silent);
    }
    for (ULONG i = 0; i < CODE_COUNT; ++i) {
        WCHAR valueName[64] = L"Reply";
        ULONG at = 5;
        PKEY_VALUE_PARTIAL_INFORMATION info;
        for (const WCHAR* n = CodeNames[i].name; *n != 0 && at < 63; ++n) {
            valueName[at++] = *n;
        }
        valueName[at] = 0;
        info = QueryValue(testKey, valueName);
        if (info != NULL) {
            ULONG length = info->DataLength < MAX_BUFFER ? info->DataLength : MAX_BUFFER;
            RtlCopyMemory(config.override[i], info->Data, length);
            config.overrideLength[i] = length;
            ExFreePoolWithTag(info, DRAVIX_TAG);
        }
    }
    QueryString(testKey, L"LogFile", config.logPath, 260);
}

/* ---- the log ----------------------------------------------------------- */

static void OpenLog(void) {
    UNICODE_STRING name;
    OBJECT_ATTRIBUTES attributes;
    IO_STATUS_BLOCK io;
    RtlInitUnicodeString(&name, config.logPath);
    InitializeObjectAttributes(&attributes, &name, OBJ_CASE_INSENSITIVE | OBJ_KERNEL_HANDLE, NULL,
                               NULL);
    if (!NT_SUCCESS(ZwCreateFile(
            &logFile, FILE_APPEND_DATA | SYNCHRONIZE, &attributes, &io, NULL, FILE_ATTRIBUTE_NORMAL,
            FILE_SHARE_READ | FILE_SHARE_WRITE, FILE_OVERWRITE_IF,
            FILE_SYNCHRONOUS_IO_NONALERT | FILE_NON_DIRECTORY_FILE, NULL, 0))) {
        logFile = NULL;
    }
}

static char line[MAX_BUFFER * 4 + 128];
static ULONG lineLength;

static void Put(const char* text) {
    while (*text != 0 && lineLength < sizeof line - 1) {
        line[lineLength++] = *text++;
    }
}

static void PutHex(ULONG value, int digits) {
    static const char hex[] = "0123456789abcdef";
    while (digits-- > 0 && lineLength < sizeof line - 1) {
        line[lineLength++] = hex[(value >> (digits * 4)) & 0xF];
    }
}

static void PutDecimal(ULONG value) {
    char digits[12];
    int n = 0;
    do {
        digits[n++] = (char)('0' + value % 10);
        value /= 10;
    } while (value != 0);
    while (n > 0 && lineLength < sizeof line - 1) {
        line[lineLength++] = digits[--n];
    }
}

static void PutBytes(const UCHAR* bytes, ULONG count) {
    if (count == 0) {
        Put("-");
    }
    for (ULONG i = 0; i < count; ++i) {
        PutHex(bytes[i], 2);
    }
}

static void PutTime(void) {
    LARGE_INTEGER now;
    KeQuerySystemTime(&now);
    Put(" ");
    PutDecimal((ULONG)((now.QuadPart - openedAt.QuadPart) / 10000));
}

/* The quiet and failed polls since the previous line, which this line
   closes. */
static void PutPollCounts(void) {
    Put(" ");
    PutDecimal(quietPolls);
    Put(" ");
    PutDecimal(failedPolls);
    quietPolls = 0;
    failedPolls = 0;
}

static void WriteLine(void) {
    IO_STATUS_BLOCK io;
    Put("\n");
    if (logFile != NULL) {
        ZwWriteFile(logFile, NULL, NULL, NULL, &io, line, lineLength, NULL, NULL);
    }
    lineLength = 0;
}

/* ---- requests ---------------------------------------------------------- */

static void PutWord(UCHAR* reply, ULONG size, ULONG offset, USHORT value) {
    if (offset + 2 <= size) {
        reply[offset] = (UCHAR)(value & 0xFF);
        reply[offset + 1] = (UCHAR)(value >> 8);
    }
}

static BOOLEAN Released(ULONG place) {
    ULONG release = 0;
    return QueryDword(testKey, L"Release", &release) && release >= place;
}

/* The next touch when it is due on this poll, else NULL. */
static const Touch* NextTouch(void) {
    const Touch* touch;
    if (nextTouch >= config.touchCount) {
        return NULL;
    }
    touch = &config.touches[nextTouch];
    if (pollsOfNextTouch < touch->pollsBefore) {
        ++pollsOfNextTouch;
        return NULL;
    }
    if (touch->held && !Released(nextTouch + 1)) {
        return NULL;
    }
    ++nextTouch;
    pollsOfNextTouch = 0;
    return touch;
}

static UCHAR inBytes[MAX_BUFFER];
static UCHAR reply[MAX_BUFFER];

static NTSTATUS NTAPI DeviceControl(PDEVICE_OBJECT deviceObject, PIRP irp) {
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
    ULONG code = stack->Parameters.DeviceIoControl.IoControlCode;
    ULONG inSize = stack->Parameters.DeviceIoControl.InputBufferLength;
    ULONG outSize = stack->Parameters.DeviceIoControl.OutputBufferLength;
    UCHAR* buffer = irp->AssociatedIrp.SystemBuffer;
    int index = CodeIndex(code);
    NTSTATUS status = STATUS_SUCCESS;
    ULONG written = 0;
    (void)deviceObject;

    if (inSize > MAX_BUFFER)
        inSize = MAX_BUFFER;
    if (outSize > MAX_BUFFER)
        outSize = MAX_BUFFER;
    if (buffer == NULL) {
        inSize = outSize = 0;
    }
    RtlCopyMemory(inBytes, buffer, inSize);

    if (index < 0) {
        status = STATUS_INVALID_DEVICE_REQUEST;
    } else {
        /* The reply starts as the request: one buffer serves both ways. */
        RtlZeroMemory(reply, outSize);
        RtlCopyMemory(reply, inBytes, inSize < outSize ? inSize : outSize);
        switch (code) {
        case CodeGetDriverInfo:
            if (outSize > 2) {
                RtlZeroMemory(reply + 2, outSize - 2);
            }
            PutWord(reply, outSize, 0, config.version);
            break;
        case CodeGetRawTouch: {
            /* Consumed even by a failing poll, as the emulated driver does. */
            const Touch* touch = NextTouch();
            PutWord(reply, outSize, 8, 0);
            PutWord(reply, outSize, 10, touch ? touch->flag : 0);
            PutWord(reply, outSize, 12, touch ? touch->x : 0);
            PutWord(reply, outSize, 14, touch ? touch->y : 0);
            PutWord(reply, outSize, 16, 0);
            break;
        }
        default: break;
        }
        if (config.overrideLength[index] > 0) {
            ULONG n =
                config.overrideLength[index] < outSize ? config.overrideLength[index] : outSize;
            RtlCopyMemory(reply, config.override[index], n);
        }
        if (config.failing[index]) {
            status = STATUS_UNSUCCESSFUL;
        } else if (!config.silent[index]) {
            RtlCopyMemory(buffer, reply, outSize);
            written = outSize;
        }
    }

    /* Only the driver's side is known here: a poll that fails or writes
       nothing leaves the caller's buffer as it was, which this driver
       cannot see. So a poll is quiet when the driver handed over no touch,
       the same rule the emulated desktop's trace follows. */
    if (code == CodeGetRawTouch && (written < 12 || (reply[10] == 0 && reply[11] == 0))) {
        ++quietPolls;
        if (!NT_SUCCESS(status)) {
            ++failedPolls;
        }
    } else {
        Put("req ");
        PutHex(code, 8);
        Put(" ");
        PutHex((ULONG)status, 8);
        PutPollCounts();
        Put(" ");
        PutBytes(inBytes, inSize);
        Put(" ");
        PutBytes(reply, written);
        PutTime();
        WriteLine();
    }

    irp->IoStatus.Status = status;
    irp->IoStatus.Information = written;
    IoCompleteRequest(irp, IO_NO_INCREMENT);
    return status;
}

static NTSTATUS NTAPI Create(PDEVICE_OBJECT deviceObject, PIRP irp) {
    (void)deviceObject;
    if (testKey != NULL) {
        ZwClose(testKey);
    }
    if (logFile != NULL) {
        ZwClose(logFile);
        logFile = NULL;
    }
    testKey = OpenTestKey();
    LoadConfig();
    nextTouch = 0;
    pollsOfNextTouch = 0;
    quietPolls = 0;
    failedPolls = 0;
    KeQuerySystemTime(&openedAt);
    OpenLog();
    Put("open");
    WriteLine();
    irp->IoStatus.Status = STATUS_SUCCESS;
    irp->IoStatus.Information = 0;
    IoCompleteRequest(irp, IO_NO_INCREMENT);
    return STATUS_SUCCESS;
}

static NTSTATUS NTAPI Close(PDEVICE_OBJECT deviceObject, PIRP irp) {
    (void)deviceObject;
    Put("close");
    PutPollCounts();
    PutTime();
    WriteLine();
    if (logFile != NULL) {
        ZwClose(logFile);
        logFile = NULL;
    }
    if (testKey != NULL) {
        ZwClose(testKey);
        testKey = NULL;
    }
    irp->IoStatus.Status = STATUS_SUCCESS;
    irp->IoStatus.Information = 0;
    IoCompleteRequest(irp, IO_NO_INCREMENT);
    return STATUS_SUCCESS;
}

static NTSTATUS NTAPI Cleanup(PDEVICE_OBJECT deviceObject, PIRP irp) {
    (void)deviceObject;
    irp->IoStatus.Status = STATUS_SUCCESS;
    irp->IoStatus.Information = 0;
    IoCompleteRequest(irp, IO_NO_INCREMENT);
    return STATUS_SUCCESS;
}

static void NTAPI Unload(PDRIVER_OBJECT driver) {
    (void)driver;
    IoDeleteSymbolicLink(&linkName);
    if (device != NULL) {
        IoDeleteDevice(device);
    }
    if (logFile != NULL) {
        ZwClose(logFile);
    }
    if (testKey != NULL) {
        ZwClose(testKey);
    }
    if (serviceKeyPath.Buffer != NULL) {
        ExFreePoolWithTag(serviceKeyPath.Buffer, DRAVIX_TAG);
    }
}

NTSTATUS NTAPI DriverEntry(PDRIVER_OBJECT driver, PUNICODE_STRING registryPath) {
    NTSTATUS status;
    serviceKeyPath.Length = 0;
    serviceKeyPath.MaximumLength = (USHORT)(registryPath->Length + sizeof(WCHAR));
    serviceKeyPath.Buffer =
        ExAllocatePoolWithTag(NonPagedPool, serviceKeyPath.MaximumLength, DRAVIX_TAG);
    if (serviceKeyPath.Buffer == NULL) {
        return STATUS_INSUFFICIENT_RESOURCES;
    }
    RtlCopyMemory(serviceKeyPath.Buffer, registryPath->Buffer, registryPath->Length);
    serviceKeyPath.Length = registryPath->Length;

    status = IoCreateDevice(driver, 0, &deviceName, FILE_DEVICE_UNKNOWN, 0, FALSE, &device);
    if (!NT_SUCCESS(status)) {
        ExFreePoolWithTag(serviceKeyPath.Buffer, DRAVIX_TAG);
        return status;
    }
    status = IoCreateSymbolicLink(&linkName, &deviceName);
    if (!NT_SUCCESS(status)) {
        IoDeleteDevice(device);
        ExFreePoolWithTag(serviceKeyPath.Buffer, DRAVIX_TAG);
        return status;
    }
    driver->MajorFunction[IRP_MJ_CREATE] = Create;
    driver->MajorFunction[IRP_MJ_CLOSE] = Close;
    driver->MajorFunction[IRP_MJ_CLEANUP] = Cleanup;
    driver->MajorFunction[IRP_MJ_DEVICE_CONTROL] = DeviceControl;
    driver->DriverUnload = Unload;
    return STATUS_SUCCESS;
}
