# Sourced by the scripts that need a real PostgreSQL: a throw-away cluster
# of Debian's postgresql in a temporary folder, run by the postgres user
# (PostgreSQL refuses to run as root), on a free port of 127.0.0.1 only.
#
#   pg_start         starts it; sets $pg_url (postgresql://postgres@127.0.0.1:PORT/line)
#   pg_restart       stops it fast and starts it again on the same port
#   pg_stop          stops it and removes its folder (safe to call twice)
#   pg_sql SQL       runs SQL on the database and prints the rows (psql -At)
#
# The caller sets a trap that calls pg_stop.

pg_bin=${PG_BIN:-$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)}
pg_dir=""
pg_port=""
pg_url=""

pg_as_owner() {
  if [ "$(id -u)" = 0 ]; then runuser -u postgres -- "$@"; else "$@"; fi
}

pg_free_port() {
  python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

pg_ctl_start() {
  pg_as_owner "$pg_bin/pg_ctl" -D "$pg_dir/data" -l "$pg_dir/log" -w -t 60 start \
    -o "-p $pg_port -k $pg_dir -c listen_addresses=127.0.0.1 -c fsync=on" >/dev/null
}

pg_start() {
  [ -x "$pg_bin/initdb" ] || { echo "PostgreSQL server missing: run scripts/install-deps.sh" >&2; return 2; }
  pg_dir=$(mktemp -d /tmp/plx71-pg-XXXXXX)
  [ "$(id -u)" = 0 ] && chown postgres "$pg_dir"
  chmod 755 "$pg_dir"
  pg_as_owner "$pg_bin/initdb" -D "$pg_dir/data" -A trust -U postgres >/dev/null
  pg_port=$(pg_free_port)
  pg_ctl_start
  pg_as_owner "$pg_bin/createdb" -h 127.0.0.1 -p "$pg_port" -U postgres line
  pg_url="postgresql://postgres@127.0.0.1:$pg_port/line"
}

pg_restart() {
  pg_as_owner "$pg_bin/pg_ctl" -D "$pg_dir/data" -m fast -w stop >/dev/null
  pg_ctl_start
}

pg_stop() {
  if [ -n "$pg_dir" ] && [ -d "$pg_dir/data" ]; then
    pg_as_owner "$pg_bin/pg_ctl" -D "$pg_dir/data" -m fast -w stop >/dev/null 2>&1 || true
  fi
  [ -n "$pg_dir" ] && rm -rf "$pg_dir"
  pg_dir=""
}

pg_sql() {
  "$pg_bin/psql" -X -q -At -v ON_ERROR_STOP=1 "$pg_url" -c "$1"
}
