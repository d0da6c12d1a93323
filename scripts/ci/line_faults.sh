#!/usr/bin/env bash
# The line under faults, with the real programs: plx71 jobs against plx71sim
# boxes shipping to plx71line, on SQLite and on a throw-away PostgreSQL.
# Every check ends by comparing the jobIds of the stations' record files with
# those the server holds (read through its API): each line arrives, once.
#   1. the server SIGKILLed while 20 jobs run, and again mid-batch while a
#      backlog of 3000 lines is pushed; started again, all arrive once
#   2. PostgreSQL restarted while stations ship: the server reconnects
#   3. bad bodies: 413, 400 or stored as written; the server stays up
#   4. a read-only SQLite file, and a full disk (a small tmpfs): 503, the
#      lines wait at the station, nothing half-written; then all arrive
#   5. two stations and a gang shipping at once to one SQLite server
#   6. two servers on one PostgreSQL, stations and one backlog shipped to both
#
#   scripts/ci/line_faults.sh [BUILD]     # default build/debug (built here)
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$PWD
build=${1:-build/debug}
cmake --build "$build" --target plx71 plx71sim plx71line plx71_line_http >/dev/null
# shellcheck source=scripts/lib/bench_box.sh
. scripts/lib/bench_box.sh
# shellcheck source=scripts/lib/throwaway_postgres.sh
. scripts/lib/throwaway_postgres.sh
bench_binaries "$build"
line=$root/$build/bin/plx71line
project=$root/examples/demo_project.pxp
work=$(mktemp -d /tmp/plx71-linefaults-XXXXXX)
declare -A server_pid=() server_port=()
small=""

