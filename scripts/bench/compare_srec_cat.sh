#!/usr/bin/env bash
# Times "plx71 convert" against srec_cat on a whole User ROM (0xC0000-0xFFFFF,
# random data) in both directions: Intel HEX -> S-records and back. Whole
# processes, in pairs (scripts/bench/paired_runs.py); prints the medians of wall and
# CPU ms and of the pairs' ratios plx71 / srec_cat.
#
#   scripts/bench/compare_srec_cat.sh [path/to/plx71] [pairs]      # default 15 pairs
#
# The binary may also come from $PLX71; default build/release/bin/plx71.
#
# It runs twice: with the files on the disk (TMPDIR, else /tmp) and, where
# there is one, on tmpfs (/dev/shm). We flush every file we write to the disk
# before it replaces the old one (srec_cat does not), so on a busy disk the
# first table measures the disk; the tmpfs table measures the conversion.
set -euo pipefail

here="$(cd "$(dirname "$0")/../.." && pwd)"
plx71="${1:-${PLX71:-$here/build/release/bin/plx71}}"
runs="${2:-${RUNS:-15}}"
device="M30624FGFP"

command -v srec_cat >/dev/null || { echo "srec_cat is missing (Debian package srecord)" >&2; exit 2; }
[ -x "$plx71" ] || { echo "plx71 not found at $plx71 (give its path as \$1 or PLX71)" >&2; exit 2; }

folders=()
trap 'rm -rf "${folders[@]}"' EXIT

# Both outputs must hold the input's bytes before their times mean anything.
check_same() {
    local work="$1" file="$2" format="$3"
    srec_cat "$file" "$format" -fill 0xFF 0xC0000 0x100000 -offset -0xC0000 -o "$work/check.bin" -Binary
    cmp -s "$work/check.bin" "$work/area.bin" || { echo "output $file differs from the input" >&2; exit 1; }
}

compare_in() {
    local work
    work="$(mktemp -d -p "$1")"
    folders+=("$work")
    # Random area; the protect byte at 0xFFFFF stays 0xFF so no question is asked.
    python3 - "$work/area.bin" <<'PY'
import os, sys
data = bytearray(os.urandom(0x40000))
data[-1] = 0xFF
open(sys.argv[1], "wb").write(data)
PY
    srec_cat "$work/area.bin" -Binary -offset 0xC0000 -execution-start-address 0 -o "$work/in.hex" -Intel -address-length=3
    srec_cat "$work/area.bin" -Binary -offset 0xC0000 -execution-start-address 0 -o "$work/in.mot" -Motorola -address-length=3

    echo "files in $1: whole User ROM (256 KiB random), $runs pairs, whole processes; medians"
    printf '%-18s %9s %9s %7s   %9s %9s %7s\n' "direction" "plx71" "srec_cat" "wall" "plx71" "srec_cat" "cpu"
    printf '%-18s %9s %9s %7s   %9s %9s %7s\n' "" "wall ms" "wall ms" "ratio" "cpu ms" "cpu ms" "ratio"

    "$plx71" convert "$work/in.hex" "$work/ours.mot" --device "$device"
    srec_cat "$work/in.hex" -Intel -o "$work/theirs.mot"
    check_same "$work" "$work/ours.mot" -Motorola
    check_same "$work" "$work/theirs.mot" -Motorola
    "$here/scripts/bench/paired_runs.py" "HEX -> S-records" "$runs" \
        -- "$plx71" convert "$work/in.hex" "$work/ours.mot" --device "$device" \
        -- srec_cat "$work/in.hex" -Intel -o "$work/theirs.mot"

    "$plx71" convert "$work/in.mot" "$work/ours.hex" --device "$device"
    srec_cat "$work/in.mot" -Motorola -o "$work/theirs.hex" -Intel
    check_same "$work" "$work/ours.hex" -Intel
    check_same "$work" "$work/theirs.hex" -Intel
    "$here/scripts/bench/paired_runs.py" "S-records -> HEX" "$runs" \
        -- "$plx71" convert "$work/in.mot" "$work/ours.hex" --device "$device" \
        -- srec_cat "$work/in.mot" -Motorola -o "$work/theirs.hex" -Intel
    echo
}

compare_in "${TMPDIR:-/tmp}"
if [ -d /dev/shm ] && [ -w /dev/shm ]; then
    compare_in /dev/shm
fi
echo "ratio = median over the pairs of plx71 / srec_cat (below 1: plx71 is faster); target for HEX -> S-records: 0.5"
