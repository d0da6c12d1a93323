#!/usr/bin/env bash
# Start-up cost of plx71: the task-clock (CPU ms) of "plx71 devices" beside
# /bin/true, from perf stat, in alternating rounds (each round: perf stat -r
# RUNS on each command) so that a machine whose load drifts moves both alike.
# Prints the median per-round task-clock of each and of their difference.
# With OTHER=path/to/another/plx71 that binary is measured in the same rounds
# (e.g. an older build).
#
#   scripts/bench/bench_cli_startup.sh [path/to/plx71] [ROUNDS]   # default build/release/bin/plx71, 9
#   RUNS=50 OTHER=/tmp/plx71.old scripts/bench/bench_cli_startup.sh
set -euo pipefail
cd "$(dirname "$0")/../.."
plx71=${1:-build/release/bin/plx71}
rounds=${2:-9}
runs=${RUNS:-20}
command -v perf >/dev/null || { echo "perf is missing (Debian: linux-perf)" >&2; exit 2; }
[ -x "$plx71" ] || { echo "$plx71 missing (cmake --build --preset release --target plx71)" >&2; exit 2; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# task-clock in ms of one perf stat -r RUNS call.
clock() {
  perf stat -x, -e task-clock -r "$runs" "$@" 2>&1 >/dev/null | awk -F, '$3 == "task-clock" { print $1 }'
}
median() { sort -g | awk '{ v[NR] = $1 } END { m = int((NR + 1) / 2); printf "%.2f", NR % 2 ? v[m] : (v[m] + v[m + 1]) / 2 }'; }

names=(plx71 true)
commands=("$plx71 devices" "/bin/true")
if [ -n "${OTHER:-}" ]; then
  names+=(other)
  commands+=("$OTHER devices")
fi
for ((r = 0; r < rounds; r++)); do
  for i in "${!names[@]}"; do
    # shellcheck disable=SC2086
    clock ${commands[$i]} >>"$work/${names[$i]}"
  done
done
paste "$work/plx71" "$work/true" | awk '{ print $1 - $2 }' >"$work/diff"
echo "task-clock, ms: median of $rounds rounds of perf stat -r $runs"
printf '%-28s %8s\n' "plx71 devices" "$(median <"$work/plx71")" "/bin/true" "$(median <"$work/true")" \
  "plx71 devices - /bin/true" "$(median <"$work/diff")"
if [ -n "${OTHER:-}" ]; then
  printf '%-28s %8s\n' "other: $OTHER devices" "$(median <"$work/other")"
fi
