#!/usr/bin/env bash
# The line's page in headless Chromium: plx71line on a fresh SQLite file,
# filled through its API (two stations, 300 jobs, their live state, one
# release); the page must show the stations, the yield the API gives and the
# released digest, keep a label holding markup as text, run without a script
# error, and say "Line server not reachable" when the server stops
# (scripts/ci/line_page_check.py). Its pictures of the stations, yield and
# boxes views go to the guide (docs/guide/images/line-*.png), made small as
# the other guide pictures are.
#
#   scripts/ci/line_page_check.sh [build dir]     (default build/release)
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="${1:-$root/build/release}"
for tool in chromium pngquant optipng; do
  command -v "$tool" >/dev/null || { echo "$tool missing: run scripts/install-deps.sh" >&2; exit 2; }
done
preset=$(basename "$build")
if [ -f "$build/CMakeCache.txt" ] && grep -q "\"name\": \"$preset\"" "$root/CMakePresets.json"; then
  (cd "$root" && cmake --build --preset "$preset" --target plx71line >/dev/null)
fi
line=$build/bin/plx71line
[ -x "$line" ] || { echo "$line was not built" >&2; exit 1; }

work=$(mktemp -d /tmp/plx71-linepage-XXXXXX)
server_pid=""
cleanup() {
  if [ -n "$server_pid" ]; then kill "$server_pid" 2>/dev/null || true; wait "$server_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

mkdir -p "$work/tokens" "$work/shots"
for role in station engineer viewer; do
  "$line" token add --tokens "$work/plx71line.tokens" --role "$role" "check-$role" | tail -n 1 >"$work/tokens/$role"
done
port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
"$line" serve --db "sqlite:$work/line.db" --listen "127.0.0.1:$port" --tokens "$work/plx71line.tokens" \
  2>"$work/serve.log" &
server_pid=$!
for _ in $(seq 100); do
  grep -q '^plx71line: serving' "$work/serve.log" && break
  kill -0 "$server_pid" 2>/dev/null || break
  sleep 0.1
done
grep -q '^plx71line: serving' "$work/serve.log" || { cat "$work/serve.log" >&2; echo "plx71line did not start" >&2; exit 1; }
if grep -q "page's files" "$work/serve.log"; then cat "$work/serve.log" >&2; exit 1; fi

python3 "$root/scripts/ci/line_page_check.py" "http://127.0.0.1:$port" "$work/tokens" "$server_pid" "$work/shots"
wait "$server_pid" 2>/dev/null || true # the check stopped it
server_pid=""

images="$root/docs/guide/images"
. "$root/scripts/lib/pack_pictures.sh"
pack_pictures "$work/shots" "$images"
echo "line page pictures: $(ls "$work"/shots | tr '\n' ' ')in $images"
