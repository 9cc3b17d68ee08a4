#!/usr/bin/env bash
# End-to-end tests of the real vintoq32.exe under Wine, with the test driver
# loaded as the service Dravix, on an Xvfb display.
#
#   wine/run-tests.sh [--arch x86_64|i686|all] [--windows nt40|win95|win98|win31]
#                     [probe] [SCENARIO ...]
#
# A cell is an image and the Windows version Wine plays: x86_64 (the
# default), or the i686 image as NT 4.0, Windows 95, Windows 98 and Win32s
# (--windows names one; without it every one). --arch all runs both stacks
# and prints the table of every scenario in every cell. Without scenario
# names: the program's start-up against the C runtime it replaces
# (wine/entry/check.sh), the conformance program (with VINTOQ_CONFORMANCE),
# the driver checks through the probe, then every scenario in wine/scenarios.
# "probe" alone: only the driver checks. The last line is "N passed,
# N failed" (not applicable counted apart). Outputs under build-wine/:
# results/<cell>/*.json, shots/<cell>/*.png, work/<arch>/ (logs). Environment:
#   VINTOQ_EXE=path            test this vintoq32.exe (one architecture only)
#   VINTOQ_WINE_FRESH=1        throw the Wine prefixes away and make new ones
#   VINTOQ_SIM=path            compare every run with the emulated desktop
#   VINTOQ_CONFORMANCE=path    also run the conformance program under Wine and
#                              compare it with this emulated build of it
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=$root/build-wine

arch=x86_64 windows=
names=()
while [ $# -gt 0 ]; do
    case $1 in
        --arch) arch=$2; shift 2 ;;
        --windows) windows=$2; shift 2 ;;
        --*) echo "unknown option $1" >&2; exit 2 ;;
        *) names+=("$1"); shift ;;
    esac
done
case $arch in x86_64 | i686 | all) ;; *) echo "--arch: x86_64, i686 or all" >&2; exit 2 ;; esac
case $windows in
    "") ;;
    nt40 | win95 | win98 | win31)
        [ "$arch" = i686 ] || { echo "--windows needs --arch i686" >&2; exit 2; } ;;
    *) echo "--windows: nt40, win95, win98 or win31" >&2; exit 2 ;;
esac
probe=1 scenarios=()
for name in "${names[@]}"; do
    if [ "$name" = probe ]; then probe=only; else scenarios+=("$name"); fi
