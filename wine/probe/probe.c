/*
 * Proves the chain from a Windows program to the test driver under Wine
 * without the real program: opens \\.\DRAVIX the way the program does, sends
 * each of the seven requests with the program's buffer sizes and prints what
 * came back, as the caller sees it.
 *
 *   probe.exe [max-polls]
 *
 * Output, one line per request:
 *   <name> ok=<0|1> error=<n> returned=<n> in=<hex> out=<hex> [polls=<n>]
 * "out" is the caller's reply buffer after the call, so a failed request
 * shows whether anything was copied back. Exit code: 0 when the device
 * opened, 2 when it did not.
 */
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "../../emulator/include/emu/driver_codes.h"

/* A function the driver does not have, on the driver's device type. */
#define UNKNOWN_CODE ((0x9C40UL << 16) | (0x905 << 2))

static HANDLE device;

static void PrintHex(const unsigned char* bytes, DWORD size) {
    for (DWORD i = 0; i < size; ++i) {
        printf("%02x", bytes[i]);
    }
}

/* Header of screen 0: version 4, word 4, word 0, screen 0. */
static void PutHeader(unsigned char* buffer) {
    static const unsigned char header[8] = {4, 0, 4, 0, 0, 0, 0, 0};
    memcpy(buffer, header, sizeof header);
}

static BOOL Send(const char* name, DWORD code, unsigned char* in, DWORD inSize, unsigned char* out,
                 DWORD outSize, unsigned long polls) {
    unsigned char sent[64];
    DWORD returned = 0xFFFFFFFF;
    BOOL ok;
    memcpy(sent, in, inSize);
    SetLastError(0);
    ok = DeviceIoControl(device, code, in, inSize, out, outSize, &returned, NULL);
    printf("%s ok=%d error=%lu returned=%lu in=", name, ok ? 1 : 0,
           ok ? 0UL : (unsigned long)GetLastError(), (unsigned long)returned);
    PrintHex(sent, inSize);
    printf(" out=");
    PrintHex(out, outSize);
    if (polls != 0) {
        printf(" polls=%lu", polls);
    }
    printf("\n");
    fflush(stdout);
    return ok;
}

static void SendBare(const char* name, DWORD code) {
    unsigned char buffer[8];
    PutHeader(buffer);
    Send(name, code, buffer, sizeof buffer, buffer, sizeof buffer, 0);
}

int main(int argc, char** argv) {
    unsigned long maxPolls = argc > 1 ? strtoul(argv[1], NULL, 0) : 100000;
    unsigned char info[56] = {0};
    unsigned char request[18] = {0};
    unsigned char reply[18];
    /* A SetCalibration record with known values: 300, 900, 250, 850, Z 1/255,
       no swap, full translation ranges. */
    unsigned char calibration[34] = {4,    0,    4,    0,    0, 0, 0,    0, 0x2C, 0x01, 0x84, 0x03,
                                     0xFA, 0x00, 0x52, 0x03, 1, 0, 0xFF, 0, 0,    0,    0xFF, 0x7F,
                                     0,    0,    0xFF, 0x7F, 0, 0, 0xFF, 0, 1,    0};
    unsigned char beep[14] = {4, 0, 4, 0, 0, 0, 0, 0, 0, 0, 0xE8, 0x03, 0x20, 0};

    device = CreateFileA("\\\\.\\DRAVIX", 0, 0, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (device == INVALID_HANDLE_VALUE) {
        printf("open failed error=%lu\n", (unsigned long)GetLastError());
        return 2;
    }
    printf("open ok\n");

    PutHeader(info);
    Send("GetDriverInfo", CodeGetDriverInfo, info, sizeof info, info, sizeof info, 0);
    SendBare("DisablePointQueueing", CodeDisablePointQueueing);
    SendBare("BeginTouchWait", CodeBeginTouchWait);
    for (unsigned long polls = 1;; ++polls) {
        BOOL ok;
        DWORD returned = 0;
        PutHeader(request);
        memset(reply, 0, sizeof reply);
        PutHeader(reply);
        ok = DeviceIoControl(device, CodeGetRawTouch, request, sizeof request, reply, sizeof reply,
                             &returned, NULL);
        if (reply[10] != 0 || reply[11] != 0 || polls >= maxPolls) {
            /* Repeats the last poll's outcome in the common format. */
            printf("GetRawTouch ok=%d error=%lu returned=%lu in=", ok ? 1 : 0,
                   ok ? 0UL : (unsigned long)GetLastError(), (unsigned long)returned);
            PrintHex(request, sizeof request);
            printf(" out=");
            PrintHex(reply, sizeof reply);
            printf(" polls=%lu\n", polls);
            break;
        }
    }
    SendBare("EnablePointQueueing", CodeEnablePointQueueing);
    Send("SetCalibration", CodeSetCalibration, calibration, sizeof calibration, calibration,
         sizeof calibration, 0);
    Send("SetBeep", CodeSetBeep, beep, sizeof beep, beep, sizeof beep, 0);
    beep[8] = 1;
    Send("SetBeep", CodeSetBeep, beep, sizeof beep, beep, sizeof beep, 0);
    {
        /* An unknown function code: the driver must refuse it. */
        unsigned char buffer[8];
        PutHeader(buffer);
        Send("Unknown", UNKNOWN_CODE, buffer, sizeof buffer, buffer, sizeof buffer, 0);
    }
    printf("close %s\n", CloseHandle(device) ? "ok" : "failed");
    return 0;
}
