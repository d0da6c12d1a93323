#!/usr/bin/env bash
# Times "plx71 convert" against srec_cat on a whole User ROM (0xC0000-0xFFFFF,
# random data) in both directions: Intel HEX -> S-records and back.
#
#   scripts/compare_srec_cat.sh [path/to/plx71] [pairs]      # default 15 pairs
#
# The binary may also come from $PLX71; default build/release/bin/plx71.
set -euo pipefail

here="$(cd "$(dirname "$0")/.." && pwd)"
plx71="${1:-${PLX71:-$here/build/release/bin/plx71}}"
runs="${2:-${RUNS:-15}}"
device="M30624FGFP"

command -v srec_cat >/dev/null || { echo "srec_cat is missing (Debian package srecord)" >&2; exit 2; }
[ -x "$plx71" ] || { echo "plx71 not found at $plx71 (give its path as \$1 or PLX71)" >&2; exit 2; }

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# Random area; the protect byte at 0xFFFFF stays 0xFF so no question is asked.
python3 - "$work/area.bin" <<'PY'
import os, sys
data = bytearray(os.urandom(0x40000))
data[-1] = 0xFF
open(sys.argv[1], "wb").write(data)
PY
srec_cat "$work/area.bin" -Binary -offset 0xC0000 -execution-start-address 0 -o "$work/in.hex" -Intel -address-length=3
srec_cat "$work/area.bin" -Binary -offset 0xC0000 -execution-start-address 0 -o "$work/in.mot" -Motorola -address-length=3

now_ns() { date +%s%N; }

# Microseconds of one run of "$@".
once() {
    local t0 t1
    t0=$(now_ns)
    "$@" >/dev/null
    t1=$(now_ns)
    echo $(( (t1 - t0) / 1000 ))
}

median() { sort -g | awk '{ v[NR] = $1 } END { m = int((NR + 1) / 2); printf "%.3f", NR % 2 ? v[m] : (v[m] + v[m + 1]) / 2 }'; }

# Both outputs must hold the input's bytes before their times mean anything.
check_same() {
    local file="$1" format="$2"
    srec_cat "$file" "$format" -fill 0xFF 0xC0000 0x100000 -offset -0xC0000 -o "$work/check.bin" -Binary
    cmp -s "$work/check.bin" "$work/area.bin" || { echo "output $file differs from the input" >&2; exit 1; }
}

# Runs ours and theirs in turn $runs times (whole processes; a pair is taken
# together, so a machine whose load drifts moves both alike); prints the
# median ms of each and the median of the pairs' ratios (ours / theirs).
paired() {
    local label="$1" i a b
    : >"$work/a"; : >"$work/b"; : >"$work/r"
    for ((i = 0; i < runs; i++)); do
        a=$(once "${ours[@]}")
        b=$(once "${theirs[@]}")
        echo "$a" >>"$work/a"
        echo "$b" >>"$work/b"
        awk -v a="$a" -v b="$b" 'BEGIN { printf "%.4f\n", a / b }' >>"$work/r"
    done
    printf '%-18s %12s %14s %10s\n' "$label" "$(median <"$work/a" | awk '{ printf "%.2f", $1 / 1000 }')" \
        "$(median <"$work/b" | awk '{ printf "%.2f", $1 / 1000 }')" "$(median <"$work/r")"
}

echo "whole User ROM (256 KiB random), $runs pairs, whole processes; median ms"
printf '%-18s %12s %14s %10s\n' "direction" "plx71" "srec_cat" "ratio"

"$plx71" convert "$work/in.hex" "$work/ours.mot" --device "$device"
srec_cat "$work/in.hex" -Intel -o "$work/theirs.mot"
check_same "$work/ours.mot" -Motorola
check_same "$work/theirs.mot" -Motorola
ours=("$plx71" convert "$work/in.hex" "$work/ours.mot" --device "$device")
theirs=(srec_cat "$work/in.hex" -Intel -o "$work/theirs.mot")
paired "HEX -> S-records"
# The wall time above includes our fsync of the output and its folder; the
# CPU time (task-clock) says what the conversion itself costs.
if command -v perf >/dev/null; then
    cpu() { perf stat -x, -e task-clock -r "$runs" "$@" 2>&1 >/dev/null | awk -F, '$3 == "task-clock" { print $1 }'; }
    printf '%-18s %12s %14s %10s\n' "  CPU ms" "$(cpu "${ours[@]}")" "$(cpu "${theirs[@]}")" ""
fi

"$plx71" convert "$work/in.mot" "$work/ours.hex" --device "$device"
srec_cat "$work/in.mot" -Motorola -o "$work/theirs.hex" -Intel
check_same "$work/ours.hex" -Intel
check_same "$work/theirs.hex" -Intel
ours=("$plx71" convert "$work/in.mot" "$work/ours.hex" --device "$device")
theirs=(srec_cat "$work/in.mot" -Motorola -o "$work/theirs.hex" -Intel)
paired "S-records -> HEX"
echo "ratio = median over the pairs of plx71 / srec_cat (below 1: plx71 is faster); target for HEX -> S-records: 0.5"
