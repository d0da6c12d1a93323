#!/usr/bin/env bash
# Figure of the line's page: from the page's navigation to its first chart
# drawn with data, in the browser's own timing (performance.now() when
# Chart.js has drawn, which the page writes into its DOM), with ROWS jobs in
# a throw-away PostgreSQL (a job every SPACING seconds, 8 stations of 16
# boxes; 2 % fail, some with a cause; every 40th job a check) and the
# stations' live state. One headless Chromium loads the page LOADS times
# after a first load that is not counted, with its cache off; prints every
# load and their median (the target is under 1 s), and the median and 95th
# percentile of each API request the page makes.
#
#   scripts/bench/bench_line_page.sh [ROWS] [LOADS]     # default 1000000 5
#   BUILD_DIR=build/debug SPACING=9 scripts/bench/bench_line_page.sh 100000 3
set -euo pipefail
cd "$(dirname "$0")/../.."
rows=${1:-1000000}
loads=${2:-5}
spacing=${SPACING:-9}
build=${BUILD_DIR:-build/release}
# shellcheck source=scripts/lib/throwaway_postgres.sh
. scripts/lib/throwaway_postgres.sh
work=$(mktemp -d /tmp/plx71-benchpage-XXXXXX)
server_pid=""
cleanup() {
  if [ -n "$server_pid" ]; then kill -TERM "$server_pid" 2>/dev/null || true; wait "$server_pid" 2>/dev/null || true; fi
  pg_stop
  rm -rf "$work"
}
trap cleanup EXIT

if [ "$build" = build/release ]; then
  cmake --preset release >/dev/null
  cmake --build --preset release --target plx71line >/dev/null
fi
line=$build/bin/plx71line
for role in station engineer viewer; do
  "$line" token add --tokens "$work/tokens" --role "$role" "bench-$role" | tail -n 1 >"$work/$role"
done

pg_start
port=$(pg_free_port)
"$line" serve --db "$pg_url" --listen "127.0.0.1:$port" --tokens "$work/tokens" 2>"$work/serve.log" &
server_pid=$!
url="http://127.0.0.1:$port"
for _ in $(seq 100); do grep -q '^plx71line: serving' "$work/serve.log" && break; sleep 0.1; done
grep -q '^plx71line: serving' "$work/serve.log" || { cat "$work/serve.log" >&2; exit 1; }
echo "PostgreSQL $("$pg_bin/postgres" --version | awk '{print $NF}'), plx71line from $build"

step=$(date +%s)
digest=$(printf 'cd%.0s' $(seq 32))
pg_sql "INSERT INTO jobs (job_id, job_time, received, station, slot, label, port, device, command, outcome,
          exit_code, verified, job_digest, duration_ms, cause, record)
        SELECT 'seed-' || g, t, t, 'station-' || g % 8, g % 16 + 1, 'board-7 #' || g, p, 'M30624FGFP', c, o,
               CASE WHEN o = 'success' THEN 0 ELSE 7 END, CASE WHEN o = 'success' THEN 1 ELSE 0 END, '$digest',
               9120, cause,
               json_build_object('time', to_char(to_timestamp(t) AT TIME ZONE 'UTC', 'YYYY-MM-DD\"T\"HH24:MI:SS\"Z\"'),
                 'host', 'pc-' || g % 4, 'programVersion', '1.30', 'command', c, 'outcome', o,
                 'exitCode', CASE WHEN o = 'success' THEN 0 ELSE 7 END, 'stableName', p, 'device', 'M30624FGFP',
                 'verified', o = 'success', 'durationMs', 9120, 'slot', g % 16 + 1, 'label', 'board-7 #' || g,
                 'jobId', 'seed-' || g, 'station', 'station-' || g % 8, 'jobDigest', '$digest',
                 'portProblem', CASE WHEN cause IS NULL THEN NULL ELSE json_build_object('cause', cause) END)
        FROM (SELECT g, extract(epoch FROM now())::bigint - ($rows - g) * $spacing AS t,
                     '/dev/serial/by-id/usb-PLX71_' || g % 8 || '_' || g % 16 AS p,
                     CASE WHEN g % 40 = 0 THEN 'verify' ELSE 'download' END AS c,
                     CASE WHEN g % 50 = 0 THEN 'verify-mismatch' WHEN g % 170 = 0 THEN 'no-answer'
                          WHEN g % 310 = 0 THEN 'port-busy' WHEN g % 290 = 0 THEN 'cancelled'
                          ELSE 'success' END AS o,
                     CASE WHEN g % 310 = 0 AND g % 50 <> 0 AND g % 170 <> 0 THEN 'held by another program'
                     END AS cause
              FROM generate_series(1, $rows) AS g) AS s" >/dev/null
