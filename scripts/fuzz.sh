#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for KAVREL_FUZZ_SECONDS (60) seconds.
# Findings are written to build-fuzz/findings/; the run fails on the first one.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-deps.sh" clang libclang-rt-14-dev
seconds="${KAVREL_FUZZ_SECONDS:-60}"
build="$root/build-fuzz"
CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKAVREL_FUZZ=ON >/dev/null
cmake --build "$build" -j "${KAVREL_JOBS:-2}"
mkdir -p "$build/findings"
export ASAN_OPTIONS="detect_leaks=0"
for target in fuzz_number_file fuzz_keyword_file fuzz_profile_ini fuzz_split_lines fuzz_cut_parts; do
    corpus="$build/corpus/$target"
    mkdir -p "$corpus"
    echo "== $target"
    "$build/tests/fuzz/$target" -max_total_time="$seconds" -max_len=65536 -print_final_stats=1 \
        -artifact_prefix="$build/findings/$target-" "$corpus" 2>&1 |
        grep -E "stat::number_of_executed_units|stat::new_units_added|ERROR|==ERROR|deadly signal|Test unit written" || true
done
if ls "$build/findings"/* >/dev/null 2>&1; then
    echo "findings:"; ls "$build/findings"
    exit 1
fi
