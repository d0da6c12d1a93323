#!/usr/bin/env bash
# The picture of Plx71Station in the user guide: four slots against
# software writer boxes in four states (Verified, Failed after a read-back
# that found another byte, No box, Running on a box whose bytes take their
# real time), under Xvfb, optimised. The slots start by themselves (auto mode).
#
#   scripts/ci/station_picture.sh [OUTPUT.png]      # default docs/guide/images/station.png
#   XVFB_DISPLAY=:81 scripts/ci/station_picture.sh  # that display number (else a free one)
#
# The programs come from build/release/bin, else build/debug/bin (BIN_DIR).
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$PWD
out=${1:-docs/guide/images/station.png}
bin=${BIN_DIR:-build/release/bin}
[ -x "$bin/Plx71Station" ] || bin=build/debug/bin
for p in Plx71Station plx71sim; do
  [ -x "$bin/$p" ] || { echo "$bin/$p missing (cmake --build --preset release)" >&2; exit 2; }
done
bin=$(cd "$bin" && pwd) # BIN_DIR may be relative or absolute
for tool in Xvfb xdotool import optipng; do
  command -v $tool >/dev/null || { echo "$tool missing (Debian: xvfb xdotool imagemagick optipng)" >&2; exit 2; }
done

work=$(mktemp -d /tmp/plx71-station-picture-XXXXXX)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT
export XDG_CONFIG_HOME=$work/config HOME=$work

. "$root/scripts/lib/virtual_display.sh"
start_virtual_display "$work" 1280x800 "${XVFB_DISPLAY:-}"
pids+=("$xvfb_pid")
export QT_QPA_PLATFORM=xcb

box() { # link name, sim options...
  local link=$1
  shift
  "$bin/plx71sim" --link "$work/$link" "$@" >"$work/$link.out" 2>&1 &
  pids+=($!)
  for _ in $(seq 100); do [ -e "$work/$link" ] && break; sleep 0.05; done
}
box line1
box line2 --flip-read 0x0FA7:0x42
box line4 --pace
cat >"$work/station.conf" <<CONF
port Bench-1 = $work/line1
port Bench-2 = $work/line2
port Bench-3 = $work/unplugged
port Bench-4 = $work/line4
CONF
(cd "$work" && exec "$bin/Plx71Station" "$root/examples/demo_project.pxp" --station "$work/station.conf" \
  --record "$work/line.jsonl" --auto) >"$work/station.out" 2>&1 &
pids+=($!)
id=
for _ in $(seq 100); do
  id=$(xdotool search --onlyvisible --name 'Plx71Station' 2>/dev/null | head -n 1 || true)
  [ -n "$id" ] && break
  sleep 0.1
done
[ -n "$id" ] || { cat "$work/station.out" >&2; echo "no station window" >&2; exit 1; }
# The two quick boxes end in a few seconds; the paced one runs for a minute.
for _ in $(seq 300); do [ "$(wc -l <"$work/line.jsonl" 2>/dev/null || echo 0)" -ge 2 ] && break; sleep 0.1; done
[ "$(wc -l <"$work/line.jsonl")" -ge 2 ] || { echo "the quick boxes did not end" >&2; exit 1; }
sleep 1
import -window "$id" "$work/shot.png"
optipng -quiet -o5 -strip all -out "$out" "$work/shot.png" 2>/dev/null || optipng -quiet -o5 -out "$out" "$work/shot.png"
echo "$out: $(identify -format '%wx%h' "$out"), $(stat -c %s "$out") bytes"
