#!/usr/bin/env bash
# Builds and runs the benchmarks; those of a server (submission, opt-out, audit, accounts,
# alerts, guarded route) on a throw-away PostgreSQL server.
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
"$root/scripts/with-postgres.sh" ./bench_opt_out
"$root/scripts/with-postgres.sh" ./bench_audit
"$root/scripts/with-postgres.sh" ./bench_alerts
"$root/scripts/with-postgres.sh" ./bench_accounts
"$root/scripts/with-postgres.sh" ./bench_guarded
