#!/usr/bin/env bash
# Times "plx71 convert" against srec_cat on a whole User ROM (0xC0000-0xFFFFF,
# random data) in both directions: Intel HEX -> S-records and back.
#
#   scripts/compare_srec_cat.sh [path/to/plx71] [runs]
#
# The binary may also come from $PLX71; default build/release/bin/plx71.
set -euo pipefail

here="$(cd "$(dirname "$0")/.." && pwd)"
plx71="${1:-${PLX71:-$here/build/release/bin/plx71}}"
runs="${2:-${RUNS:-7}}"
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

# Runs "$@" $runs times; prints "best mean" in milliseconds.
time_runs() {
    local best="" total=0 t0 t1 dt i
    for ((i = 0; i < runs; i++)); do
        t0=$(now_ns)
        "$@" >/dev/null
        t1=$(now_ns)
        dt=$(( (t1 - t0) / 1000 ))
        total=$(( total + dt ))
        if [ -z "$best" ] || [ "$dt" -lt "$best" ]; then best=$dt; fi
    done
    awk -v b="$best" -v t="$total" -v n="$runs" 'BEGIN { printf "%.2f %.2f", b / 1000, t / n / 1000 }'
}

# Both outputs must hold the input's bytes before their times mean anything.
check_same() {
    local file="$1" format="$2"
    srec_cat "$file" "$format" -fill 0xFF 0xC0000 0x100000 -offset -0xC0000 -o "$work/check.bin" -Binary
    cmp -s "$work/check.bin" "$work/area.bin" || { echo "output $file differs from the input" >&2; exit 1; }
}

report() {
    local label="$1" ours="$2" theirs="$3"
    read -r ob om <<<"$ours"
    read -r tb tm <<<"$theirs"
    printf '%-18s %12s %12s %12s %12s %10s\n' "$label" "$ob" "$om" "$tb" "$tm" \
        "$(awk -v a="$ob" -v b="$tb" 'BEGIN { printf "%.2fx", b / a }')"
}

echo "whole User ROM (256 KiB random), $runs runs each; times in ms"
printf '%-18s %12s %12s %12s %12s %10s\n' "direction" "plx71 best" "plx71 mean" "srec_cat best" "srec_cat mean" "speed-up"

"$plx71" convert "$work/in.hex" "$work/ours.mot" --device "$device"
srec_cat "$work/in.hex" -Intel -o "$work/theirs.mot"
check_same "$work/ours.mot" -Motorola
check_same "$work/theirs.mot" -Motorola
report "HEX -> S-records" \
    "$(time_runs "$plx71" convert "$work/in.hex" "$work/ours.mot" --device "$device")" \
    "$(time_runs srec_cat "$work/in.hex" -Intel -o "$work/theirs.mot")"

"$plx71" convert "$work/in.mot" "$work/ours.hex" --device "$device"
srec_cat "$work/in.mot" -Motorola -o "$work/theirs.hex" -Intel
check_same "$work/ours.hex" -Intel
check_same "$work/theirs.hex" -Intel
report "S-records -> HEX" \
    "$(time_runs "$plx71" convert "$work/in.mot" "$work/ours.hex" --device "$device")" \
    "$(time_runs srec_cat "$work/in.mot" -Motorola -o "$work/theirs.hex" -Intel)"
echo "speed-up = srec_cat best / plx71 best (above 1: plx71 is faster)"
