#!/usr/bin/env bash
# Installs what is missing (the run and test sets), builds everything (debug
# preset: the programs, every test and the benchmarks) and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh run test
cmake --preset debug
cmake --build --preset debug
ctest --preset debug --output-on-failure -j2
