#!/usr/bin/env bash
# The program's own start-up against the MinGW C runtime it replaces, under
# Wine (64-bit: the only code Wine runs here):
#   - the command-line tail that WinMain receives, over 190 crafted command
#     lines (tail_check.exe starts tail_probe.exe with each), against the
#     Microsoft runtime's rule;
#   - the same from a folder with an accented name, C:\Büro\Touch-Tools,
#     started from a command prompt (the path unquoted) and by Wine's start-up;
#   - the user's locale name, for each language of the string tables, as
#     setlocale(LC_ALL, "") gives it and as UserLocaleName builds it.
#
#   wine/entry/check.sh BUILD-DIR
#
# Called by wine/run-tests.sh with the prefix, display and server ready.
# Logs: BUILD-DIR/work/tail-check.txt and BUILD-DIR/work/locale-check.txt.
set -euo pipefail
cd "$(dirname "$0")/../.."
build=$1
bin=$build/bin
mkdir -p "$bin" "$build/work" "$build/locales"

stale() { [ ! -f "$1" ] || [ "$2" -nt "$1" ] || [ "$3" -nt "$1" ]; }
# -static: without it the MinGW runtime DLLs are missing under Wine. The tail
# probe is a GUI program: only there does the runtime compute a WinMain tail.
if stale "$bin/tail_probe.exe" wine/entry/tail_probe.cpp src/context/command_line_tail.cpp; then
    x86_64-w64-mingw32-g++ -std=c++20 -O2 -Wall -Wextra -Werror -static -s -mwindows -Isrc \
        -o "$bin/tail_probe.exe" wine/entry/tail_probe.cpp src/context/command_line_tail.cpp
fi
if stale "$bin/tail_check.exe" wine/entry/tail_check.c wine/entry/tail_check.c; then
    x86_64-w64-mingw32-gcc -O2 -Wall -Wextra -Werror -static -s \
        -o "$bin/tail_check.exe" wine/entry/tail_check.c
fi
if stale "$bin/locale_probe.exe" wine/entry/locale_probe.cpp src/config/user_locale.cpp; then
    x86_64-w64-mingw32-g++ -std=c++20 -O2 -Wall -Wextra -Werror -static -s -Isrc \
        -o "$bin/locale_probe.exe" wine/entry/locale_probe.cpp src/config/user_locale.cpp
fi

windows_path() { echo "Z:${1//\//\\}"; }
status=0

echo "command-line tail: $build/work/tail-check.txt"
if ! wine "$bin/tail_check.exe" "$(windows_path "$(realpath "$bin/tail_probe.exe")")" \
    'C:\tail-probe.txt' > "$build/work/tail-check.txt" 2>&1; then
    grep -v '^same' "$build/work/tail-check.txt" >&2 || true
    status=1
fi
tail -n 1 "$build/work/tail-check.txt"

# A user's folder name holds letters above 127 (the u of Büro is 0xFC in code
# page 1252): from a command prompt Windows hands the program its path
# unquoted, and nothing of it may reach the tail.
echo "accented folder: $build/work/accented-folder.txt"
folder=$(winepath -u 'C:\Büro\Touch-Tools' 2> /dev/null)
mkdir -p "$folder"
cp "$bin/tail_probe.exe" "$folder/vintoq32.exe"
: > "$build/work/accented-folder.txt"
accented_run() { # HOW COMMAND...
    local how=$1 out=$build/work/accented-probe.txt output
    shift
    rm -f "$out"
    VINTOQ_TAIL_OUT=$(windows_path "$out") "$@" > /dev/null 2>&1 || true
    output=$(tr -d '\r' < "$out" 2> /dev/null || true)
    if [ "${output#*ours=}" = 2d4f35 ] && [ -n "$output" ]; then
        echo "same $how ${output}" >> "$build/work/accented-folder.txt"
    else
        echo "DIFFERS $how ${output:-no output} (ours should be 2d4f35, -O5)" |
            tee -a "$build/work/accented-folder.txt" >&2
        status=1
    fi
}
accented_run "from a command prompt" wine cmd /c 'C:\Büro\Touch-Tools\vintoq32.exe -O5'
accented_run "by Wine's start-up" wine 'C:\Büro\Touch-Tools\vintoq32.exe' -O5
tail -n 2 "$build/work/accented-folder.txt"

# Wine takes the user's locale from the Unix one, which glibc must have:
# each is compiled once into a private directory (LOCPATH).
echo "locale names: $build/work/locale-check.txt"
: > "$build/work/locale-check.txt"
for entry in en_US:English nl_NL:Dutch fr_FR:French de_DE:German it_IT:Italian \
    pt_PT:Portuguese es_ES:Spanish; do
    locale=${entry%%:*} word=${entry#*:}
    if [ ! -d "$build/locales/$locale.UTF-8" ]; then
        localedef -i "$locale" -f UTF-8 "$build/locales/$locale.UTF-8" 2>> "$build/work/localedef.out" ||
            [ -d "$build/locales/$locale.UTF-8" ]
    fi
    output=$(LOCPATH=$build/locales LANG=$locale.UTF-8 LC_ALL= wine "$bin/locale_probe.exe" | tr -d '\r')
    runtime=$(sed -n 's/^runtime=//p' <<< "$output")
    ours=$(sed -n 's/^ours=//p' <<< "$output")
    verdict=same
    if [ "$runtime" != "$ours" ] || [[ "$ours" != "$word"_* ]]; then
        verdict=DIFFERS
        status=1
    fi
    echo "$verdict $locale runtime=\"$runtime\" ours=\"$ours\"" | tee -a "$build/work/locale-check.txt"
done
exit $status
