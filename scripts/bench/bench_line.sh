#!/usr/bin/env bash
# Figures of the line server, release build, on a throw-away PostgreSQL and
# a SQLite file in /tmp:
#  - ingest: record lines per second into SQLite and into PostgreSQL, in
#    batches of 1 and of 100 (one client on one kept-alive connection, as a
#    station ships; each batch is a committed transaction);
#  - a backlog of 10,000 lines left by an outage, shipped by plx71line push
#    (batches of 100, as the stations ship): seconds until the server holds
#    all of them;
#  - with ROWS jobs in PostgreSQL (seeded by one generate_series insert, a job
#    every 9 s, so a million span about 104 days): median and 95th percentile
#    of GET /api/v1/yield?by=hour and /api/v1/jobs?limit=100 (the target is
#    under 100 ms each), and of a few more reads;
#  - the server's resident memory (VmRSS) after those reads.
#
#   scripts/bench/bench_line.sh [ROWS]      # default 1000000
#   BUILD_DIR=build/debug scripts/bench/bench_line.sh 100000
set -euo pipefail
cd "$(dirname "$0")/../.."
rows=${1:-1000000}
build=${BUILD_DIR:-build/release}
load="python3 scripts/bench/line_load.py"
# shellcheck source=scripts/lib/throwaway_postgres.sh
. scripts/lib/throwaway_postgres.sh
work=$(mktemp -d /tmp/plx71-benchline-XXXXXX)
server_pid=""
stop_server() {
  [ -n "$server_pid" ] || return 0
  kill -TERM "$server_pid" 2>/dev/null || true
  wait "$server_pid" 2>/dev/null || true
  server_pid=""
}
trap 'stop_server; pg_stop; rm -rf "$work"' EXIT

if [ "$build" = build/release ]; then
  cmake --preset release >/dev/null
  cmake --build --preset release --target plx71line >/dev/null
fi
line=$build/bin/plx71line
"$line" token add --tokens "$work/tokens" --role station bench | tail -n 1 >"$work/token"

# Starts the server on DB and a free port; sets $url.
start_server() {
  local port
  port=$(pg_free_port)
  : >"$work/serve.log"
  "$line" serve --db "$1" --listen "127.0.0.1:$port" --tokens "$work/tokens" 2>"$work/serve.log" &
  server_pid=$!
  url="http://127.0.0.1:$port"
  for _ in $(seq 100); do
    grep -q '^plx71line: serving' "$work/serve.log" && return 0
    kill -0 "$server_pid" 2>/dev/null || break
    sleep 0.1
  done
  cat "$work/serve.log" >&2
  echo "plx71line did not start" >&2
  exit 1
}

pg_start
echo "PostgreSQL $("$pg_bin/postgres" --version | awk '{print $NF}'), plx71line from $build"
echo "== ingest: record lines per second (about 1 KiB each)"
printf '%-12s %-44s %s\n' store "batches of 1 (2,000 lines)" "batches of 100 (20,000 lines)"
for store in sqlite postgresql; do
  if [ "$store" = sqlite ]; then db="sqlite:$work/line.db"; else db=$pg_url; fi
  start_server "$db"
  one=$($load ingest "$url" "$work/token" 1 2000)
  hundred=$($load ingest "$url" "$work/token" 100 20000)
  stop_server
  printf '%-12s %-44s %s\n' "$store" "$one" "$hundred"
done

echo "== a backlog of 10,000 lines after an outage, shipped by plx71line push"
python3 - "$work/backlog.jsonl" <<'PY'
import json, sys, uuid
sys.path.insert(0, "scripts/bench")
from line_load import record
with open(sys.argv[1], "w") as f:
    for n in range(10000):
        f.write(json.dumps(record(n)) + "\n")
PY
for store in sqlite postgresql; do
  if [ "$store" = sqlite ]; then db="sqlite:$work/line.db"; else db=$pg_url; fi
  rm -f "$work/backlog.jsonl.shipped"
  start_server "$db"
  began=$EPOCHREALTIME
  "$line" push --line "$url" --line-token "$work/token" "$work/backlog.jsonl" >/dev/null
  awk -v store="$store" -v a="$began" -v b="$EPOCHREALTIME" 'BEGIN { printf "%-12s %.1f s\n", store, b - a }'
  stop_server
done

echo "== $rows jobs in PostgreSQL"
step=$(date +%s)
pg_sql "INSERT INTO jobs (job_id, job_time, received, station, slot, label, port, device, command, outcome,
          exit_code, verified, job_digest, duration_ms, record)
        SELECT 'seed-' || g, t, t, 'station-' || g % 8, g % 16 + 1, 'board-7 #' || g, '/dev/ttyUSB' || g % 16,
               'M30624FGFP', 'download', o, CASE WHEN o = 'success' THEN 0 ELSE 7 END, 1, repeat('cd', 32), 9120,
               json_build_object('time', to_char(to_timestamp(t) AT TIME ZONE 'UTC', 'YYYY-MM-DD\"T\"HH24:MI:SS\"Z\"'),
                 'host', 'pc-' || g % 4, 'programVersion', '1.30', 'command', 'download', 'outcome', o,
                 'exitCode', CASE WHEN o = 'success' THEN 0 ELSE 7 END, 'port', 'slot' || g % 16 + 1,
                 'devicePath', '/dev/ttyUSB' || g % 16, 'device', 'M30624FGFP', 'pagesWritten', 1024,
                 'verified', o = 'success', 'durationMs', 9120, 'slot', g % 16 + 1, 'label', 'board-7 #' || g,
                 'jobId', 'seed-' || g, 'station', 'station-' || g % 8, 'jobDigest', repeat('cd', 32))
        FROM (SELECT g, extract(epoch FROM now())::bigint - ($rows - g) * 9 AS t,
                     CASE WHEN g % 50 = 0 THEN 'verify-mismatch' ELSE 'success' END AS o
              FROM generate_series(1, $rows) AS g) AS s" >/dev/null
pg_sql "INSERT INTO job_counts (station, outcome, jobs) SELECT station, outcome, COUNT(*) FROM jobs
        GROUP BY station, outcome ON CONFLICT (station, outcome) DO UPDATE SET jobs = excluded.jobs" >/dev/null
pg_sql "INSERT INTO job_hours (hour, station, outcome, jobs)
        SELECT job_time - job_time % 3600, station, outcome, COUNT(*) FROM jobs GROUP BY 1, 2, 3
        ON CONFLICT (hour, station, outcome) DO UPDATE SET jobs = excluded.jobs" >/dev/null
pg_sql "VACUUM ANALYZE" >/dev/null
echo "seeded in $(($(date +%s) - step)) s: $(pg_sql 'SELECT COUNT(*) FROM jobs') jobs," \
  "$(pg_sql "SELECT pg_size_pretty(pg_database_size('line'))")"
start_server "$pg_url"
for path in "/api/v1/yield?by=hour" "/api/v1/jobs?limit=100" "/api/v1/yield?by=shift" "/api/v1/yield?by=day" \
  "/api/v1/jobs?limit=100&station=station-2&outcome=verify-mismatch" "/api/v1/stations" "/metrics"; do
  printf '%-64s %s\n' "GET $path" "$($load latency "$url" "$work/token" "$path" 50)"
done
echo "server resident memory: $(awk '/^VmRSS:/ {print $2, $3}' "/proc/$server_pid/status")" \
  "(peak $(awk '/^VmHWM:/ {print $2, $3}' "/proc/$server_pid/status"))"
