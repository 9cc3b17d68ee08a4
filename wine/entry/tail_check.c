/*
 * Starts tail_probe.exe once per crafted command line and checks that
 * CommandLineTail finds the tail the Microsoft C runtime hands WinMain. The
 * MinGW runtime the probe is linked with computes the same tail with signed
 * chars, so a byte above 127 ends its program name: on a line without such a
 * byte it must agree with the Microsoft rule as well, which keeps the rule
 * below honest; on the others it may depart, and the departures are counted.
 *
 *   tail_check.exe PROBE.EXE OUTPUT-FILE
 *
 * The program name is whatever the command line begins with: the probe's own
 * path goes separately to CreateProcessA. Prints one line per case and a
 * summary; exit code 0 when every case agrees.
 */
#include <windows.h>

#include <stdio.h>
#include <string.h>

static const char* const Names[] = {
    "vintoq32",
    "vintoq32.exe",
    "C:\\windows\\vintoq32.exe",
    "\"C:\\Program Files\\Vintoq\\vintoq32.exe\"",
    "\"C:\\Program Files\\vintoq32.exe\"-L2",
    "\"vintoq32\"\"x y\"",
    "C:\\Program\" \"Files\\vintoq32.exe",
    "\"\"",
    "\"",
    "\"unterminated -T2",
    "vintoq32\"",
    "caf\xe9.exe",
    "\"C:\\Caf\xe9 Vintoq\\vintoq32.exe\"",
    "\xe9vintoq32",
    "C:\\B\xfcro\\Touch-Tools\\vintoq32.exe",
    "\"C:\\B\xfcro\\Touch-Tools\\vintoq32.exe\"",
    "\xa0vintoq32",
    "vintoq\xff",
    "\tvintoq32",
    "  vintoq32",
    "",
};

static const char* const Tails[] = {
    "",          " ",        "   ",        " -T2",          "\t-L2 -O30", "  \t -P2,1,2,1  ",
    " \"-T 2\"", " \xe9-T2", "\x01\x1f-G", " a\"b c\"d -X", " \xfc-O5",   " -O5 \xe9",
};

static int cases, differing, departures;

/* The Microsoft runtime's rule: every quote toggles, and only the bytes up to
   the blank, compared as unsigned chars, separate. */
static const char* MicrosoftTail(const char* line) {
    const unsigned char* c = (const unsigned char*)line;
    int quoted = 0;
    while (*c > ' ' || (*c != '\0' && quoted)) {
        if (*c == '"') {
            quoted = !quoted;
        }
        ++c;
    }
    while (*c != '\0' && *c <= ' ') {
        ++c;
    }
    return (const char*)c;
}

static void Hex(char* out, const char* text) {
    for (; *text != '\0'; ++text, out += 2) {
        sprintf(out, "%02x", (unsigned char)*text);
    }
    *out = '\0';
}

static int HasHighByte(const char* text) {
    for (; *text != '\0'; ++text) {
        if ((unsigned char)*text > 127) {
            return 1;
        }
    }
    return 0;
}

static int RunCase(const char* probe, const char* output, const char* commandLine) {
    char line[1024];
    char buffer[4096];
    STARTUPINFOA startup;
    PROCESS_INFORMATION process;
    FILE* in;
    DeleteFileA(output);
    memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    strcpy(line, commandLine);
    if (!CreateProcessA(probe, line, NULL, NULL, FALSE, 0, NULL, NULL, &startup, &process)) {
        printf("cannot start the probe: error %lu\n", (unsigned long)GetLastError());
        return 0;
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    in = fopen(output, "r");
    if (in == NULL || fgets(buffer, sizeof buffer, in) == NULL) {
        printf("the probe wrote nothing\n");
        return 0;
    }
    fclose(in);
    buffer[strcspn(buffer, "\n")] = '\0';
    {
        char expected[2048 + 16];
        char* ours = strstr(buffer, " ours=");
        const char* runtime = buffer + strlen("runtime=");
        const char* verdict = "same";
        if (ours == NULL) {
            printf("the probe wrote no tail of its own\n");
            return 0;
        }
        *ours = '\0';
        ours += strlen(" ours=");
        Hex(expected, MicrosoftTail(commandLine));
        ++cases;
        if (strcmp(ours, expected) != 0) {
            verdict = "DIFFERS";
            ++differing;
        } else if (strcmp(runtime, expected) != 0) {
            if (HasHighByte(commandLine)) {
                verdict = "same (the MinGW runtime departs)";
                ++departures;
            } else {
                verdict = "RUNTIME DIFFERS";
                ++differing;
            }
        }
        printf("%s line=", verdict);
        for (const char* c = commandLine; *c != '\0'; ++c) {
            printf("%02x", (unsigned char)*c);
        }
        printf(" expected=%s runtime=%s ours=%s\n", expected, runtime, ours);
    }
    return 1;
}

/* A fixed pseudo-random sequence, so that a failure can be replayed. */
static unsigned long seed = 12345;
static unsigned Next(unsigned range) {
    seed = seed * 1103515245UL + 12345UL;
    return (unsigned)((seed >> 16) % range);
}

int main(int argc, char** argv) {
    static const char Alphabet[] = "a\" \t-T2\\\xe9\x01\xfc\xa0\x80\xff";
    char commandLine[256];
    size_t n, t;
    int i;
    if (argc != 3) {
        fprintf(stderr, "usage: tail_check PROBE.EXE OUTPUT-FILE\n");
        return 2;
    }
    SetEnvironmentVariableA("VINTOQ_TAIL_OUT", argv[2]);
    /* Not every name with every tail (a process each): the first three names
       with every tail, the others with every fourth in turn. */
    for (n = 0; n < sizeof Names / sizeof Names[0]; ++n) {
        for (t = 0; t < sizeof Tails / sizeof Tails[0]; ++t) {
            if ((n + t) % 4 != 0 && n >= 3) {
                continue;
            }
            snprintf(commandLine, sizeof commandLine, "%s%s", Names[n], Tails[t]);
            if (!RunCase(argv[1], argv[2], commandLine)) {
                return 2;
            }
        }
    }
    for (i = 0; i < 80; ++i) {
        unsigned length = 1 + Next(24), k;
        for (k = 0; k < length; ++k) {
            commandLine[k] = Alphabet[Next(sizeof Alphabet - 1)];
        }
        commandLine[length] = '\0';
        if (!RunCase(argv[1], argv[2], commandLine)) {
            return 2;
        }
    }
    printf("%d command lines, %d differ from the Microsoft rule (the MinGW runtime departs on %d, "
           "each holding a byte above 127)\n",
           cases, differing, departures);
    return differing == 0 ? 0 : 1;
}
