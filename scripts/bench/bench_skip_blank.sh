#!/usr/bin/env bash
# What leaving out blank pages saves, against the software writer box at line
# pace (115200 bit/s): each case runs the download without and with
# --skip-blank in turn (A B A B ...), PAIRS times, and prints the median wall
# time of each and the median of the pairs' ratios (with / without).
#   demo          examples/demo_project.pxp, --no-verify (3 of 1024 User ROM
#                 pages hold data)
#   demo+verify   the same with the read-back, which still reads every page
#   half          a User ROM whose lower half (C0000-DFFFF) holds random data,
#                 --no-verify
#
#   scripts/bench/bench_skip_blank.sh                 # 3 pairs per case
#   PAIRS=5 BUILD_DIR=build/release scripts/bench/bench_skip_blank.sh
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$(pwd)
pairs=${PAIRS:-3}
# shellcheck source=scripts/lib/bench_box.sh
. scripts/lib/bench_box.sh
bench_binaries "${BUILD_DIR:-build/release}"
bench_work skip

# The half-full image: random bytes in C0000-DFFFF, the protect byte FF.
python3 - "$work/half.hex" <<'PY'
import os, sys
out = []
for base in range(0xC0000, 0xE0000, 0x10000):
    seg = base >> 16
    rec = bytes([2, 0, 0, 4, 0, seg])
    out.append(':' + rec.hex().upper() + '%02X' % (-sum(rec) & 0xFF))
    data = os.urandom(0x10000)
    for off in range(0, 0x10000, 32):
        chunk = data[off:off + 32]
        rec = bytes([len(chunk), off >> 8, off & 0xFF, 0]) + chunk
        out.append(':' + rec.hex().upper() + '%02X' % (-sum(rec) & 0xFF))
out.append(':00000001FF')
open(sys.argv[1], 'w').write('\n'.join(out) + '\n')
PY
python3 "$root/scripts/bench/bench_project.py" "$work/half.pxp" "$work/half.hex" "$root/examples/boot_update.btp"

start_box --pace --busy-ms 0

# Wall seconds of one download; a failed one stops the script.
timed() {
  local t0 t1
  t0=$(date +%s.%N)
  "$plx71" download -q --port "$work/tty" --baud 115200 "$@" >/dev/null 2>"$work/err" \
    || { cat "$work/err" >&2; echo "download $* failed" >&2; exit 1; }
  t1=$(date +%s.%N)
  awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.3f\n", b - a }'
}

median() { sort -g | awk '{ v[NR] = $1 } END { m = int((NR + 1) / 2); printf "%.3f", NR % 2 ? v[m] : (v[m] + v[m + 1]) / 2 }'; }

printf '%-12s %6s %12s %12s %8s\n' case pairs "without s" "with s" ratio
bench() {
  local name=$1 i a b
  shift
  : >"$work/a"
  : >"$work/b"
  : >"$work/r"
  for ((i = 0; i < pairs; i++)); do
    a=$(timed "$@")
    b=$(timed --skip-blank "$@")
    echo "$a" >>"$work/a"
    echo "$b" >>"$work/b"
    awk -v a="$a" -v b="$b" 'BEGIN { printf "%.4f\n", b / a }' >>"$work/r"
  done
  printf '%-12s %6s %12s %12s %8s\n' "$name" "$pairs" "$(median <"$work/a")" "$(median <"$work/b")" \
    "$(median <"$work/r")"
}
bench demo --no-verify "$root/examples/demo_project.pxp"
bench demo+verify "$root/examples/demo_project.pxp"
bench half --no-verify "$work/half.pxp"
echo "ratio: median over the pairs of (with --skip-blank) / (without); targets: demo <= 0.10, demo+verify <= 0.55"
