#!/usr/bin/env bash
# The picture of Plx71Station in the user guide: four slots against
# software writer boxes in four states (Verified, Failed after a read-back
# that found another byte, No box, Running on a box whose bytes take their
# real time), under Xvfb, optimised. The slots start by themselves (auto mode).
# With SLOTS=16: sixteen slots in the window's first, default size on a
# 1366x768 screen (twelve quick boxes, two of them failing, two running, two
# unplugged), to see that they all fit without scrolling.
#
#   scripts/ci/station_picture.sh [OUTPUT.png]      # default docs/guide/images/station.png
#   XVFB_DISPLAY=:81 scripts/ci/station_picture.sh  # that display number (else a free one)
#   SLOTS=16 scripts/ci/station_picture.sh /tmp/station16.png
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
slots=${SLOTS:-4}
[ "$slots" = 4 ] || [ "$slots" = 16 ] || { echo "SLOTS is 4 or 16" >&2; exit 2; }
if [ "$slots" = 16 ]; then screen=1366x768; else screen=1280x800; fi
start_virtual_display "$work" "$screen" "${XVFB_DISPLAY:-}"
pids+=("$xvfb_pid")
export QT_QPA_PLATFORM=xcb

box() { # link name, sim options...
  local link=$1
  shift
  "$bin/plx71sim" --link "$work/$link" "$@" >"$work/$link.out" 2>&1 &
  pids+=($!)
  for _ in $(seq 100); do [ -e "$work/$link" ] && break; sleep 0.05; done
}
if [ "$slots" = 4 ]; then
  box line1
  box line2 --flip-read 0x0FA7:0x42
  box line4 --pace
  cat >"$work/station.conf" <<CONF
port Bench-1 = $work/line1
port Bench-2 = $work/line2
port Bench-3 = $work/unplugged
port Bench-4 = $work/line4
CONF
  quick=2
else
  : >"$work/station.conf"
  for i in $(seq 16); do
    case $i in
      2 | 9) box "line$i" --flip-read 0x0FA7:0x42 ;;
      13 | 14) box "line$i" --pace ;;
      15 | 16) ;; # unplugged
      *) box "line$i" ;;
    esac
    echo "port Bench-$i = $work/line$i" >>"$work/station.conf"
  done
  quick=12
fi
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
# The quick boxes end in a few seconds; the paced ones run for a minute.
for _ in $(seq 600); do [ "$(wc -l <"$work/line.jsonl" 2>/dev/null || echo 0)" -ge "$quick" ] && break; sleep 0.1; done
[ "$(wc -l <"$work/line.jsonl")" -ge "$quick" ] || { echo "the quick boxes did not end" >&2; exit 1; }
sleep 1
import -window "$id" "$work/shot.png"
optipng -quiet -clobber -o5 -strip all -out "$out" "$work/shot.png" 2>/dev/null || optipng -quiet -clobber -o5 -out "$out" "$work/shot.png"
echo "$out: $(identify -format '%wx%h' "$out"), $(stat -c %s "$out") bytes"
