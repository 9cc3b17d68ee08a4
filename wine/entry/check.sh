#!/usr/bin/env bash
# The program's own start-up against the C runtime it replaces, under Wine,
# built for the architecture of the stack it runs on:
#   - the command-line tail that WinMain receives, over 170 crafted command
#     lines (tail_check.exe starts tail_probe.exe with each), against the
#     Microsoft runtime's rule;
#   - the same from a folder with an accented name, C:\Büro\Touch-Tools,
#     started from a command prompt (the path unquoted) and by Wine's start-up;
#   - the user's locale name, for each language of the string tables, as
#     setlocale(LC_ALL, "") gives it and as UserLocaleName builds it.
#
#   wine/entry/check.sh BUILD-DIR [ARCH]
#
# ARCH: x86_64 (default) or i686. Called by wine/stack.sh with the prefix,
# display and server ready (VINTOQ_WINE_LOADER names the Wine loader).
# Logs: BUILD-DIR/work/ARCH/tail-check.txt, accented-folder.txt and
# locale-check.txt.
set -euo pipefail
cd "$(dirname "$0")/../.."
build=$1
arch=${2:-x86_64}
bin=$build/bin/$arch
work=$build/work/$arch
wine=${VINTOQ_WINE_LOADER:-wine}
mkdir -p "$bin" "$work" "$build/locales"

stale() { [ ! -f "$1" ] || [ "$2" -nt "$1" ] || [ "$3" -nt "$1" ]; }
# -static: without it the MinGW runtime DLLs are missing under Wine. The tail
# probe is a GUI program: only there does the runtime compute a WinMain tail.
if stale "$bin/tail_probe.exe" wine/entry/tail_probe.cpp src/context/command_line_tail.cpp; then
    "$arch"-w64-mingw32-g++ -std=c++20 -O2 -Wall -Wextra -Werror -static -s -mwindows -Isrc \
        -o "$bin/tail_probe.exe" wine/entry/tail_probe.cpp src/context/command_line_tail.cpp
fi
if stale "$bin/tail_check.exe" wine/entry/tail_check.c wine/entry/tail_check.c; then
    "$arch"-w64-mingw32-gcc -O2 -Wall -Wextra -Werror -static -s \
        -o "$bin/tail_check.exe" wine/entry/tail_check.c
fi
if stale "$bin/locale_probe.exe" wine/entry/locale_probe.cpp src/config/user_locale.cpp; then
    "$arch"-w64-mingw32-g++ -std=c++20 -O2 -Wall -Wextra -Werror -static -s -Isrc \
        -o "$bin/locale_probe.exe" wine/entry/locale_probe.cpp src/config/user_locale.cpp
fi

windows_path() { echo "Z:${1//\//\\}"; }
status=0

echo "command-line tail: $work/tail-check.txt"
if ! $wine "$bin/tail_check.exe" "$(windows_path "$(realpath "$bin/tail_probe.exe")")" \
    'C:\tail-probe.txt' > "$work/tail-check.txt" 2>&1; then
    grep -v '^same' "$work/tail-check.txt" >&2 || true
    status=1
fi
tail -n 1 "$work/tail-check.txt"

# A user's folder name holds letters above 127 (the u of Büro is 0xFC in code
# page 1252): from a command prompt Windows hands the program its path
# unquoted, and nothing of it may reach the tail.
echo "accented folder: $work/accented-folder.txt"
folder="$WINEPREFIX/drive_c/Büro/Touch-Tools"
mkdir -p "$folder"
cp "$bin/tail_probe.exe" "$folder/vintoq32.exe"
: > "$work/accented-folder.txt"
accented_run() { # HOW COMMAND...
    local how=$1 out=$work/accented-probe.txt output
    shift
    rm -f "$out"
    VINTOQ_TAIL_OUT=$(windows_path "$(realpath "$work")/accented-probe.txt") "$@" > /dev/null 2>&1 ||
        true
    output=$(tr -d '\r' < "$out" 2> /dev/null || true)
    if [ -n "$output" ] && [ "${output#*ours=}" = 2d4f35 ]; then
        echo "same $how $output" >> "$work/accented-folder.txt"
    else
        echo "DIFFERS $how ${output:-no output} (ours should be 2d4f35, -O5)" |
            tee -a "$work/accented-folder.txt" >&2
        status=1
    fi
}
accented_run "from a command prompt" $wine cmd /c 'C:\Büro\Touch-Tools\vintoq32.exe -O5'
accented_run "by Wine's start-up" $wine 'C:\Büro\Touch-Tools\vintoq32.exe' -O5
tail -n 2 "$work/accented-folder.txt"

# Wine takes the user's locale from the Unix one, which glibc must have:
# each is compiled once into a private directory (LOCPATH).
echo "locale names: $work/locale-check.txt"
: > "$work/locale-check.txt"
for entry in en_US:English nl_NL:Dutch fr_FR:French de_DE:German it_IT:Italian \
    pt_PT:Portuguese es_ES:Spanish; do
    locale=${entry%%:*} word=${entry#*:}
    # Both stacks run side by side and share the directory: each locale is
    # compiled aside and renamed into place, so that the other stack never
    # reads one half written.
    if [ ! -d "$build/locales/$locale.UTF-8" ]; then
        aside=$(mktemp -d "$build/locales/.$locale.XXXXXX")
        localedef -i "$locale" -f UTF-8 "$aside/$locale.UTF-8" 2>> "$work/localedef.out" ||
            [ -d "$aside/$locale.UTF-8" ]
        mv -T "$aside/$locale.UTF-8" "$build/locales/$locale.UTF-8" 2> /dev/null || true
        rm -rf "$aside"
    fi
    output=$(LOCPATH=$build/locales LANG=$locale.UTF-8 LC_ALL= $wine "$bin/locale_probe.exe" | tr -d '\r')
    runtime=$(sed -n 's/^runtime=//p' <<< "$output")
    ours=$(sed -n 's/^ours=//p' <<< "$output")
    verdict=same
    if [ "$runtime" != "$ours" ] || [[ "$ours" != "$word"_* ]]; then
        verdict=DIFFERS
        status=1
    fi
    echo "$verdict $locale runtime=\"$runtime\" ours=\"$ours\"" | tee -a "$work/locale-check.txt"
done
exit $status
