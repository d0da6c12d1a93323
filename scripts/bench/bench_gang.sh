#!/usr/bin/env bash
# Several writer boxes at once: four downloads (with their read-back verify)
# against four software writer boxes at line pace, beside one box's download
# on the same machine, and the host CPU plx71 spends per box during a paced
# transfer (download, gang download, upload). Runs A (one box) and B (four
# boxes) interleaved and prints the median of each.
#
#   scripts/bench/bench_gang.sh                 # builds plx71 and plx71sim in build/bench
#   BUILD_DIR=build/release scripts/bench/bench_gang.sh
#   ROUNDS=5 BLOCKS=0,1,2 scripts/bench/bench_gang.sh
#
# Targets: four boxes within 1.10 x one box's wall time; plx71's CPU per box
# at most 2 % of the wall time.
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$(pwd)
rounds=${ROUNDS:-3}
blocks=${BLOCKS:-0,1,2}
# shellcheck source=scripts/lib/bench_box.sh
. scripts/lib/bench_box.sh
if [ -n "${BUILD_DIR:-}" ]; then bench_binaries "$BUILD_DIR"; else bench_build build/bench; fi

bench_work gang-bench

# The project: M30624FGFP, the blocks in $blocks, the example User ROM and
# Boot ROM files.
python3 "$root/scripts/bench/bench_project.py" "$work/job.pxp" "$root/examples/user_program.hex" "$root/examples/boot_update.btp" "$blocks"

for i in 1 2 3 4; do start_box_on "$work/tty$i" --pace --busy-ms 0; done

python3 - "$plx71" "$work" "$rounds" <<'PY'
import os, statistics, subprocess, sys, time
plx71, work, rounds = sys.argv[1], sys.argv[2], int(sys.argv[3])
ports = [f'{work}/tty{i}' for i in range(1, 5)]

def run(args):
    """Wall seconds and CPU seconds (user + system) of one plx71 run."""
    start = time.monotonic()
    proc = subprocess.Popen([plx71] + args + ['--baud', '115200', '-q'], stdout=subprocess.DEVNULL,
                            stderr=subprocess.PIPE, cwd=work)
    _, status, usage = os.wait4(proc.pid, 0)
    wall = time.monotonic() - start
    err = proc.stderr.read().decode(errors='replace')
    proc.stderr.close()
    if os.waitstatus_to_exitcode(status) != 0:
        sys.exit(f'plx71 {" ".join(args)} failed: {err}')
    return wall, usage.ru_utime + usage.ru_stime

one, four, one_cpu, four_cpu, up_cpu = [], [], [], [], []
for r in range(rounds):
    wall, cpu = run(['download', 'job.pxp', '--port', ports[r % 4]])          # A: one box
    one.append(wall); one_cpu.append(cpu / wall)
    args = ['download', 'job.pxp'] + sum((['--port', p] for p in ports), [])  # B: four boxes
    wall, cpu = run(args)
    four.append(wall); four_cpu.append(cpu / wall / 4)
    wall, cpu = run(['upload', '-o', 'back.pxp', '--port', ports[r % 4]])
    up_cpu.append(cpu / wall)

m1, m4 = statistics.median(one), statistics.median(four)
print(f'one box download+verify:   median wall {m1:.2f} s  ({", ".join(f"{w:.2f}" for w in one)})')
print(f'four boxes at once:        median wall {m4:.2f} s  ({", ".join(f"{w:.2f}" for w in four)})')
print(f'ratio four/one: {m4 / m1:.3f} (target <= 1.10)')
for name, values in (('download, one box', one_cpu), ('download, four boxes', four_cpu), ('upload, one box', up_cpu)):
    print(f'plx71 CPU per box, {name}: median {100 * statistics.median(values):.2f} % of wall '
          f'({", ".join(f"{100 * v:.2f}" for v in values)}) (target <= 2 %)')
PY