stop_server() { # NAME [SIGNAL]
  local pid=${server_pid[$1]:-}
  [ -n "$pid" ] || return 0
  kill "-${2:-TERM}" "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  server_pid[$1]=""
}
cleanup() {
  local name
  for name in "${!server_pid[@]}"; do stop_server "$name"; done
  stop_box
  pg_stop
  [ -n "$small" ] && umount "$small" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "line faults: $*" >&2
  for f in "$work"/*.log "$work"/push.out "$work"/jobs.out; do
    [ -s "$f" ] && { echo "--- $(basename "$f"), last lines:"; tail -n 4 "$f"; } >&2
  done
  exit 1
}

"$line" token add --tokens "$work/tokens" --role station stations | tail -n 1 >"$work/station.token"
"$line" token add --tokens "$work/tokens" --role viewer reader | tail -n 1 >"$work/viewer.token"

# start_server NAME DB [COMMAND PREFIX ...]: on the port NAME had before, if
# any; the token file is $tokens.
tokens=$work/tokens
start_server() {
  local name=$1 db=$2 port
  shift 2
  port=${server_port[$name]:-$(pg_free_port)}
  server_port[$name]=$port
  "$@" "$line" serve --db "$db" --listen "127.0.0.1:$port" --tokens "$tokens" >>"$work/$name.log" 2>&1 &
  server_pid[$name]=$!
  for _ in $(seq 200); do
    curl -s -o /dev/null "http://127.0.0.1:$port/metrics" && return 0
    kill -0 "${server_pid[$name]}" 2>/dev/null || break
    sleep 0.05
  done
  cat "$work/$name.log" >&2
  fail "plx71line $name did not start"
}
url() { echo "http://127.0.0.1:${server_port[$1]}"; }

# job NAME STATION RECORD PORT...: one download on the boxes, shipping to
# server NAME. Its outcome does not matter here (a loaded machine may make a
# box's link fail): every job appends its line, and that line must arrive.
job() {
  local name=$1 station=$2 record=$3 ports=()
  shift 3
  for p in "$@"; do ports+=(--port "$p"); done
  "$plx71" download -q --baud 115200 "$project" "${ports[@]}" --record "$record" --station-name "$station" \
    --line "$(url "$name")" --line-token "$work/station.token" >>"$work/jobs.out" 2>&1 || true
}
push() { # NAME RECORD: may leave lines waiting (exit 1)
  "$line" push --line "$(url "$1")" --line-token "$work/station.token" "$2" >>"$work/push.out" 2>&1
}
ids_in_files() { python3 -c 'import json, sys
for f in sys.argv[1:]:
    for line in open(f, encoding="utf-8", errors="replace"):
        try: print(json.loads(line)["jobId"])
        except Exception: pass' "$@" | sort; }
ids_on_server() { # NAME: every jobId the server holds, page by page
  python3 - "$(url "$1")" "$(cat "$work/viewer.token")" <<'PY' | sort
import json, sys, urllib.request
base, token, before = sys.argv[1], sys.argv[2], ""
while True:
    req = urllib.request.Request(base + "/api/v1/jobs?limit=1000" + ("&before=" + before if before else ""),
                                 headers={"Authorization": "Bearer " + token})
    page = json.load(urllib.request.urlopen(req, timeout=30))
    for job in page["jobs"]:
        print(job["jobId"])
    if not page["next"]:
        break
    before = page["next"]
PY
}
# expect_once NAME FILE...: the server holds exactly the jobIds of the files, each once.
expect_once() {
  local name=$1
  shift
  ids_in_files "$@" >"$work/want"
  ids_on_server "$name" >"$work/have"
  [ -s "$work/want" ] || fail "no record lines in $*"
  [ -z "$(uniq -d "$work/have")" ] || fail "$name holds a job twice: $(uniq -d "$work/have" | head -n 3)"
  [ -z "$(uniq -d "$work/want")" ] || fail "the record files hold a jobId twice"
  diff -q "$work/want" "$work/have" >/dev/null ||
    fail "$name holds $(wc -l <"$work/have") jobs, the stations wrote $(wc -l <"$work/want"): $(diff "$work/want" "$work/have" | head -n 5)"
}
backlog() { # FILE LINES: record lines as a station writes them, with new jobIds
  python3 - "$1" "$2" <<'PY'
import json, sys, uuid
with open(sys.argv[1], "w") as f:
    for n in range(int(sys.argv[2])):
        f.write(json.dumps({"time": "2024-05-01T06:00:00Z", "command": "download", "outcome": "success",
                            "exitCode": 0, "jobId": str(uuid.uuid4()), "station": "carried", "port": "COM1",
                            "devicePath": "/dev/ttyUSB0", "verified": True, "label": "x" * 400, "slot": n}) + "\n")
PY
}
wait_lines() { # FILE N: until FILE holds N lines (jobs run in the background)
  for _ in $(seq 1200); do [ "$(wc -l 2>/dev/null <"$1" || echo 0)" -ge "$2" ] && return 0; sleep 0.05; done
  fail "$1 did not reach $2 lines"
}
status_of() { # NAME BODY-FILE: the HTTP status of a POST
  curl -s -o "$work/answer" -w '%{http_code}' -H "Authorization: Bearer $(cat "$work/station.token")" \
    -H 'Content-Type: application/json' --data-binary "@$2" "$(url "$1")/api/v1/records"
}

for i in 1 2 3 4; do start_box_on "$work/tty$i" --busy-ms 1; done
pg_start

echo "== 1. SIGKILL while 20 jobs run, and mid-batch while a backlog is pushed"
start_server kill "sqlite:$work/kill.db"
(for i in $(seq 20); do job kill A "$work/kill-a.jsonl" "$work/tty1"; done) &
jobs_pid=$!
wait_lines "$work/kill-a.jsonl" 5
stop_server kill KILL
wait_lines "$work/kill-a.jsonl" 10
start_server kill "sqlite:$work/kill.db"
wait "$jobs_pid"
push kill "$work/kill-a.jsonl" || fail "push after the restart left lines waiting: $(tail -n 2 "$work/push.out")"
expect_once kill "$work/kill-a.jsonl"
backlog "$work/carried.jsonl" 3000
push kill "$work/carried.jsonl" &
push_pid=$!
sleep 0.5
stop_server kill KILL
wait "$push_pid" || true
start_server kill "sqlite:$work/kill.db"
push kill "$work/carried.jsonl" || fail "push after the kill left lines waiting"
expect_once kill "$work/kill-a.jsonl" "$work/carried.jsonl"
echo "ok: 20 jobs and 3000 carried lines, each once, after two SIGKILLs"

echo "== 2. PostgreSQL restarted while stations ship"
start_server pg "$pg_url"
backlog "$work/pg-carried.jsonl" 2000
(for i in $(seq 8); do job pg B "$work/pg-b.jsonl" "$work/tty2"; done) &
jobs_pid=$!
push pg "$work/pg-carried.jsonl" &
push_pid=$!
wait_lines "$work/pg-b.jsonl" 3
pg_restart
wait "$jobs_pid"
wait "$push_pid" || true
push pg "$work/pg-b.jsonl" || fail "push of B after the restart left lines waiting"
push pg "$work/pg-carried.jsonl" || fail "push of the backlog after the restart left lines waiting"
expect_once pg "$work/pg-b.jsonl" "$work/pg-carried.jsonl"
grep -q 'store unavailable' "$work/pg.log" && echo "(the server answered 503 while PostgreSQL was away)"
echo "ok: the server reconnected; nothing lost, nothing twice"
stop_server pg

echo "== 3. bad bodies"
python3 - "$work" <<'PY'
import sys
w = sys.argv[1]
bodies = {
    "large": b'{"records":[' + b'{"jobId":"big","pad":"' + b"x" * (5 << 20) + b'"}]}',
    "malformed": b'{"records":[{"jobId":"m1"',
    "nojobid": b'{"records":[{"time":"2024-05-01T06:00:00Z"}]}',
    "jobidtype": b'{"records":[{"jobId":17}]}',
    "recordstype": b'{"records":{"jobId":"r1"}}',
    "fieldtypes": b'{"records":[{"jobId":"types-1","time":5,"exitCode":"zero","verified":"yes","slot":[1]}]}',
    "hostile": b'{"records":[{"jobId":"hostile-1","label":"\'); DROP TABLE jobs; --"}]}',
    "notutf8": b'{"records":[{"jobId":"u1","label":"\xff\xfe"}]}',
}
for name, body in bodies.items():
    open(f"{w}/{name}.json", "wb").write(body)
PY
for case in large:413 malformed:400 nojobid:400 jobidtype:400 recordstype:400 fieldtypes:200 hostile:200 notutf8:400; do
  got=$(status_of kill "$work/${case%%:*}.json")
  [ "$got" = "${case#*:}" ] || fail "${case%%:*}: $got, not ${case#*:}: $(head -c 200 "$work/answer")"
done
kill -0 "${server_pid[kill]}" || fail "the server ended on a bad body"
hostile=$(curl -s -H "Authorization: Bearer $(cat "$work/viewer.token")" "$(url kill)/api/v1/jobs?limit=1000" |
  python3 -c 'import json, sys; print([j["label"] for j in json.load(sys.stdin)["jobs"] if j["jobId"] == "hostile-1"][0])')
[ "$hostile" = "'); DROP TABLE jobs; --" ] || fail "the hostile label came back as: $hostile"
echo "ok: 413 and 400 as they should, odd types and a hostile label stored as written, the server up"
stop_server kill

echo "== 4. a read-only SQLite file, and a full disk"
mkdir "$work/ro"
chmod 711 "$work"
cp "$work/tokens" "$work/ro/tokens"
tokens=$work/ro/tokens
start_server ro "sqlite:$work/ro/line.db"
job ro C "$work/ro-c.jsonl" "$work/tty3"
stop_server ro
chown -R nobody "$work/ro"
chmod 444 "$work/ro/line.db"
# As root every file is writable: the server runs as nobody.
start_server ro "sqlite:$work/ro/line.db" setpriv --reuid=nobody --regid=nogroup --clear-groups
job ro C "$work/ro-c.jsonl" "$work/tty3"
grep -q 'waiting for the line server (server answered 503)' "$work/jobs.out" ||
  fail "the station did not keep its line on a 503: $(tail -n 2 "$work/jobs.out")"
stop_server ro
# SQLite made its -wal and -shm files read-only too, like the database.
chmod 644 "$work"/ro/line.db*
start_server ro "sqlite:$work/ro/line.db" setpriv --reuid=nobody --regid=nogroup --clear-groups
push ro "$work/ro-c.jsonl" || fail "push to the writable file again left lines waiting"
expect_once ro "$work/ro-c.jsonl"
stop_server ro
tokens=$work/tokens
echo "ok: read-only: 503, the line waited at the station, then arrived"
small=$work/small
mkdir "$small"
if mount -t tmpfs -o size=400k tmpfs "$small" 2>/dev/null; then
  backlog "$work/full.jsonl" 1500
  start_server full "sqlite:$small/line.db"
  push full "$work/full.jsonl" && fail "1500 lines fit in 400 KiB"
  grep -q 'server answered 503' "$work/push.out" || fail "a full disk was no 503: $(tail -n 2 "$work/push.out")"
  held=$(sqlite3 "$small/line.db" 'SELECT COUNT(*) FROM jobs')
  counted=$(sqlite3 "$small/line.db" 'SELECT COALESCE(SUM(jobs), 0) FROM job_counts')
  [ "$held" = "$counted" ] || fail "half written: $held jobs, $counted counted"
  stop_server full
  mount -o remount,size=64m "$small"
  start_server full "sqlite:$small/line.db"
  push full "$work/full.jsonl" || fail "push after the disk grew left lines waiting"
  expect_once full "$work/full.jsonl"
  stop_server full
  echo "ok: full disk: 503 after $held lines, nothing half-written, then all arrived"
else
  echo "full disk: skipped (no right to mount a tmpfs here)"
fi

echo "== 5. two stations and a gang at once, one SQLite server"
start_server busy "sqlite:$work/busy.db"
(for i in $(seq 10); do job busy D "$work/busy-d.jsonl" "$work/tty1"; done) &
d=$!
(for i in $(seq 10); do job busy E "$work/busy-e.jsonl" "$work/tty2"; done) &
e=$!
(for i in $(seq 5); do job busy G "$work/busy-g.jsonl" "$work/tty3" "$work/tty4"; done) &
g=$!
wait "$d" "$e" "$g"
for f in d e g; do push busy "$work/busy-$f.jsonl" >/dev/null || true; done
expect_once busy "$work/busy-d.jsonl" "$work/busy-e.jsonl" "$work/busy-g.jsonl"
echo "ok: $(wc -l <"$work/have") lines from three writers, each once"
stop_server busy

echo "== 6. two servers on one PostgreSQL"
start_server pg1 "$pg_url"
start_server pg2 "$pg_url"
backlog "$work/both.jsonl" 2000
cp "$work/both.jsonl" "$work/both-copy.jsonl"
(for i in $(seq 5); do job pg1 F "$work/two-f.jsonl" "$work/tty1"; done) &
f=$!
(for i in $(seq 5); do job pg2 H "$work/two-h.jsonl" "$work/tty2"; done) &
h=$!
push pg1 "$work/both.jsonl" &
p1=$!
push pg2 "$work/both-copy.jsonl" &
p2=$!
wait "$f" "$h" "$p1" "$p2"
expect_once pg1 "$work/pg-b.jsonl" "$work/pg-carried.jsonl" "$work/two-f.jsonl" "$work/two-h.jsonl" "$work/both.jsonl"
echo "ok: one backlog pushed to both servers at once and two stations: each line stored once"
echo "line faults: all checks passed"