done
[ ${#scenarios[@]} -eq 0 ] || [ "$probe" = only ] || probe=0
[ ${#scenarios[@]} -eq 0 ] || [ "$probe" != only ] || probe=1
for name in "${scenarios[@]}"; do
    [ -f "wine/scenarios/$name.json" ] || { echo "no scenario wine/scenarios/$name.json" >&2; exit 2; }
done
full=0
[ ${#names[@]} -eq 0 ] && full=1

now() { date +%s.%N; }
elapsed() { awk -v a="$1" -v b="$(now)" 'BEGIN { printf "%.1f", b - a }'; }
timing=()
t_total=$(now)

# ---- what it needs ----------------------------------------------------------
t=$(now)
VINTOQ_WINE=1 scripts/install-deps.sh
for tool in wine wineserver Xvfb xdotool /usr/bin/import x86_64-w64-mingw32-gcc /usr/bin/python3; do
    command -v "$tool" > /dev/null || { echo "missing: $tool" >&2; exit 1; }
done
timing+=("install: $(elapsed "$t") s")

stacks=()
case $arch in all) stacks=(x86_64 i686) ;; *) stacks=("$arch") ;; esac
# The i686 stack needs a kernel that runs 32-bit programs, and 32-bit Wine.
i686_skipped=
if [[ " ${stacks[*]} " == *" i686 "* ]]; then
    why=$(scripts/i386-runs.sh)
    if [ "$why" = yes ] && [ ! -x /usr/lib/wine/wine ]; then
        why="no: the 32-bit Wine (wine32:i386) is not installed"
    fi
    if [ "$why" != yes ]; then
        i686_skipped="the i686 stack (NT 4.0, Windows 95, Windows 98, Win32s) was not run: ${why#no: }"
        stacks=("${stacks[@]/i686/}")
        [ "$arch" = all ] || { echo "$i686_skipped" >&2; exit 1; }
    fi
fi

cells_of() {
    if [ "$1" = x86_64 ]; then echo x86_64
    elif [ -n "$windows" ]; then echo "i686-$windows"
    else echo i686-nt40 i686-win95 i686-win98 i686-win31
    fi
}

# ---- binaries ------------------------------------------------------------------
t=$(now)
stale() { [ ! -f "$1" ] || [ "$2" -nt "$1" ] || [ "$0" -nt "$1" ]; }
build_tools() {
    local a=$1 bin=$build/bin/$1 entry=DriverEntry
    mkdir -p "$bin"
    # The i386 entry is stdcall, decorated; the driver's 64-bit divisions
    # need libgcc there.
    [ "$a" = i686 ] && entry=_DriverEntry@8
    # -nostdlib: a driver has no C runtime; memcpy and friends come from
    # ntoskrnl. No stack protector: it would need the runtime too.
    if stale "$bin/dravix_test.sys" wine/driver/dravix_test.c; then
        "$a-w64-mingw32-gcc" -O2 -Wall -Wextra -Werror -I"/usr/$a-w64-mingw32/include/ddk" \
            -fno-stack-protector -shared -nostdlib -Wl,--subsystem,native -Wl,--entry,$entry \
            -o "$bin/dravix_test.sys" wine/driver/dravix_test.c -lntoskrnl -lgcc
    fi
    # -static: without it the MinGW runtime DLLs are missing under Wine and a
    # program dies without a word.
    if stale "$bin/probe.exe" wine/probe/probe.c; then
        "$a-w64-mingw32-gcc" -O2 -Wall -Wextra -Werror -static -s \
            -o "$bin/probe.exe" wine/probe/probe.c
    fi
    if stale "$bin/wintool.exe" wine/tools/wintool.c; then
        "$a-w64-mingw32-gcc" -O2 -Wall -Wextra -Werror -static -s \
            -o "$bin/wintool.exe" wine/tools/wintool.c -luser32 -lshell32 -ladvapi32
    fi
}
build_program() {
    # The images that ship, as scripts/cross-build.sh builds and checks them.
    local a=$1 dir=$root/build-win-$1
    if [ ! -f "$dir/build.ninja" ]; then
        cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=MinSizeRel -DVINTOQ_WERROR=ON \
            -DCMAKE_TOOLCHAIN_FILE="cmake/mingw-w64-$a.cmake" > "$build/work/cmake-$a.out"
    fi
    cmake --build "$dir" -j"$(nproc)" --target vintoq32 > "$build/work/build-$a.out" ||
        { cat "$build/work/build-$a.out" >&2; exit 1; }
    echo "$dir/src/vintoq32.exe"
}
mkdir -p "$build/work"
declare -A exe
for a in "${stacks[@]}"; do
    [ -n "$a" ] || continue
    build_tools "$a"
    if [ "$probe" != only ]; then
        if [ -n "${VINTOQ_EXE:-}" ]; then exe[$a]=$VINTOQ_EXE; else exe[$a]=$(build_program "$a"); fi
    fi
done
timing+=("build: $(elapsed "$t") s")

# ---- the comparison itself first: it needs no Wine, and a broken one would
# let every scenario through.
PYTHONDONTWRITEBYTECODE=1 /usr/bin/python3 -m pytest -p no:cacheprovider -q \
    wine/compare_test.py wine/harness_test.py wine/cells_test.py wine/table_test.py \
    > "$build/work/unit-tests.out" 2>&1 ||
    { cat "$build/work/unit-tests.out" >&2; exit 1; }

# ---- the stacks --------------------------------------------------------------------
export VINTOQ_WINE_SCENARIOS="${scenarios[*]}" VINTOQ_WINE_PROBE=$probe
status=0
all_cells=()
run_stack() {
    local a=$1 cells started
    read -ra cells <<< "$(cells_of "$a")"
    for cell in "${cells[@]}"; do
        if [ "$probe" = only ]; then :
        elif [ ${#scenarios[@]} -eq 0 ]; then rm -rf "$build/results/$cell" "$build/shots/$cell"; else
            for name in "${scenarios[@]}"; do rm -f "$build/results/$cell/$name.json"; done
        fi
    done
    started=$(now)
    VINTOQ_EXE=${exe[$a]:-} wine/stack.sh "$a" "$full" "${cells[@]}" || return 1
    echo "$a stack: $(elapsed "$started") s"
}
live=()
for a in "${stacks[@]}"; do [ -z "$a" ] || live+=("$a"); done
for a in "${live[@]}"; do read -ra c <<< "$(cells_of "$a")"; all_cells+=("${c[@]}"); done
if [ ${#live[@]} -eq 1 ]; then
    run_stack "${live[0]}" || status=1
else
    # The two stacks share nothing (prefix, Wine server, display, driver,
    # logs, results), and most of a scenario is waiting: side by side they
    # take little more than the longer one.
    pids=()
    for a in "${live[@]}"; do
        mkdir -p "$build/work/$a"
        run_stack "$a" > "$build/work/$a/stack.out" 2>&1 &
        pids+=($!)
    done
    for i in "${!live[@]}"; do
        wait "${pids[$i]}" || status=1
        echo "==== ${live[$i]} stack (build-wine/work/${live[$i]}/stack.out)"
        cat "$build/work/${live[$i]}/stack.out"
    done
fi

if [ "$probe" != only ] && [ ${#all_cells[@]} -gt 0 ]; then
    # Each i686 cell's screenshots against the x86-64 run's.
    if [[ " ${all_cells[*]} " == *" x86_64 "* ]] && [[ " ${all_cells[*]} " == *" i686-"* ]]; then
        /usr/bin/python3 wine/shots.py "$build/shots" "${all_cells[@]}" || status=1
    fi
    timing+=("total: $(elapsed "$t_total") s")
    printf '%s\n' "${timing[@]}" | tee "$build/work/timing.txt"
    [ -z "$i686_skipped" ] || echo "$i686_skipped"
    VINTOQ_WINE_SCENARIOS="${scenarios[*]}" /usr/bin/python3 wine/table.py "$build/results" \
        "${all_cells[@]}" || status=1
else
    timing+=("total: $(elapsed "$t_total") s")
    printf '%s\n' "${timing[@]}" | tee "$build/work/timing.txt"
    [ -z "$i686_skipped" ] || echo "$i686_skipped"
fi
exit $status
