#!/usr/bin/env bash
# Start-up time of the two GUI programs: from starting a fresh process to its
# first drawn window (the paint pass and its flush done), under Xvfb. Each
# program prints the wall-clock time of that moment and ends when
# PLX71_EXIT_AFTER_FIRST_PAINT is set. Prints the median, the fastest and the
# slowest of the runs, the median time to the process's end and the median
# CPU time (user + system; on a busy machine it says more than the wall time).
#
#   scripts/bench/bench_startup.sh                      # build/release/bin, 10 runs each
#   BIN_DIR=/usr/bin RUNS=20 scripts/bench/bench_startup.sh
#   UNCONTENDED=1 scripts/bench/bench_startup.sh        # as root: Xvfb and the programs
#                                                 # at real-time priority (chrt)
#
# On a busy machine the wall times mostly measure the wait for a CPU; the CPU
# column and an UNCONTENDED run say what the programs themselves cost.
#
# Every run starts a new process; files the programs read stay in the page
# cache between runs (the figures are for a program started again, not for
# the first start after boot).
set -euo pipefail
cd "$(dirname "$0")/../.."
bin=${BIN_DIR:-build/release/bin}
runs=${RUNS:-10}
programs=(PLX71RD Plx71Ldr)
for p in "${programs[@]}"; do
  [ -x "$bin/$p" ] || { echo "$bin/$p missing (cmake --build --preset release)" >&2; exit 2; }
done
command -v Xvfb >/dev/null || { echo "Xvfb missing (Debian: xvfb)" >&2; exit 2; }
if [ -n "${UNCONTENDED:-}" ]; then
  # Everything started from here on inherits the real-time policy.
  chrt -f -p 10 $$ >/dev/null || { echo "UNCONTENDED needs root (chrt)" >&2; exit 2; }
fi

work=$(mktemp -d /tmp/plx71-startup-XXXXXX)
xvfb_pid=""
cleanup() {
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; wait "$xvfb_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

. scripts/lib/virtual_display.sh
start_virtual_display "$work"
unset WAYLAND_DISPLAY
export QT_QPA_PLATFORM=xcb

# One run: prints the ms from the start to the first drawn window, to the
# process's end, the CPU ms (user + system), then the ms of each stage: to
# main(), to a constructed QApplication (display connection, platform
# plugin), to the built window (device table, widgets), to its first paint.
run_once() {
  local program=$1 start end out cpu TIMEFORMAT='%3U %3S'
  start=${EPOCHREALTIME/[.,]/}
  { time out=$(PLX71_EXIT_AFTER_FIRST_PAINT=1 timeout 30 "$bin/$program" 2>"$work/stderr"); } 2>"$work/cpu"
  end=${EPOCHREALTIME/[.,]/}
  cpu=$(awk '{ printf "%.1f", ($1 + $2) * 1000 }' "$work/cpu")
  if ! grep -q '^stage first-paint ' <<<"$out"; then
    cat "$work/stderr" >&2
    echo "$program drew no window" >&2
    return 1
  fi
  awk -v s="$start" -v e="$end" -v c="$cpu" '
    $1 == "stage" { t[$2] = $3 / 1000 } # microseconds
    END {
      printf "%.1f %.1f %s %.1f %.1f %.1f %.1f\n", (t["first-paint"] - s) / 1000, (e - s) / 1000, c,
        (t["main"] - s) / 1000, (t["qapplication"] - t["main"]) / 1000,
        (t["window"] - t["qapplication"]) / 1000, (t["first-paint"] - t["window"]) / 1000
    }' <<<"$out"
}

# Numbers on stdin: "median fastest slowest".
stats() {
  sort -n | awk '{ v[NR] = $1 }
    END { m = int((NR + 1) / 2); printf "%.1f %.1f %.1f\n", NR % 2 ? v[m] : (v[m] + v[m + 1]) / 2, v[1], v[NR] }'
}

echo "start-up to the first drawn window, $runs runs each, times in ms (Xvfb $DISPLAY${UNCONTENDED:+, real-time priority})"
printf '%-10s %8s %8s %8s %8s %8s | %8s %8s %8s %8s\n' program median fastest slowest "to exit" CPU \
  "main()" QApp window paint
for program in "${programs[@]}"; do
  run_once "$program" >/dev/null # the first start fills the page cache
  : >"$work/times"
  for ((i = 0; i < runs; i++)); do run_once "$program" >>"$work/times"; done
  read -r median fastest slowest < <(cut -d' ' -f1 "$work/times" | stats)
  medians=()
  for column in 2 3 4 5 6 7; do
    read -r m _ < <(cut -d' ' -f"$column" "$work/times" | stats)
    medians+=("$m")
  done
  printf '%-10s %8s %8s %8s %8s %8s | %8s %8s %8s %8s\n' "$program" "$median" "$fastest" "$slowest" "${medians[@]}"
done
echo "median, fastest, slowest: to the first drawn window; to exit, CPU (user + system) and the"
echo "stages (start to main(), to QApplication, to the built window, to its first paint): medians"
echo "target: under 150 ms to the first drawn window"
