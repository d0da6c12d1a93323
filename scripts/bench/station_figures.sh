#!/usr/bin/env bash
# Figures of Plx71Station against paced software writer boxes (each byte takes
# its real time on the line, so the figures are those of real boxes):
#   - one box alone, then BOXES (4) boxes from the window at once: the ratio
#     of their job times (the many should take no longer than the one);
#   - the event loop's worst delay during the many-box job, measured by a
#     10 ms timer of the window that notes how late it is served;
#   - cold start to the drawn window (a new process each run), median of RUNS
#     (RUNS=0 leaves it out).
#
#   scripts/bench/station_figures.sh                 # build/release/bin, else build/debug/bin
#   BIN_DIR=build/release/bin RUNS=10 scripts/bench/station_figures.sh
#   BOXES=16 RUNS=0 scripts/bench/station_figures.sh # sixteen boxes, no cold start
#
# With DISPLAY set the window goes to that X server (xcb); without it, Qt's
# offscreen platform draws it. The program's settings go to a temporary
# folder, never the user's.
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$PWD
bin=${BIN_DIR:-}
if [ -z "$bin" ]; then
  bin=build/release/bin
  [ -x "$bin/Plx71Station" ] || bin=build/debug/bin
fi
runs=${RUNS:-10}
boxes=${BOXES:-4}
for p in Plx71Station plx71sim; do
  [ -x "$bin/$p" ] || { echo "$bin/$p missing (cmake --build --preset release)" >&2; exit 2; }
done
if [ -n "${DISPLAY:-}" ]; then export QT_QPA_PLATFORM=xcb; else export QT_QPA_PLATFORM=offscreen; fi

work=$(mktemp -d /tmp/plx71-station-bench-XXXXXX)
sims=()
cleanup() {
  for pid in "${sims[@]}"; do kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT
export XDG_CONFIG_HOME=$work/config HOME=$work
project=$root/examples/demo_project.pxp

for i in $(seq "$boxes"); do
  "$bin/plx71sim" --pace --link "$work/box$i" >"$work/sim$i.out" 2>&1 &
  sims+=($!)
done
for i in $(seq "$boxes"); do
  for _ in $(seq 100); do [ -e "$work/box$i" ] && break; sleep 0.05; done
  [ -e "$work/box$i" ] || { cat "$work/sim$i.out" >&2; echo "box $i did not start" >&2; exit 1; }
done

# One job: prints its time and the loop's worst delay; every slot must end Verified.
job() {
  local out=$work/job.out ports=()
  for p in "$@"; do ports+=(--port "$p"); done
  rm -f "$work/record.jsonl"
  PLX71_STATION_BENCH=1 timeout 600 "$bin/Plx71Station" "$project" "${ports[@]}" --record "$work/record.jsonl" \
    >"$out" 2>"$work/job.err" || { cat "$work/job.err" >&2; echo "the station's job failed" >&2; exit 1; }
  if grep '^slot ' "$out" | grep -qv ' Verified$'; then
    cat "$out" "$work/record.jsonl" >&2
    echo "a box did not end Verified" >&2
    exit 1
  fi
  echo "$(sed -n 's/^job-ms //p' "$out") $(sed -n 's/^worst-loop-delay-ms //p' "$out")"
}

read -r one one_delay < <(job "$work/box1")
all=()
for i in $(seq "$boxes"); do all+=("$work/box$i"); done
read -r many many_delay < <(job "${all[@]}")
echo "one box:    job ${one} ms (worst event-loop delay ${one_delay} ms)"
echo "$boxes boxes: job ${many} ms (worst event-loop delay ${many_delay} ms)"
awk -v a="$many" -v b="$one" -v n="$boxes" 'BEGIN { printf "%d boxes / one box: %.3f (target <= 1.05)\n", n, a / b }'
echo "worst event-loop delay during the $boxes-box job: ${many_delay} ms (target <= 50 ms)"
[ "$runs" -gt 0 ] || exit 0

# Cold start: from starting the process to its first drawn window.
times=()
for _ in $(seq "$runs"); do
  start=${EPOCHREALTIME/[.,]/}
  out=$(PLX71_EXIT_AFTER_FIRST_PAINT=1 timeout 30 "$bin/Plx71Station" 2>/dev/null)
  paint=$(sed -n 's/^stage first-paint //p' <<<"$out")
  [ -n "$paint" ] || { echo "no first paint reported" >&2; exit 1; }
  times+=("$(( (paint / 1000 - start) ))")
done
printf '%s\n' "${times[@]}" | sort -n | awk '{ t[NR] = $1 } END {
  printf "cold start to the drawn window: median %.1f ms, fastest %.1f ms, slowest %.1f ms over %d runs (target < 150 ms)\n",
    t[int((NR + 1) / 2)] / 1000, t[1] / 1000, t[NR] / 1000, NR }'
