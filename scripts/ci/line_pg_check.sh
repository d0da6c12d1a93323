#!/usr/bin/env bash
# The line server's store contract against a real PostgreSQL: a throw-away
# cluster (scripts/lib/throwaway_postgres.sh) for the run of line_tests,
# stopped at the end. The SQLite half runs with the other tests.
#
#   scripts/ci/line_pg_check.sh [BUILD]     # default build/debug
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build/debug}
source scripts/lib/throwaway_postgres.sh
trap pg_stop EXIT
cmake --build "$build" --target line_tests
pg_start
echo "PostgreSQL $("$pg_bin/postgres" --version | awk '{print $NF}') on $pg_url"
PLX71_TEST_PG=$pg_url "$build/bin/line_tests" --gtest_brief=1
