#!/usr/bin/env bash
# Plx71Station of the Windows build under Wine: COM1 and COM2 of the prefix
# are two software writer boxes' pseudo-terminals; the Windows-built Qt test
# (win_station_com) opens the example project on both, presses Start all and
# needs both slots Verified. Then each box's stored job is read back on Linux
# and must carry the example's User ROM checksum.
#
#   scripts/ci/wine_station_check.sh [windows build dir]   # default build-windows
#
# plx71sim and plx71 (Linux) come from $PLX71SIM / $PLX71CLI, else from
# build/release or build/debug.
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="${1:-$root/build-windows}"
build="$(cd "$build" && pwd)"
bin="$build/bin"
sim="${PLX71SIM:-}"
cli="${PLX71CLI:-}"
for dir in "$root/build/release/bin" "$root/build/debug/bin"; do
  [ -z "$sim" ] && [ -x "$dir/plx71sim" ] && sim=$dir/plx71sim
  [ -z "$cli" ] && [ -x "$dir/plx71" ] && cli=$dir/plx71
done
for f in Plx71Station.exe win_station_com.exe; do
  [ -f "$bin/$f" ] || { echo "$bin/$f missing (scripts/windows/cross_build_windows.sh)" >&2; exit 1; }
done
[ -n "$sim" ] || { echo "plx71sim missing (build it, or set PLX71SIM)" >&2; exit 1; }
[ -n "$cli" ] || { echo "plx71 missing (build it, or set PLX71CLI)" >&2; exit 1; }

. "$root/scripts/windows/wine_prefix.sh"
wine_session station
export WINEDEBUG=-all,err+module
t0=$SECONDS

# Two boxes, each keeping its stored job in a state file.
declare -A pts
for n in 1 2; do
  "$sim" --link "$work/com$n" --state "$work/box$n.state" >"$work/sim$n.out" 2>&1 &
  pids+=($!)
  for _ in $(seq 50); do [ -e "$work/com$n" ] && break; sleep 0.1; done
  pts[$n]=$(readlink "$work/com$n" || true)
  [ -n "${pts[$n]}" ] || { cat "$work/sim$n.out"; echo "box $n did not start" >&2; exit 1; }
done
wine_map_com COM1 "${pts[1]}" COM2 "${pts[2]}"
echo "boxes on ${pts[1]} (COM1) and ${pts[2]} (COM2)"

# Qt Test's log goes to a file: under Wine its console output is lost.
log="$work/win_station_com.log"
if ! (cd "$root" && timeout 600 wine "$bin/win_station_com.exe" -platform offscreen -o "$log,txt") \
  >"$work/test.out" 2>&1; then
  cat "$work/test.out" "$log" 2>/dev/null
  echo "win_station_com: FAILED" >&2
  exit 1
fi
if grep -E 'could not (find|load) the Qt platform plugin|err:module:' "$work/test.out" >&2; then
  echo "a DLL or the Qt platform plugin is missing" >&2
  exit 1
fi
echo "win_station_com: $(grep -h '^Totals:' "$log" | tr -d '\r')"

# Each box's stored job, read back by the Linux tool from a fresh box on its state.
for n in 1 2; do
  kill "${pids[$((n - 1))]}"
  wait "${pids[$((n - 1))]}" 2>/dev/null || true
done
for n in 1 2; do
  "$sim" --link "$work/back$n" --state "$work/box$n.state" >"$work/back$n.out" 2>&1 &
  pids+=($!)
  for _ in $(seq 50); do [ -e "$work/back$n" ] && break; sleep 0.1; done
  PLX71_COM1="$work/back$n" "$cli" upload -o "$work/stored$n.pxp" --user-rom "$work/stored$n.hex" \
    >"$work/upload$n.out" 2>&1 || { cat "$work/upload$n.out"; echo "box $n: stored job unreadable" >&2; exit 1; }
  user=$("$cli" info "$work/stored$n.hex" --device M30624FGFP --area user | head -n 1)
  case "$user" in *28D9*) echo "box $n stored job: user area $user" ;;
    *) echo "box $n: user area checksum is not 28D9 ($user)" >&2; exit 1 ;; esac
done
echo "station under wine: both boxes Verified in $((SECONDS - t0)) s"
