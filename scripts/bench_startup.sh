#!/usr/bin/env bash
# Start-up time of the two GUI programs: from starting a fresh process to its
# first drawn window (the paint pass and its flush done), under Xvfb. Each
# program prints the wall-clock time of that moment and ends when
# PLX71_EXIT_AFTER_FIRST_PAINT is set. Prints the median, the fastest and the
# slowest of the runs, and the median time to the process's end.
#
#   scripts/bench_startup.sh                      # build/release/bin, 10 runs each
#   BIN_DIR=/usr/bin RUNS=20 scripts/bench_startup.sh
#
# Every run starts a new process; files the programs read stay in the page
# cache between runs (the figures are for a program started again, not for
# the first start after boot).
set -euo pipefail
cd "$(dirname "$0")/.."
bin=${BIN_DIR:-build/release/bin}
runs=${RUNS:-10}
programs=(PLX71RD Plx71Ldr)
for p in "${programs[@]}"; do
  [ -x "$bin/$p" ] || { echo "$bin/$p missing (cmake --build --preset release)" >&2; exit 2; }
done
command -v Xvfb >/dev/null || { echo "Xvfb missing (Debian: xvfb)" >&2; exit 2; }

work=$(mktemp -d /tmp/plx71-startup-XXXXXX)
xvfb_pid=""
cleanup() {
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; wait "$xvfb_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

# Xvfb picks a free display and writes its number once it accepts clients.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.05; done
[ -s "$work/display" ] || { cat "$work/xvfb.log" >&2; echo "Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$(head -n 1 "$work/display")"
unset WAYLAND_DISPLAY
export QT_QPA_PLATFORM=xcb

# One run: prints "<ms to first paint> <ms to exit>".
run_once() {
  local program=$1 start paint end out
  start=${EPOCHREALTIME/[.,]/}
  out=$(PLX71_EXIT_AFTER_FIRST_PAINT=1 timeout 30 "$bin/$program" 2>"$work/stderr")
  end=${EPOCHREALTIME/[.,]/}
  paint=$(sed -n 's/^first-paint-ns \([0-9]*\)$/\1/p' <<<"$out")
  if [ -z "$paint" ]; then
    cat "$work/stderr" >&2
    echo "$program drew no window" >&2
    return 1
  fi
  awk -v s="$start" -v p="$paint" -v e="$end" 'BEGIN { printf "%.1f %.1f\n", (p / 1000 - s) / 1000, (e - s) / 1000 }'
}

# Numbers on stdin: "median fastest slowest".
stats() {
  sort -n | awk '{ v[NR] = $1 }
    END { m = int((NR + 1) / 2); printf "%.1f %.1f %.1f\n", NR % 2 ? v[m] : (v[m] + v[m + 1]) / 2, v[1], v[NR] }'
}

echo "start-up to the first drawn window, $runs runs each, times in ms (Xvfb $DISPLAY)"
printf '%-10s %8s %8s %8s %12s\n' program median fastest slowest "to exit"
for program in "${programs[@]}"; do
  run_once "$program" >/dev/null # the first start fills the page cache
  : >"$work/times"
  for ((i = 0; i < runs; i++)); do run_once "$program" >>"$work/times"; done
  read -r median fastest slowest < <(cut -d' ' -f1 "$work/times" | stats)
  read -r median_exit _ < <(cut -d' ' -f2 "$work/times" | stats)
  printf '%-10s %8s %8s %8s %12s\n' "$program" "$median" "$fastest" "$slowest" "$median_exit"
done
echo "target: under 150 ms to the first drawn window"
