#!/usr/bin/env bash
# End-to-end tests of the real vintoq32.exe under Wine, with the test driver
# loaded as the service Dravix, on an Xvfb display.
#
#   wine/run-tests.sh [probe] [SCENARIO ...]
#
# Without arguments: the program's start-up against the C runtime it replaces
# (wine/entry/check.sh), the driver checks through the probe, then every
# scenario in wine/scenarios. Outputs under build-wine/: results/*.json,
# shots/*.png, work/ (logs). Environment:
#   VINTOQ_EXE=path            test this vintoq32.exe instead of building one
#   VINTOQ_WINE_PROBE_ONLY=1   only the driver checks (no program needed)
#   VINTOQ_WINE_FRESH=1        throw the Wine prefix away and make a new one
#   VINTOQ_CONFORMANCE=path    also run the conformance program under Wine and
#                              compare it with this emulated build of it
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=$root/build-wine
mkdir -p "$build/bin" "$build/work"

now() { date +%s.%N; }
elapsed() { awk -v a="$1" -v b="$(now)" 'BEGIN { printf "%.1f", b - a }'; }
timing=()
t_total=$(now)

# ---- what it needs ----------------------------------------------------------
t=$(now)
VINTOQ_WINE=1 scripts/install-deps.sh
if ! command -v python3 > /dev/null; then
    sudo_cmd=()
    [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
    "${sudo_cmd[@]}" apt-get update -q
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends python3
fi
for tool in wine wineserver Xvfb xdotool /usr/bin/import x86_64-w64-mingw32-gcc; do
    command -v "$tool" > /dev/null || { echo "missing: $tool" >&2; exit 1; }
done
timing+=("install: $(elapsed "$t") s")

# ---- binaries ------------------------------------------------------------------
t=$(now)
ddk=/usr/x86_64-w64-mingw32/include/ddk
stale() { [ ! -f "$1" ] || [ "$2" -nt "$1" ] || [ "$0" -nt "$1" ]; }
# -nostdlib: a driver has no C runtime; memcpy and friends come from
# ntoskrnl. No stack protector: it would need the runtime too.
if stale "$build/bin/dravix_test.sys" wine/driver/dravix_test.c; then
    x86_64-w64-mingw32-gcc -O2 -Wall -Wextra -Werror -I"$ddk" -fno-stack-protector \
        -shared -nostdlib -Wl,--subsystem,native -Wl,--entry,DriverEntry \
        -o "$build/bin/dravix_test.sys" wine/driver/dravix_test.c -lntoskrnl
fi
# -static: without it the MinGW runtime DLLs are missing under Wine and a
# program dies without a word.
if stale "$build/bin/probe.exe" wine/probe/probe.c; then
    x86_64-w64-mingw32-gcc -O2 -Wall -Wextra -Werror -static -s \
        -o "$build/bin/probe.exe" wine/probe/probe.c
fi
if stale "$build/bin/wintool.exe" wine/tools/wintool.c; then
    x86_64-w64-mingw32-gcc -O2 -Wall -Wextra -Werror -static -s \
        -o "$build/bin/wintool.exe" wine/tools/wintool.c -luser32 -lshell32 -ladvapi32
fi
if [ "${VINTOQ_WINE_PROBE_ONLY:-0}" != 1 ] && [ -z "${VINTOQ_EXE:-}" ]; then
    if [ ! -f "$build/win-x86_64/build.ninja" ]; then
        cmake -S . -B "$build/win-x86_64" -G Ninja -DCMAKE_BUILD_TYPE=MinSizeRel \
            -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake > "$build/work/cmake.out"
    fi
    cmake --build "$build/win-x86_64" -j"$(nproc)" --target vintoq32 > "$build/work/build.out" ||
        { cat "$build/work/build.out" >&2; exit 1; }
    export VINTOQ_EXE=$build/win-x86_64/src/vintoq32.exe
fi
timing+=("build: $(elapsed "$t") s")

# ---- display and Wine -------------------------------------------------------------
export WINEPREFIX=$build/prefix WINEARCH=win64 WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
# The program's locale comes from the environment; C.UTF-8 always exists and
# Wine maps it to English (United States), code page 1252.
export LANG=C.UTF-8
unset LC_ALL LC_CTYPE LC_MESSAGES LANGUAGE

xvfb_pid=
cleanup() {
    wineserver -k > /dev/null 2>&1 || true
    if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2> /dev/null || true; fi
}
trap cleanup EXIT
# A server left by an interrupted run would keep the wrong DISPLAY.
wineserver -k > /dev/null 2>&1 || true

exec 5> "$build/work/xvfb.display"
Xvfb -displayfd 5 -screen 0 1024x768x24 -nolisten tcp > "$build/work/xvfb.out" 2>&1 &
xvfb_pid=$!
exec 5>&-
for _ in $(seq 100); do
    [ -s "$build/work/xvfb.display" ] && break
    sleep 0.1
done
display=$(cat "$build/work/xvfb.display")
[ -n "$display" ] || { echo "Xvfb did not start" >&2; exit 1; }
# Before the first Wine command: the server it starts keeps this display.
export DISPLAY=:$display

stamp=$WINEPREFIX/.vintoq-prefix
recipe="$(wine --version) managed=N fonts driver-service 1"
t=$(now)
prefix_valid() {
    [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$recipe" ] &&
        grep -q '^\[System\\\\CurrentControlSet\\\\Services\\\\Dravix\]' "$WINEPREFIX/system.reg" 2> /dev/null
}
if [ "${VINTOQ_WINE_FRESH:-0}" = 1 ] || ! prefix_valid; then
    rm -rf "$WINEPREFIX"
    wine wineboot -i > "$build/work/wineboot.out" 2>&1
    # Without a window manager each closing window would wait for one.
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f \
        > "$build/work/setup.out" 2>&1
    # The screenshots must not depend on the host's fonts.
    cp /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/"
    wine sc create Dravix type= kernel start= demand \
        binPath= 'C:\windows\system32\drivers\dravix_test.sys' >> "$build/work/setup.out" 2>&1
    # The persistent server below cannot take over from this one.
    wineserver -w
    echo "$recipe" > "$stamp"
    timing+=("prefix creation: $(elapsed "$t") s")
else
    timing+=("prefix reused: $(elapsed "$t") s")
fi
cp "$build/bin/dravix_test.sys" "$WINEPREFIX/drive_c/windows/system32/drivers/dravix_test.sys"

# A persistent server keeps the driver loaded between the Wine processes of
# the tests; without it the driver goes a few seconds after the last one.
t=$(now)
wineserver -p
wine net start Dravix > "$build/work/net-start.out" 2>&1 ||
    { cat "$build/work/net-start.out" >&2; exit 1; }
timing+=("driver start: $(elapsed "$t") s")

status=0
# The program's own start-up against the C runtime it replaces.
if [ "${VINTOQ_WINE_PROBE_ONLY:-0}" != 1 ] && [ $# -eq 0 ]; then
    t=$(now)
    wine/entry/check.sh "$build" || status=$?
    timing+=("entry checks: $(elapsed "$t") s")
fi
# The conformance program against the emulated desktop's build of it.
if [ -n "${VINTOQ_CONFORMANCE:-}" ]; then
    t=$(now)
    wine/conformance.sh "$VINTOQ_CONFORMANCE" || status=$?
    timing+=("conformance: $(elapsed "$t") s")
fi

t=$(now)
# No __pycache__ in the source tree.
export PYTHONDONTWRITEBYTECODE=1
# The comparison itself first: it needs no Wine, and a broken one would let
# every scenario through.
python3 wine/compare_test.py > "$build/work/compare-test.out" 2>&1 ||
    { cat "$build/work/compare-test.out" >&2; exit 1; }
python3 wine/harness.py "$@" || status=$?
timing+=("scenarios: $(elapsed "$t") s")
timing+=("total: $(elapsed "$t_total") s")
printf '%s\n' "${timing[@]}" | tee "$build/work/timing.txt"
exit $status
