#!/usr/bin/env bash
# Firmware loads on a noisy line: JOBS loads of examples/firmware_v131.hex
# against the software writer box with --noise RATE:SEED (seeds 1..JOBS).
# The box cannot hand its firmware back, so after each load its stored
# firmware (--state) is compared with the file here. Prints: loads that
# ended with exit 0 and said "loaded, not read back" (JSON "verified": false),
# those that said anything else on exit 0, and of the exit-0 loads how many
# left wrong firmware in the box; then communication errors and other exits.
#
# With RECOVER=1 the loads run with --recover; with PACE=1 on a paced box
# (--pace: bytes take their line time), and the median time of a load is
# printed too.
#
#   scripts/bench/bench_firmware_noise.sh [JOBS]     # default 83 loads at 1e-4
#   RATE=3e-5 scripts/bench/bench_firmware_noise.sh 40
#   RECOVER=1 PACE=1 scripts/bench/bench_firmware_noise.sh 20
#   BUILD_DIR=build/debug scripts/bench/bench_firmware_noise.sh
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$(pwd)
jobs=${1:-83}
rate=${RATE:-1e-4}
# shellcheck source=scripts/lib/bench_box.sh
. scripts/lib/bench_box.sh
bench_binaries "${BUILD_DIR:-build/release}"
bench_work fwnoise
flags=()
[ "${RECOVER:-0}" = 1 ] && flags=(--recover)
pace=()
[ "${PACE:-0}" = 1 ] && pace=(--pace)

: >"$work/results"
for ((seed = 1; seed <= jobs; seed++)); do
  start_box --busy-ms 5 --state "$work/$seed.state" --noise "$rate:$seed" "${pace[@]}"
  code=0
  start=$(date +%s%3N)
  timeout 600 "$plx71" -q --json firmware "$root/examples/firmware_v131.hex" --port "$work/tty" "${flags[@]}" \
    >"$work/$seed.json" 2>/dev/null || code=$?
  ms=$(($(date +%s%3N) - start))
  stop_box
  echo "$seed $code $ms" >>"$work/results"
done

python3 - "$work" "$root/examples/firmware_v131.hex" "$rate" <<'PY'
import json, sys

work, fw_file, rate = sys.argv[1], sys.argv[2], sys.argv[3]
image, base = {}, 0
for line in open(fw_file).read().split():
    b = bytes.fromhex(line[1:])
    n, addr, kind = b[0], b[1] << 8 | b[2], b[3]
    if kind == 0:
        for i in range(n):
            image[base + addr + i] = b[4 + i]
    elif kind == 2:
        base = (b[4] << 8 | b[5]) << 4
expected = {p: bytes(image.get((p << 8) + i, 0xFF) for i in range(256)) for p in range(0xC10, 0xC40)}


def stored(seed):
    pages = {}
    try:
        for line in open(f'{work}/{seed}.state').read().splitlines():
            parts = line.split()
            if parts[0] == 'firmware':
                pages[int(parts[1], 16)] = bytes.fromhex(parts[2])
    except OSError:
        pass
    return pages


counts = dict(loads=0, not_read_back=0, claimed_other=0, wrong_on_exit0=0, comm_error=0, other=0)
times = []
for line in open(f'{work}/results'):
    seed, code, ms = line.split()
    times.append(int(ms))
    counts['loads'] += 1
    if code == '5':
        counts['comm_error'] += 1
        continue
    if code != '0':
        counts['other'] += 1
        continue
    o = json.load(open(f'{work}/{seed}.json'))
    if o.get('verified') is False and o.get('note') == 'loaded, not read back':
        counts['not_read_back'] += 1
    else:
        counts['claimed_other'] += 1
    pages = stored(seed)
    if any(pages.get(p) != v for p, v in expected.items()):
        counts['wrong_on_exit0'] += 1
        print(f'wrong firmware after exit 0: --noise {rate}:{seed}')
times.sort()
print(f'rate {rate}: ' + ', '.join(f'{k} {v}' for k, v in counts.items())
      + f', median time {times[len(times) // 2] / 1000:.1f}s')
PY
