#!/usr/bin/env bash
# ThreadSanitizer run of the parts with threads: the core (progress counters,
# transfer workers, the writer operations with their cancel paths) and the
# software writer box. The GUI is left out. Exits non-zero on any failure or
# race report.
set -euo pipefail
cd "$(dirname "$0")/../.."
cmake --preset tsan >/dev/null
targets=$(ninja -C build/tsan -t targets all | sed -n 's/^\(core_[a-z]*_tests\|sim_tests\|plx71sim\): .*/\1/p' | sort -u)
# shellcheck disable=SC2086
cmake --build --preset tsan --target $targets
# A race report fails the test that caused it.
export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 ${TSAN_OPTIONS:-}"
ctest --preset tsan -j2 -L '^(core_[a-z]+_tests|sim_tests)$'
