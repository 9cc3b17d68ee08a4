#!/usr/bin/env bash
# One Wine stack: an Xvfb display, the prefix of one architecture with the
# test driver as the service Dravix, then the program's start-up checks, the
# conformance program and the scenarios in the given cells (pytest). Called
# by wine/run-tests.sh, which has installed and built everything.
#
#   wine/stack.sh ARCH FULL CELL ...
#
# ARCH: x86_64 (a 64-bit prefix, build-wine/prefix) or i686 (a 32-bit one,
# build-wine/prefix32). FULL=1 runs the start-up checks and, with
# VINTOQ_CONFORMANCE, the conformance program before the scenarios. The
# environment: VINTOQ_EXE (the image), VINTOQ_WINE_SCENARIOS and
# VINTOQ_WINE_PROBE (see test_wine.py), VINTOQ_SIM, VINTOQ_WINE_FRESH.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
arch=$1 full=$2
shift 2
build=$root/build-wine
work=$build/work/$arch
mkdir -p "$work"

now() { date +%s.%N; }
elapsed() { awk -v a="$1" -v b="$(now)" 'BEGIN { printf "%.1f", b - a }'; }
timing=()

export VINTOQ_WINE_ARCH=$arch
if [ "$arch" = x86_64 ]; then
    # With the 32-bit Wine installed, "wine" starts Wine's own programs (sc,
    # net, regedit) as 32-bit ones: sc would mark the service WOW64 and the
    # 64-bit driver would not start. The 64-bit loader runs the 64-bit ones.
    # Debian keeps that loader out of PATH.
    export WINEPREFIX=$build/prefix WINEARCH=win64 VINTOQ_WINE_LOADER=wine
    for loader in /usr/lib/wine/wine64 "$(command -v wine64 || true)"; do
        if [ -n "$loader" ] && [ -x "$loader" ]; then VINTOQ_WINE_LOADER=$loader; break; fi
    done
else
    export WINEPREFIX=$build/prefix32 WINEARCH=win32 VINTOQ_WINE_LOADER=wine
fi
wine=$VINTOQ_WINE_LOADER
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
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

exec 5> "$work/xvfb.display"
Xvfb -displayfd 5 -screen 0 1024x768x24 -nolisten tcp > "$work/xvfb.out" 2>&1 &
xvfb_pid=$!
exec 5>&-
for _ in $(seq 100); do
    [ -s "$work/xvfb.display" ] && break
    sleep 0.1
done
display=$(cat "$work/xvfb.display")
[ -n "$display" ] || { echo "Xvfb did not start" >&2; exit 1; }
# Before the first Wine command: the server it starts keeps this display.
export DISPLAY=:$display

stamp=$WINEPREFIX/.vintoq-prefix
recipe="$(wine --version) $arch managed=N fonts driver-service 3"
t=$(now)
prefix_valid() {
    [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$recipe" ] &&
        grep -q '^\[System\\\\CurrentControlSet\\\\Services\\\\Dravix\]' "$WINEPREFIX/system.reg" 2> /dev/null &&
        # A 64-bit driver whose service the 32-bit sc made does not start.
        ! { [ "$arch" = x86_64 ] && sed -n '/^\[System\\\\CurrentControlSet\\\\Services\\\\Dravix\]/,/^$/p' \
            "$WINEPREFIX/system.reg" | grep -q '^"WOW64"=dword:00000001'; }
}
if [ "${VINTOQ_WINE_FRESH:-0}" = 1 ] || ! prefix_valid; then
    rm -rf "$WINEPREFIX"
    $wine wineboot -i > "$work/wineboot.out" 2>&1
    # Without a window manager each closing window would wait for one.
    $wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f \
        > "$work/setup.out" 2>&1
    # The screenshots must not depend on the host's fonts.
    cp /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/"
    $wine sc create Dravix type= kernel start= demand \
        binPath= 'C:\windows\system32\drivers\dravix_test.sys' >> "$work/setup.out" 2>&1
    # The persistent server below cannot take over from this one.
    wineserver -w
    echo "$recipe" > "$stamp"
    timing+=("$arch prefix creation: $(elapsed "$t") s")
else
    timing+=("$arch prefix reused: $(elapsed "$t") s")
fi
cp "$build/bin/$arch/dravix_test.sys" "$WINEPREFIX/drive_c/windows/system32/drivers/dravix_test.sys"

# A persistent server keeps the driver loaded between the Wine processes of
# the tests; without it the driver goes a few seconds after the last one.
t=$(now)
wineserver -p
$wine reg delete 'HKCU\Software\Wine' /v Version /f > /dev/null 2>&1 || true
# Under load the service manager now and then reports the driver's start as
# "DLL initialization failed"; a second start goes through.
for attempt in 1 2 3; do
    $wine net start Dravix > "$work/net-start.out" 2>&1 && break
    [ $attempt -lt 3 ] || { cat "$work/net-start.out" >&2; exit 1; }
    sleep 2
done
timing+=("$arch driver start: $(elapsed "$t") s")

status=0
if [ "$full" = 1 ]; then
    # The program's own start-up against the C runtime it replaces.
    t=$(now)
    wine/entry/check.sh "$build" "$arch" || status=$?
    timing+=("$arch entry checks: $(elapsed "$t") s")
    # The conformance program against the emulated desktop's build of it.
    if [ -n "${VINTOQ_CONFORMANCE:-}" ]; then
        t=$(now)
        wine/conformance.sh "$VINTOQ_CONFORMANCE" "$arch" || status=$?
        timing+=("$arch conformance: $(elapsed "$t") s")
    fi
fi

t=$(now)
export VINTOQ_WINE_CELLS="$*"
# No __pycache__ or .pytest_cache in the source tree.
PYTHONDONTWRITEBYTECODE=1 /usr/bin/python3 -m pytest -p no:cacheprovider -v -rfs \
    --tb=short wine/test_wine.py || status=$?
timing+=("$arch scenarios ($*): $(elapsed "$t") s")
printf '%s\n' "${timing[@]}" | tee "$work/timing.txt"
exit $status
