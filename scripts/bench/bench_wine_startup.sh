#!/usr/bin/env bash
# Start-up of the two Windows programs under Wine on a virtual X display:
# from starting `wine PROGRAM.exe` to the program's first drawn window (the
# program prints that moment and ends when PLX71_EXIT_AFTER_FIRST_PAINT is
# set). The runs alternate between the programs (A B A B ...) so both see
# the same machine load; prints the median, fastest and slowest of each, and
# the very first start in a new prefix (Wine sets the prefix up then).
# Information only: Wine's own start dominates.
#
#   scripts/bench/bench_wine_startup.sh                  # build-windows/bin, 7 pairs
#   RUNS=15 scripts/bench/bench_wine_startup.sh other-build-dir
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="${1:-$root/build-windows}"
bin="$(cd "$build/bin" && pwd)"
runs=${RUNS:-7}
programs=(PLX71RD Plx71Ldr)
for p in "${programs[@]}"; do
  [ -f "$bin/$p.exe" ] || { echo "$bin/$p.exe missing (scripts/windows/cross_build_windows.sh)" >&2; exit 2; }
done
command -v Xvfb >/dev/null || { echo "Xvfb missing (Debian: xvfb)" >&2; exit 2; }

unset WINEPREFIX # always a new prefix: the first start is part of the figures
. "$root/scripts/windows/wine_prefix.sh"
work=$(mktemp -d /tmp/plx71-wine-startup-XXXXXX)
xvfb_pid=""
cleanup() {
  wine_prefix_stop
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; wait "$xvfb_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

. "$root/scripts/lib/virtual_display.sh"
start_virtual_display "$work"

# One run: the ms from `wine` to the first drawn window.
run_once() {
  local program=$1 start out
  start=${EPOCHREALTIME/[.,]/}
  out=$(cd "$work" && PLX71_EXIT_AFTER_FIRST_PAINT=1 timeout 300 wine "$bin/$program.exe" 2>"$work/stderr" | tr -d '\r')
  if ! grep -q '^stage first-paint ' <<<"$out"; then
    cat "$work/stderr" >&2
    echo "$program drew no window" >&2
    return 1
  fi
  awk -v s="$start" '$1 == "stage" && $2 == "first-paint" { printf "%.0f\n", ($3 / 1000 - s) / 1000 }' <<<"$out"
}

stats() { # numbers on stdin: "median fastest slowest"
  sort -n | awk '{ v[NR] = $1 }
    END { m = int((NR + 1) / 2); printf "%.0f %.0f %.0f\n", NR % 2 ? v[m] : (v[m] + v[m + 1]) / 2, v[1], v[NR] }'
}

# The first start of all: Wine creates and fills the prefix.
t0=${EPOCHREALTIME/[.,]/}
wine_prefix_start >/dev/null
first_prefix=$(( (${EPOCHREALTIME/[.,]/} - t0) / 1000 ))
first=$(run_once PLX71RD)
for ((i = 0; i < runs; i++)); do
  for p in "${programs[@]}"; do run_once "$p" >>"$work/$p.times"; done
done

echo "Wine start-up to the first drawn window, $runs paired runs, ms (Xvfb $DISPLAY, Wine $(wine --version))"
echo "new prefix set up in $first_prefix ms; first PLX71RD start after it: $first ms"
printf '%-10s %8s %8s %8s\n' program median fastest slowest
for p in "${programs[@]}"; do
  read -r median fastest slowest < <(stats <"$work/$p.times")
  printf '%-10s %8s %8s %8s\n' "$p" "$median" "$fastest" "$slowest"
done
du_line=$(du -cb "$bin"/PLX71RD.exe "$bin"/Plx71Ldr.exe "$bin"/Qt6{Core,Gui,Widgets}.dll "$bin"/lib*.dll \
  "$bin"/platforms/qwindows.dll "$bin"/styles/*.dll "$bin"/imageformats/*.dll | tail -n 1 | cut -f1)
echo "size: PLX71RD.exe $(stat -c %s "$bin/PLX71RD.exe") B, Plx71Ldr.exe $(stat -c %s "$bin/Plx71Ldr.exe") B;" \
  "both with the DLLs and plugins they load: $((du_line / 1024)) KiB"
