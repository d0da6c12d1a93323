#!/usr/bin/env bash
# The Windows build of the line server under Wine, with SQLite on this
# machine's loopback: plx71line.exe makes its tokens and serves; the Linux
# plx71line pushes 250 record lines to it (twice: the second time each is a
# duplicate), then the API answers 401 without a token, 413 for a body over
# 4 MiB, and holds each line once in the SQLite file. Last, the Windows
# build's Plx71Station, given the line server, ships the 40 lines waiting in
# its record file through WinHTTP and posts its live status.
# Usage: scripts/windows/wine_line_check.sh [windows build dir] (default
# build-windows); the Linux plx71line from build/debug or build/release.
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="$(cd "${1:-$root/build-windows}" && pwd)"
exe="$build/bin/plx71line.exe"
station_exe="$build/bin/Plx71Station.exe"
native=""
for candidate in "$root/build/debug/bin/plx71line" "$root/build/release/bin/plx71line"; do
  [ -z "$native" ] && [ -x "$candidate" ] && native=$candidate
done
for f in "$exe" "$station_exe"; do
  [ -f "$f" ] || { echo "$f missing (scripts/windows/cross_build_windows.sh)" >&2; exit 1; }
done
[ -n "$native" ] || { echo "plx71line missing in build/debug and build/release" >&2; exit 1; }
. "$root/scripts/windows/wine_prefix.sh"
wine_session line
fail() { echo "wine line check: $*" >&2; cat "$work/serve.log" >&2 2>/dev/null; exit 1; }

cd "$work"
wine "$exe" token add --tokens tokens --role station station-1 | tr -d '\r' | tail -n 1 >station.token
wine "$exe" token add --tokens tokens --role viewer reader | tr -d '\r' | tail -n 1 >viewer.token
grep -Eqx '[0-9a-f]{64}' station.token || fail "token add printed no token"
wine "$exe" serve --help | tr -d '\r' | grep -q 'no PostgreSQL support' || fail "serve --help does not say PostgreSQL is missing"
port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
wine "$exe" serve --db sqlite:line.db --listen "127.0.0.1:$port" --tokens tokens >serve.log 2>&1 &
pids+=($!)
for _ in $(seq 600); do curl -s -o /dev/null "http://127.0.0.1:$port/metrics" && break; sleep 0.1; done
grep -q '^plx71line: serving sqlite:line.db' serve.log || fail "plx71line.exe did not start"

python3 - <<'PY'
import json, uuid
with open("records.jsonl", "w", encoding="utf-8") as f:
    for n in range(250):
        f.write(json.dumps({"jobId": str(uuid.uuid4()), "time": "2024-05-01T06:00:00Z", "outcome": "success",
                            "label": "Prüfplatz ✓ %d" % n}, ensure_ascii=False) + "\n")
PY
"$native" push --line "http://127.0.0.1:$port" --line-token station.token records.jsonl | grep -q '^250 lines accepted' ||
  fail "the first push did not ship 250 lines"
rm records.jsonl.shipped
"$native" push --line "http://127.0.0.1:$port" --line-token station.token records.jsonl | grep -q '^250 lines accepted' ||
  fail "the second push was not accepted"
status() { curl -s -o /dev/null -w '%{http_code}' "$@"; }
[ "$(status "http://127.0.0.1:$port/api/v1/jobs")" = 401 ] || fail "no token was not 401"
head -c 5000000 /dev/zero >big
[ "$(status -H "Authorization: Bearer $(cat station.token)" -H 'Content-Type: application/json' --data-binary @big \
  "http://127.0.0.1:$port/api/v1/records")" = 413 ] || fail "a 5 MB body was not 413"
stations=$(curl -s -H "Authorization: Bearer $(cat viewer.token)" "http://127.0.0.1:$port/api/v1/stations")
[[ $stations == *'"jobs":250'* ]] || fail "the server holds not 250 jobs: $stations"

# The station's record file is its outbox: what waits there goes out as soon
# as the station knows its line server, without a box or a job.
python3 - <<'PY'
import json, uuid
with open("station.jsonl", "w", encoding="utf-8") as f:
    for n in range(40):
        f.write(json.dumps({"jobId": str(uuid.uuid4()), "time": "2024-05-01T07:00:00Z", "outcome": "success",
                            "slot": n % 4 + 1, "label": "Platz %d" % n}) + "\n")
PY
wine "$station_exe" -platform offscreen --record station.jsonl --line "http://127.0.0.1:$port" \
  --line-token station.token --station-name wine-station >station.log 2>&1 &
station_pid=$!
pids+=($station_pid)
viewer() { curl -s -H "Authorization: Bearer $(cat viewer.token)" "http://127.0.0.1:$port/api/v1/$1"; }
held=0
for _ in $(seq 1200); do
  held=$(viewer "jobs?station=wine-station&limit=1000" | python3 -c 'import json,sys; print(len(json.load(sys.stdin)["jobs"]))')
  [ "$held" = 40 ] && [ "$(tr -d '\r\n' <station.jsonl.shipped 2>/dev/null)" = "$(stat -c %s station.jsonl)" ] && break
  sleep 0.1
done
[ "$held" = 40 ] || { cat station.log >&2; fail "Plx71Station.exe shipped $held of its 40 lines"; }
[ "$(tr -d '\r\n' <station.jsonl.shipped)" = "$(stat -c %s station.jsonl)" ] || fail "the station's outbox mark is not at its end"
live=""
for _ in $(seq 300); do
  live=$(viewer stations | python3 -c '
import json, sys
for s in json.load(sys.stdin)["stations"]:
    if s["name"] == "wine-station" and s.get("live") is not None:
        print("live")')
  [ -n "$live" ] && break
  sleep 0.1
done
[ -n "$live" ] || fail "Plx71Station.exe posted no live status"
kill "$station_pid" 2>/dev/null || true
echo "plx71line.exe under Wine: 250 lines pushed twice, held once; 401 and 413 as they should;" \
  "Plx71Station.exe shipped its 40 waiting lines and posted its status"
