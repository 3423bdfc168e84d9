#!/usr/bin/env bash
# Builds and runs the benchmarks; the submission benchmark also runs on a throw-away
# PostgreSQL server.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"
cd "$root/build/bench"
./bench_dedupe
./bench_import
./bench_numbers
./bench_window
./bench_outline
"$root/scripts/with-postgres.sh" ./bench_submission
"$root/scripts/with-postgres.sh" ./bench_audit
"$root/scripts/with-postgres.sh" ./bench_accounts
