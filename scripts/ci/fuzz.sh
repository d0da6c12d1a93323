#!/usr/bin/env bash
# Builds the `fuzz` preset (clang, libFuzzer, ASan + UBSan) and runs every
# harness of tests/fuzz for SECONDS each (default 60), one at a time, on a
# copy of its committed corpus and regression inputs. Prints runs, exec/s
# and crashes per harness; crash inputs stay in build/fuzz/work/<target>/crashes.
#
#   scripts/ci/fuzz.sh [SECONDS [TARGET ...]]
#                                      fuzz (all targets, or the ones named);
#                                      RUNS=N also ends each target after N runs
#   scripts/ci/fuzz.sh corpus [LOG ...]   remake the seeds (tests/fuzz/make_seeds.py,
#                                      with wire logs of plx71sim --log) and
#                                      merge them into the committed corpus,
#                                      minimised (-merge=1)
set -euo pipefail
cd "$(dirname "$0")/../.."

targets=(datafile_reader firmware_reader project_file device_table number_fields link_ops link_frames)
work=$PWD/build/fuzz/work
bin=$PWD/build/fuzz/bin

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target "${targets[@]/#/fuzz_}" >/dev/null

if [ "${1:-}" = corpus ]; then
  shift
  rm -rf build/fuzz/seeds
  python3 tests/fuzz/make_seeds.py build/fuzz/seeds ${1:+--log "$@"}
  for t in "${targets[@]}"; do
    fresh=$(mktemp -d)
    mkdir -p "tests/fuzz/corpus/$t"
    "$bin/fuzz_$t" -merge=1 "$fresh" "$PWD/tests/fuzz/corpus/$t" "$PWD/build/fuzz/seeds/$t" >/dev/null 2>&1
    rm -f "tests/fuzz/corpus/$t"/*
    cp "$fresh"/* "tests/fuzz/corpus/$t/"
    rm -rf "$fresh"
    echo "$t: $(ls "tests/fuzz/corpus/$t" | wc -l) corpus files"
  done
  exit 0
fi

seconds=${1:-60}
[ $# -gt 1 ] && targets=("${@:2}")
stat() { sed -n "s/^stat::$1: *//p" "$2" | tail -n 1; }
# The edges covered, from libFuzzer's last status line.
coverage() { grep -o 'cov: [0-9]*' "$1" | tail -n 1 | cut -d' ' -f2; }
# A smaller quarantine than ASan's 256 MB keeps the freed memory the next runs
# take warm: fresh pages made each run several times slower on our machine.
# A use of a block freed within the last 16 MB (thousands of runs here) is
# still caught.
export ASAN_OPTIONS=${ASAN_OPTIONS:-quarantine_size_mb=16}

printf '%-16s %12s %10s %8s %8s\n' target runs exec/s coverage crashes
for t in "${targets[@]}"; do
  rm -rf "${work:?}/$t"
  mkdir -p "$work/$t/corpus" "$work/$t/crashes"
  cp tests/fuzz/corpus/"$t"/* "$work/$t/corpus/"
  if [ -d "tests/fuzz/regressions/$t" ]; then
    cp tests/fuzz/regressions/"$t"/* "$work/$t/corpus/" 2>/dev/null || true
  fi
  # A crash ends the run early; its input lands in crashes/.
  "$bin/fuzz_$t" -max_total_time="$seconds" ${RUNS:+-runs="$RUNS"} -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$work/$t/crashes/" "$work/$t/corpus" >"$work/$t/log" 2>&1 || true
  printf '%-16s %12s %10s %8s %8s\n' "$t" "$(stat number_of_executed_units "$work/$t/log")" \
    "$(stat average_exec_per_sec "$work/$t/log")" "$(coverage "$work/$t/log")" "$(ls "$work/$t/crashes" | wc -l)"
done
