#!/usr/bin/env bash
# The Win32 serial port of the Windows build against the software writer box,
# under Wine: COM1 of a fresh Wine prefix is the box's pseudo-terminal, and
# plx71.exe reads the versions, downloads the example project and uploads it
# again; the uploaded areas must have the example files' checksums.
# Usage: scripts/wine_serial_check.sh [windows build dir]
# (default build-windows); plx71sim is taken from $PLX71SIM, else from
# build/release or build/debug.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build-windows}"
exe="$build/bin/plx71.exe"
sim="${PLX71SIM:-}"
for candidate in "$root/build/release/bin/plx71sim" "$root/build/debug/bin/plx71sim"; do
  [ -z "$sim" ] && [ -x "$candidate" ] && sim=$candidate
done
[ -x "$exe" ] || { echo "$exe missing (scripts/cross_build_windows.sh)" >&2; exit 1; }
[ -n "$sim" ] || { echo "plx71sim missing (build it, or set PLX71SIM)" >&2; exit 1; }

. "$root/scripts/wine_prefix.sh"
work=$(mktemp -d /tmp/plx71-wine-serial-XXXXXX)
cleanup() {
  [ -n "${sim_pid:-}" ] && kill "$sim_pid" 2>/dev/null
  wait 2>/dev/null
  wine_prefix_stop
  rm -rf "$work"
}
trap cleanup EXIT
wine_prefix_start

"$sim" --link "$work/com1" --log "$work/wire.log" >"$work/sim.out" 2>&1 &
sim_pid=$!
for _ in $(seq 50); do [ -e "$work/com1" ] && break; sleep 0.1; done
pts=$(readlink "$work/com1" || true)
[ -n "$pts" ] || { cat "$work/sim.out"; echo "the software writer box did not start" >&2; exit 1; }

# Wine's mount manager makes the dosdevices/comN links itself each time it
# starts, from the serial devices it finds (/dev/ttyS*), and replaces a link
# made by hand; a port named in this registry key is kept.
wine reg add 'HKLM\Software\Wine\Ports' /v COM1 /t REG_SZ /d "$pts" /f >/dev/null
wineserver -k; wineserver -w; wineserver -p >/dev/null 2>&1 || true
wine cmd /c exit >/dev/null 2>&1 || true
link=$(readlink "$WINEPREFIX/dosdevices/com1" || true)
[ "$link" = "$pts" ] || { echo "COM1 of the prefix is '$link', not $pts" >&2; exit 1; }
echo "software writer box on $pts, COM1 of the Wine prefix"

run() { # label, then the plx71.exe arguments
  local label=$1 t0=$SECONDS
  shift
  if ! (cd "$root" && timeout 300 wine "$exe" "$@"); then
    echo "$label: FAILED; last frames on the wire:" >&2
    tail -n 5 "$work/wire.log" >&2
    exit 1
  fi
  echo "$label: $((SECONDS - t0)) s"
}
out="Z:$work"
run versions versions --port COM1
run download download examples/demo_project.pxp
run upload upload -o "$out/uploaded.pxp" --user-rom "$out/uploaded.hex" --boot-rom "$out/uploaded.btp"

same_checksum() { # area, example file, uploaded file
  local a b
  a=$(cd "$root" && wine "$exe" info "$2" --device M30624FGFP --area "$1" | head -n 1)
  b=$(wine "$exe" info "$3" --device M30624FGFP --area "$1" | head -n 1)
  [ "$a" = "$b" ] || { echo "$1 area: uploaded '$b', sent '$a'" >&2; exit 1; }
  echo "$1 area uploaded: $(echo "$b" | tr -d '\r')"
}
same_checksum user examples/user_program.hex "$out/uploaded.hex"
same_checksum boot examples/boot_update.btp "$out/uploaded.btp"
echo "frames on the wire: $(grep -c '^PC>' "$work/wire.log") from the PC, $(grep -c '^BOX>' "$work/wire.log") from the box"
