#!/usr/bin/env bash
# The main job: builds the program and runs a whole calibration on the
# emulated Windows desktop's demo machine. Extra arguments go to vintoq32-sim
# (e.g. `scripts/demo.sh -- -L2` for French, or `--scenario FILE.json`).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Debug > /dev/null
cmake --build build -j"$(nproc)" --target vintoq32-sim

mkdir -p out
rm -rf out/shots
set +e
build/sim/vintoq32-sim --registry out/registry.reg --trace out/trace.jsonl --shots out/shots "$@"
code=$?
set -e
echo
echo "exit code:   $code"
echo "transcript:  above; trace in out/trace.jsonl"
echo "registry:    out/registry.reg"
echo "screenshots: out/shots/"
