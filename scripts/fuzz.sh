#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, AddressSanitizer, UBSan) and runs each
# for a bounded time, starting from the seed corpus in fuzz/corpus/.
#
#   scripts/fuzz.sh [seconds per target] [target...]
#
# Default: 30 seconds for each of fuzz_command_line, fuzz_calibration and
# fuzz_whole_run. New inputs go to <build>/fuzz-corpus/<target>, anything the
# fuzzer finds to <build>/fuzz-findings/<target>/; the script then fails.
# VINTOQ_FUZZ_BUILD chooses the build directory (default build-fuzz).
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-30}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(fuzz_command_line fuzz_calibration fuzz_whole_run)
build=${VINTOQ_FUZZ_BUILD:-build-fuzz}

scripts/install-deps.sh

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVINTOQ_FUZZ=ON -DVINTOQ_WERROR=ON \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build "$build" -j"$(nproc)" --target "${targets[@]}"

# The allocation stacks of AddressSanitizer cost a third of a whole run; a
# finding is replayed with them (see the message below).
export ASAN_OPTIONS=${ASAN_OPTIONS:-malloc_context_size=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1}

status=0
for target in "${targets[@]}"; do
    corpus="$build/fuzz-corpus/$target"
    findings="$build/fuzz-findings/$target"
    log="$build/fuzz-$target.log"
    mkdir -p "$corpus" "$findings"
    echo "== $target: $seconds s"
    # -timeout: one whole run takes well under a second; 30 s is a hang.
    if ! "$build/fuzz/$target" -max_total_time="$seconds" -timeout=30 -rss_limit_mb=4096 \
        -print_final_stats=1 -artifact_prefix="$findings/" "$corpus" "fuzz/corpus/$target" \
        >"$log" 2>&1; then
        status=1
        grep -a -E 'FAULT|ERROR|runtime error' "$log" | head -5 || true
        echo "$target found something: $findings (replay: $build/fuzz/$target <file>," \
            "VINTOQ_FUZZ_PRINT=1 prints a whole run's scenario); log: $log"
    fi
    grep -a -E '^#[0-9]+ +DONE|stat::number_of_executed_units|stat::average_exec_per_sec' "$log" ||
        tail -3 "$log"
done
exit $status