pg_sql "INSERT INTO job_counts (station, outcome, jobs) SELECT station, outcome, COUNT(*) FROM jobs
        GROUP BY station, outcome ON CONFLICT (station, outcome) DO UPDATE SET jobs = excluded.jobs;
        INSERT INTO job_hours (hour, station, outcome, jobs)
        SELECT job_time - job_time % 3600, station, outcome, COUNT(*) FROM jobs GROUP BY 1, 2, 3
        ON CONFLICT (hour, station, outcome) DO UPDATE SET jobs = excluded.jobs;
        INSERT INTO stations (name, last_job_time) SELECT station, MAX(job_time) FROM jobs GROUP BY station
        ON CONFLICT (name) DO NOTHING;
        INSERT INTO boxes (station, port, device, last_job_id, last_time, last_outcome, slot)
        SELECT DISTINCT ON (station, port) station, port, device, job_id, job_time, outcome, slot FROM jobs
        ORDER BY station, port, job_time DESC;
        UPDATE boxes SET verified_job_id = v.job_id, verified_digest = v.job_digest, verified_time = v.job_time
        FROM (SELECT DISTINCT ON (station, port) station, port, job_id, job_digest, job_time FROM jobs
              WHERE verified = 1 ORDER BY station, port, job_time DESC) v
        WHERE v.station = boxes.station AND v.port = boxes.port;
        UPDATE boxes SET check_job_id = v.job_id, check_outcome = v.outcome, check_digest = v.job_digest,
          check_time = v.job_time
        FROM (SELECT DISTINCT ON (station, port) station, port, job_id, outcome, job_digest, job_time FROM jobs
              WHERE command = 'verify' ORDER BY station, port, job_time DESC) v
        WHERE v.station = boxes.station AND v.port = boxes.port" >/dev/null
pg_sql "VACUUM ANALYZE" >/dev/null
python3 - "$url" "$work" "$digest" <<'EOF'
import http.client, json, sys, urllib.parse
url, work, digest = sys.argv[1:]
u = urllib.parse.urlsplit(url)
def post(role, path, body):
    token = open(f"{work}/{role}").read().strip()
    c = http.client.HTTPConnection(u.hostname, u.port)
    c.request("POST", path, json.dumps(body), {"Authorization": "Bearer " + token, "Content-Type": "application/json"})
    r = c.getresponse(); r.read()
    assert r.status < 300, (path, r.status)
post("engineer", "/api/v1/releases", {"jobDigest": digest, "device": "M30624FGFP", "files": ["board-7.pxp"]})
for s in range(8):
    post("station", f"/api/v1/stations/station-{s}/status", {"project": "board-7.pxp", "jobDigest": digest, "tiles": [
        {"slot": n + 1, "label": f"Fixture {n + 1}", "port": f"/dev/serial/by-id/usb-PLX71_{s}_{n}",
         "state": "Running", "phase": "pages", "percent": 40, "counters": {"passed": 100, "failed": 2, "cancelled": 0}}
        for n in range(16)]})
EOF
echo "seeded in $(($(date +%s) - step)) s: $(pg_sql 'SELECT COUNT(*) FROM jobs') jobs (one every $spacing s," \
  "$(pg_sql "SELECT COUNT(*) FROM jobs WHERE job_time >= extract(epoch FROM now())::bigint - 86400") in the last 24 h)," \
  "$(pg_sql "SELECT pg_size_pretty(pg_database_size('line'))")"

echo "== page load to the first chart drawn (#yield): $loads loads after one to warm the browser up, no cache"
python3 - "$url" "$work/viewer" "$loads" <<'EOF'
import os, statistics, sys
sys.path.insert(0, os.path.join(os.getcwd(), "scripts", "lib"))
from headless_chromium import Chromium
url, token_file, loads = sys.argv[1], sys.argv[2], int(sys.argv[3])
page = url + "/#yield&token=" + open(token_file).read().strip()
figures = []
with Chromium(1400, 1000) as browser:
    browser.open("about:blank")
    browser.send("Network.enable")
    browser.send("Network.setCacheDisabled", {"cacheDisabled": True})
    for n in range(loads + 1):
        browser.navigate("about:blank")
        browser.wait_for("location.href === 'about:blank'", 10)
        browser.navigate(page)
        ms = float(browser.wait_for("document.getElementById('timing') && document.getElementById('timing').dataset.firstChartMs", 60))
        errors = browser.evaluate("document.getElementById('page-errors').textContent")
        if errors or browser.exceptions:
            sys.exit("the page failed: %r %r" % (errors, browser.exceptions))
        if n:
            figures.append(ms)
        print("load %d%s: first chart drawn at %.0f ms" % (n, " (warm-up)" if not n else "", ms))
print("median of %d: %.0f ms (target under 1000 ms)" % (len(figures), statistics.median(figures)))
EOF
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) cores"
since=$(date -u -d "@$(( $(date +%s) / 3600 * 3600 - 23 * 3600 ))" +%Y-%m-%dT%H:%M:%SZ)
echo "== the page's requests (median and 95th percentile of 30)"
for path in "/api/v1/stations" "/api/v1/yield?by=hour&since=$since" "/api/v1/summary?since=$since" "/api/v1/boxes" \
  "/api/v1/jobs?limit=100" "/api/v1/releases"; do
  printf '%-64s %s\n' "GET $path" "$(python3 scripts/bench/line_load.py latency "$url" "$work/viewer" "$path" 30)"
done
