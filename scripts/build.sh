#!/usr/bin/env bash
# Configures and builds into build/ (two jobs: the machines have two cores). With target names
# as arguments only those are built; without, everything including tests and benchmarks.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE="${KAVREL_BUILD_TYPE:-RelWithDebInfo}" >/dev/null
targets=()
for target in "$@"; do
    targets+=(--target "$target")
done
cmake --build build -j "${KAVREL_JOBS:-2}" "${targets[@]}"
