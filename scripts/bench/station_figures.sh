#!/usr/bin/env bash
# Figures of Plx71Station against paced software writer boxes (each byte takes
# its real time on the line, so the figures are those of real boxes):
#   - one box alone, then BOXES (4) boxes from the window at once: the ratio
#     of their job times (the many should take no longer than the one);
#   - the event loop's worst delay during the many-box job, measured by a
#     10 ms timer of the window that notes how late it is served;
#   - cold start to the drawn window (a new process each run), median of RUNS
#     (RUNS=0 leaves it out);
#   - the many-box job twice more on a line (LINE=0 leaves it out): shipping
#     and status posting to a plx71line serve (SQLite, a free loopback port);
#     the loop's worst delay and the CPU time of the window's thread (which
#     the machine's load does not change) then; and, with a poller asking the server for
#     GET /api/v1/stations every 10 ms, the time from a tile's change of state
#     (Running, Verified) to the server answering it, median and slowest.
#
#   scripts/bench/station_figures.sh                 # build/release/bin, else build/debug/bin
#   BIN_DIR=build/release/bin RUNS=10 scripts/bench/station_figures.sh
#   BOXES=16 RUNS=0 scripts/bench/station_figures.sh # sixteen boxes, no cold start
#   BOXES=16 RUNS=0 ONE=0 scripts/bench/station_figures.sh  # only the sixteen on the line
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

# One job: prints its time and the loop's worst delay; every slot must end
# Verified. LINE_ARGS go to the station too.
LINE_ARGS=()
job() {
  local out=$work/job.out ports=()
  for p in "$@"; do ports+=(--port "$p"); done
  rm -f "$work/record.jsonl" "$work/record.jsonl.shipped"
  PLX71_STATION_BENCH=1 timeout 600 "$bin/Plx71Station" "$project" "${ports[@]}" --record "$work/record.jsonl" \
    "${LINE_ARGS[@]}" \
    >"$out" 2>"$work/job.err" || { cat "$work/job.err" >&2; echo "the station's job failed" >&2; exit 1; }
  if grep '^slot ' "$out" | grep -qv ' Verified$'; then
    cat "$out" "$work/record.jsonl" >&2
    echo "a box did not end Verified" >&2
    exit 1
  fi
  echo "$(sed -n 's/^job-ms //p' "$out") $(sed -n 's/^worst-loop-delay-ms //p' "$out") $(sed -n 's/^window-thread-cpu-ms //p' "$out")"
}

all=()
for i in $(seq "$boxes"); do all+=("$work/box$i"); done
if [ "${ONE:-1}" != 0 ]; then
  read -r one one_delay _ < <(job "$work/box1")
  read -r many many_delay many_cpu < <(job "${all[@]}")
  echo "one box:    job ${one} ms (worst event-loop delay ${one_delay} ms)"
  echo "$boxes boxes: job ${many} ms (worst event-loop delay ${many_delay} ms, window thread's CPU ${many_cpu} ms)"
  awk -v a="$many" -v b="$one" -v n="$boxes" 'BEGIN { printf "%d boxes / one box: %.3f (target <= 1.05)\n", n, a / b }'
  echo "worst event-loop delay during the $boxes-box job: ${many_delay} ms (target <= 50 ms)"
fi

if [ "${LINE:-1}" != 0 ]; then
  [ -x "$bin/plx71line" ] || { echo "$bin/plx71line missing (LINE=0 leaves the line out)" >&2; exit 2; }
  "$bin/plx71line" token add --tokens "$work/tokens" --role station bench | tail -n 1 >"$work/station.token"
  port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
  "$bin/plx71line" serve --db "sqlite:$work/line.db" --listen "127.0.0.1:$port" --tokens "$work/tokens" \
    >"$work/serve.log" 2>&1 &
  sims+=($!)
  for _ in $(seq 200); do curl -s -o /dev/null "http://127.0.0.1:$port/metrics" && break; sleep 0.05; done
  LINE_ARGS=(--line "http://127.0.0.1:$port" --line-token "$work/station.token" --station-name bench)
  read -r lined lined_delay lined_cpu < <(job "${all[@]}")
  echo "$boxes boxes on the line: job ${lined} ms (worst event-loop delay ${lined_delay} ms, target <= 50 ms;" \
    "window thread's CPU ${lined_cpu} ms)"
  # The poller notes when the server first answers each tile's state.
  python3 - "$port" "$work/station.token" "$work/seen" <<'PY' &
import json, sys, time, urllib.request
port, token, out = sys.argv[1], open(sys.argv[2]).read().strip(), sys.argv[3]
request = urllib.request.Request("http://127.0.0.1:%s/api/v1/stations" % port,
                                 headers={"Authorization": "Bearer " + token})
last = {}
with open(out, "w") as f:
    while True:
        try:
            stations = json.load(urllib.request.urlopen(request, timeout=2))["stations"]
        except Exception:
            time.sleep(0.01)
            continue
        now = int(time.time() * 1000)
        for s in stations:
            for t in ((s.get("live") or {}).get("tiles") or []):
                if last.get(t["slot"]) != t["state"]:
                    last[t["slot"]] = t["state"]
                    f.write("%d %s %d\n" % (t["slot"], t["state"].replace(" ", "_"), now))
                    f.flush()
        time.sleep(0.01)
PY
  poller=$!
  sims+=($poller)
  read -r polled polled_delay _ < <(job "${all[@]}")
  sleep 1 # the last change reaches the server within its 0.5 s gap
  kill "$poller" 2>/dev/null || true
  echo "$boxes boxes on the line, the server polled: job ${polled} ms (worst event-loop delay ${polled_delay} ms)"
  grep -E '^tile [0-9]+ (Running|Verified) ' "$work/job.out" | sed 's/^tile //' >"$work/changed" || true
  python3 - "$work/changed" "$work/seen" <<'PY'
import sys
changed = [l.split() for l in open(sys.argv[1]) if l.strip()]
seen = [l.split() for l in open(sys.argv[2]) if l.strip()]
lat = []
for slot, state, t in changed:
    later = [int(s[2]) for s in seen if s[0] == slot and s[1] == state and int(s[2]) >= int(t)]
    if later:
        lat.append(min(later) - int(t))
lat.sort()
if not lat:
    sys.exit("the line server never had a tile's change")
print("tile change to the line server (GET /api/v1/stations, polled every 10 ms): "
      "median %d ms, slowest %d ms, %d of %d changes seen" % (lat[(len(lat) - 1) // 2], lat[-1], len(lat), len(changed)))
PY
  ships=$(curl -s -H "Authorization: Bearer $(cat "$work/station.token")" \
    "http://127.0.0.1:$port/api/v1/jobs?station=bench&limit=1000" | python3 -c 'import json,sys; print(len(json.load(sys.stdin)["jobs"]))')
  echo "record lines on the line server: $ships of $((2 * boxes))"
fi
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
