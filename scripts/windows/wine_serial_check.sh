#!/usr/bin/env bash
# The Win32 serial port of the Windows build against the software writer box,
# under Wine: COM1 of a fresh Wine prefix is the box's pseudo-terminal, and
# plx71.exe reads the versions, downloads the example project and uploads it
# again; the uploaded areas must have the example files' checksums.
# Usage: scripts/windows/wine_serial_check.sh [windows build dir]
# (default build-windows); plx71sim is taken from $PLX71SIM, else from
# build/release or build/debug.
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="${1:-$root/build-windows}"
exe="$build/bin/plx71.exe"
sim="${PLX71SIM:-}"
for candidate in "$root/build/release/bin/plx71sim" "$root/build/debug/bin/plx71sim"; do
  [ -z "$sim" ] && [ -x "$candidate" ] && sim=$candidate
done
[ -x "$exe" ] || { echo "$exe missing (scripts/windows/cross_build_windows.sh)" >&2; exit 1; }
[ -n "$sim" ] || { echo "plx71sim missing (build it, or set PLX71SIM)" >&2; exit 1; }

. "$root/scripts/windows/wine_prefix.sh"
work=$(mktemp -d /tmp/plx71-wine-serial-XXXXXX)
cleanup() {
  [ -n "${sim_pid:-}" ] && kill "$sim_pid" 2>/dev/null
  wait 2>/dev/null
  wine_prefix_stop
  rm -rf "$work"
}
trap cleanup EXIT
wine_prefix_start

wine_com1_on_sim --log "$work/wire.log"

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
