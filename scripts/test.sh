#!/usr/bin/env bash
# Installs what is missing, builds, starts a throw-away PostgreSQL server on loopback and runs
# every test against SQLite and that server, then once more as the client's users run it: in the
# zh_CN.UTF-8 locale and a time zone east of UTC. Then it builds the suite again with
# AddressSanitizer and UndefinedBehaviorSanitizer and runs it once more. Any failure or finding
# fails the run. KAVREL_SKIP_SANITIZERS=1 runs only the plain suite (both times).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"
export KAVREL_TEST_PG_REQUIRED=1
"$root/scripts/with-postgres.sh" ctest --test-dir "$root/build" --output-on-failure --timeout 600 "$@"
echo "== the plain suite again under zh_CN.UTF-8 and TZ=Asia/Shanghai"
env -u LANGUAGE LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8 TZ=Asia/Shanghai \
    "$root/scripts/with-postgres.sh" ctest --test-dir "$root/build" --output-on-failure --timeout 600 "$@"

if [ "${KAVREL_SKIP_SANITIZERS:-0}" = 1 ]; then
    exit 0
fi
cmake -S "$root" -B "$root/build-sanitize" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKAVREL_SANITIZE=ON \
    -DKAVREL_BENCHMARKS=OFF >/dev/null
cmake --build "$root/build-sanitize" -j "${KAVREL_JOBS:-2}"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1:detect_stack_use_after_return=1"
export LSAN_OPTIONS="suppressions=$root/tests/sanitizer-suppressions.txt:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
"$root/scripts/with-postgres.sh" ctest --test-dir "$root/build-sanitize" --output-on-failure --timeout 900 "$@"
