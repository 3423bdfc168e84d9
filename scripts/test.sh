#!/usr/bin/env bash
# Installs what is missing, builds, starts a throw-away PostgreSQL server on loopback and runs
# every test against SQLite and that server.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"
export KAVREL_TEST_PG_REQUIRED=1
cd "$root/build"
"$root/scripts/with-postgres.sh" ctest --output-on-failure --timeout 600 "$@"
