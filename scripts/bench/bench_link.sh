#!/usr/bin/env bash
# Link throughput: a full download (every block of M30624FGFP and a Boot ROM
# file), the same download with its read-back verify, and a full upload at
# 115200 bit/s against the software writer box running at line pace. Prints
# each wall time beside the lower bound the line sets: the bytes both ways
# (from the box's log; the verify adds the read-back of every page written)
# x 11 bits / rate, plus the fixed pauses (rate switches, the sleep of every
# status poll).
#
#   scripts/bench/bench_link.sh            # builds plx71 and plx71sim in build/bench
#   BUILD_DIR=build/release scripts/bench/bench_link.sh   # use binaries built there
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$(pwd)
# shellcheck source=scripts/lib/bench_box.sh
. scripts/lib/bench_box.sh
if [ -n "${BUILD_DIR:-}" ]; then bench_binaries "$BUILD_DIR"; else bench_build build/bench; fi
bench_work bench

# The project: M30624FGFP, all blocks, the example User ROM and Boot ROM files.
python3 "$root/scripts/bench/bench_project.py" "$work/job.pxp" "$root/examples/user_program.hex" "$root/examples/boot_update.btp"

start_box --pace --busy-ms 0 --log "$work/wire.log"

now() { date +%s.%N; }

t0=$(now)
"$plx71" download --no-verify "$work/job.pxp" --port "$work/tty" --baud 115200
t1=$(now)
download_lines=$(wc -l <"$work/wire.log")
"$plx71" download "$work/job.pxp" --port "$work/tty" --baud 115200
t2=$(now)
verify_lines=$(wc -l <"$work/wire.log")
"$plx71" upload -o "$work/back.pxp" --port "$work/tty" --baud 115200
t3=$(now)

python3 - "$work/wire.log" "$download_lines" "$verify_lines" "$t0" "$t1" "$t2" "$t3" <<'PY'
import sys
log, split, split2 = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
t0, t1, t2, t3 = map(float, sys.argv[4:8])
lines = open(log).read().splitlines()
RATE, REST, BITS = 115200, 9600, 11
SWITCH_PAUSES = 2 * (0.100 + 0.100)  # two rate switches, close..reopen..settle
POLL_SLEEP = 0.010

def bound(part):
    wire_s, polls, frames = 0.0, 0, 0
    first = True
    for line in part:
        kind, _, hexbytes = line.partition(' ')
        if kind not in ('PC>', 'BOX>'):
            continue  # dropped or ignored bytes never count
        n = len(hexbytes.split())
        # The first request and its ACK go at 9600, before the switch.
        rate = REST if first and kind == 'PC>' or (frames == 1 and kind == 'BOX>') else RATE
        if kind == 'PC>' and n >= 4:
            frames += 1
            first = False
            if int(hexbytes.split()[2], 16) == 0x1B:
                polls += 1
        wire_s += n * BITS / rate
    return wire_s, polls, wire_s + SWITCH_PAUSES + polls * POLL_SLEEP

for name, part, wall in (('download', lines[:split], t1 - t0),
                         ('download+verify', lines[split:split2], t2 - t1),
                         ('upload', lines[split2:], t3 - t2)):
    wire, polls, lower = bound(part)
    nbytes = sum(len(l.split()) - 1 for l in part if l.startswith(('PC>', 'BOX>')))
    print(f'{name}: wall {wall:.2f} s, bound {lower:.2f} s '
          f'({nbytes} bytes on the wire {wire:.2f} s + pauses {SWITCH_PAUSES:.2f} s + {polls} polls), '
          f'ratio {wall / lower:.3f}')
PY
