#!/usr/bin/env bash
# The software writer box over many jobs: JOBS downloads (with their
# read-back) of examples/demo_project.pxp against one plx71sim, and the
# box's resident memory (VmRSS) at the start and after every STEP jobs.
# A box that keeps what it received grows with every job; a bounded one
# stays flat.
#
#   scripts/bench/bench_sim_memory.sh [JOBS] [STEP]     # default 150 jobs, every 50
#   BUILD_DIR=build/debug scripts/bench/bench_sim_memory.sh 150 25
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$(pwd)
jobs=${1:-150}
step=${2:-50}
# shellcheck source=scripts/lib/bench_box.sh
. scripts/lib/bench_box.sh
bench_binaries "${BUILD_DIR:-build/release}"
bench_work simmem

rss_kib() { awk '/^VmRSS:/ {print $2}' "/proc/$simpid/status"; }

start_box --busy-ms 1
echo "jobs  VmRSS (KiB)"
printf '%4d  %s\n' 0 "$(rss_kib)"
failed=0
for ((job = 1; job <= jobs; job++)); do
  "$plx71" download -q "$root/examples/demo_project.pxp" --port "$work/tty" >/dev/null 2>&1 || failed=$((failed + 1))
  if ((job % step == 0)); then printf '%4d  %s\n' "$job" "$(rss_kib)"; fi
done
stop_box
echo "failed jobs: $failed"
