#!/usr/bin/env bash
# A noisy line: JOBS jobs per cell against the software writer box with
# --noise RATE:SEED (seeds 1..JOBS, so any row can be run again). A cell
# written RATE=BER[,RATE=BER...] is a line bad only at those link rates
# (--noise-at), clean at the others; 0 is a clean line, the base of the time
# ratios. Each job is a download with its read-back, then an upload, then
# an upload with --read-twice (not with TWICE=0); MODES names whether they run as they are
# (plain), with --recover (recover), or both. After every job the box's
# stored state (--state) is compared with the project: the pages with the
# data files, the settings with those of a job run on a quiet line; the
# upload's files are compared with the stored pages. Prints per cell, mode
# and command: success, communication error (exit 5), verify mismatch (exit
# 7), other exits, silently wrong (exit 0 while the box, or what was read,
# differs), the link rates the successful jobs finished at, and the mean
# time of a job against the same command without --recover on a clean line.
# The box answers at once unless PACE=1 (--pace: bytes take their line
# time), so without it the times count the retries and waits, not the rate.
#
#   scripts/bench/bench_noise.sh [JOBS]        # default 10 jobs per cell
#   RATES="0 1e-5 1e-4 115200=2e-3" MODES="plain recover" scripts/bench/bench_noise.sh 20
#   BLOCKS=0 scripts/bench/bench_noise.sh 20
#   FIRST_SEED=11 TWICE=0 RATES=1e-4 MODES=recover scripts/bench/bench_noise.sh 10
#   BUILD_DIR=build/release scripts/bench/bench_noise.sh   # binaries built there
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$(pwd)
jobs=${1:-10}
rates=${RATES:-0 1e-6 1e-5 3e-5 1e-4}
modes=${MODES:-plain}
first=${FIRST_SEED:-1} # seeds first..first+JOBS-1: a cell can be split over several runs
pace=()
[ "${PACE:-0}" = 1 ] && pace=(--pace)
blocks=${BLOCKS:-0,2}
# shellcheck source=scripts/lib/bench_box.sh
. scripts/lib/bench_box.sh
bench_binaries "${BUILD_DIR:-build/release}"
bench_work noise

python3 "$root/scripts/bench/bench_project.py" "$work/job.pxp" "$root/examples/user_program.hex" \
  "$root/examples/boot_update.btp" "$blocks"

# The job on a quiet line: its stored settings are what every job must leave.
start_box --busy-ms 5 --state "$work/quiet.state"
"$plx71" download -q "$work/job.pxp" --port "$work/tty" >/dev/null 2>"$work/quiet.err" \
  || { cat "$work/quiet.err" >&2; echo "the job fails on a quiet line" >&2; exit 1; }
stop_box

now_ms() { date +%s%3N; }

# One command of a job, timed: "exit ms linkRate" on stdout.
timed() {
  local start code=0 rate
  start=$(now_ms)
  timeout 600 "$plx71" --json "$@" >"$dir/json" 2>/dev/null || code=$?
  rate=$(python3 -c 'import json,sys
try: print(json.load(open(sys.argv[1])).get("linkRate", 0))
except Exception: print(0)' "$dir/json")
  echo "$code $(($(now_ms) - start)) $rate"
}

run_job() { # cell mode seed -> "download upload upload-twice", each "exit ms linkRate"
  local cell=$1 mode=$2 seed=$3 dir=$work/$1.$2.$3 noise flags=()
  mkdir -p "$dir"
  if [[ $cell == *=* ]]; then noise=(--noise-at "$cell:$seed"); else noise=(--noise "$cell:$seed"); fi
  [ "$mode" = recover ] && flags=(--recover)
  start_box --busy-ms 5 --state "$dir/state" "${noise[@]}" "${pace[@]}"
  local d u t
  d=$(timed download -q "$work/job.pxp" --port "$work/tty" "${flags[@]}")
  u=$(timed upload -q -o "$dir/up.pxp" --user-rom "$dir/up.hex" --boot-rom "$dir/up.mot" \
    --port "$work/tty" "${flags[@]}")
  t="skip 0 0" # TWICE=0: no upload --read-twice (--recover reads twice anyway)
  [ "${TWICE:-1}" = 1 ] && t=$(timed upload -q --read-twice -o "$dir/twice.pxp" --user-rom "$dir/twice.hex" \
    --boot-rom "$dir/twice.mot" --port "$work/tty" "${flags[@]}")
  stop_box
  echo "$d $u $t"
}

: >"$work/results"
for rate in $rates; do
  for mode in $modes; do
    for ((seed = first; seed < first + jobs; seed++)); do
      echo "$rate $mode $seed $(run_job "$rate" "$mode" "$seed")" >>"$work/results"
    done
  done
done

python3 - "$work" "$root/examples/user_program.hex" "$root/examples/boot_update.btp" "$blocks" <<'PY'
import collections, sys

work, user_file, boot_file, blocks = sys.argv[1], sys.argv[2], sys.argv[3], sys.argv[4]
USER_START, USER_END = 0xC0000, 0x100000
BOOT_START, BOOT_PAGES = 0xFE000, 8
BLOCK_SIZES = [0x4000, 0x2000, 0x2000, 0x8000, 0x10000, 0x10000, 0x10000]


def load(path):
    """Address -> byte of an Intel HEX (00, 02, 04) or S-record (S1-S3) file."""
    data, base = {}, 0
    for line in open(path, encoding='latin-1').read().split():
        if line.startswith(':'):
            b = bytes.fromhex(line[1:])
            n, addr, kind = b[0], b[1] << 8 | b[2], b[3]
            if kind == 0:
                for i in range(n):
                    data[base + addr + i] = b[4 + i]
            elif kind == 2:
                base = (b[4] << 8 | b[5]) << 4
            elif kind == 4:
                base = (b[4] << 8 | b[5]) << 16
        elif line[:2] in ('S1', 'S2', 'S3'):
            b = bytes.fromhex(line[2:])
            width = int(line[1]) + 1
            addr = int.from_bytes(b[1:1 + width], 'big')
            for i, v in enumerate(b[1 + width:-1]):
                data[addr + i] = v
    return data


def state(path):
    """(settings lines, page number -> bytes) of a --state file."""
    settings, pages = {}, {}
    try:
        lines = open(path).read().splitlines()
    except OSError:
        return None
    for line in lines[1:]:
        parts = line.split()
        if parts[0] == 'page':
            pages[int(parts[1], 16)] = bytes.fromhex(parts[2])
        elif parts[0] not in ('end', 'firmware', 'firmware-version'):
            settings[parts[0]] = parts[1:]
    return settings, pages


def stored(pages, number):
    return pages.get(number, b'\xff' * 256)


# The pages the download writes: the selected blocks (block 6 at the User
# ROM start, block 0 at the top) and eight Boot ROM pages.
user, boot = load(user_file), load(boot_file)
selected = {int(b) for b in blocks.split(',')} if blocks else set(range(7))
expected, address = {}, USER_START
for block in range(6, -1, -1):
    for a in range(address, address + BLOCK_SIZES[block], 256):
        if block in selected:
            expected[(a >> 8) & 0xFFF] = bytes(user.get(a + i, 0xFF) for i in range(256))
    address += BLOCK_SIZES[block]
for k in range(BOOT_PAGES):
    a = BOOT_START + k * 256
    expected[0x1000 | ((a >> 8) & 0xFFF)] = bytes(boot.get(a + i, 0xFF) for i in range(256))

quiet = state(f'{work}/quiet.state')
if quiet is None or any(stored(quiet[1], n) != v for n, v in expected.items()):
    sys.exit('the quiet job did not store the project')


def holds_job(s):
    return s is not None and s[0] == quiet[0] and all(stored(s[1], n) == v for n, v in expected.items())


def upload_matches(cell, name, s):
    try:
        user_back = load(f'{work}/{cell}/{name}.hex')
        boot_back = load(f'{work}/{cell}/{name}.mot')
    except OSError:
        return False
    for page in range(0xC00, 0x1000):  # the whole User ROM, C0000-FFFFF
        a = page << 8
        if bytes(user_back.get(a + i, 0xFF) for i in range(256)) != stored(s[1], page):
            return False
    for page in range(0x1FE0, 0x2000):  # the Boot ROM, FE000-FFFFF
        a = (page & 0xFFF) << 8
        if bytes(boot_back.get(a + i, 0xFF) for i in range(256)) != stored(s[1], page):
            return False
    return True


NAMES = {0: 'success', 5: 'comm error', 7: 'verify mismatch'}
COMMANDS = ('download', 'upload', 'upload2x')
table = collections.OrderedDict()
times = collections.defaultdict(list)  # (rate, mode, command) -> ms of each job
finished = collections.defaultdict(collections.Counter)  # (rate, mode, command) -> linkRate -> jobs
for line in open(f'{work}/results'):
    f = line.split()
    rate, mode, seed, runs = f[0], f[1], f[2], [f[3 + 3 * i:6 + 3 * i] for i in range(3)]
    cell = f'{rate}.{mode}.{seed}'
    s = state(f'{work}/{cell}/state')
    row = table.setdefault((rate, mode), {c: collections.Counter() for c in COMMANDS})
    checks = (lambda: holds_job(s), lambda: s is not None and upload_matches(cell, 'up', s),
              lambda: s is not None and upload_matches(cell, 'twice', s))
    for command, (code, ms, link_rate), good in zip(COMMANDS, runs, checks):
        if code == 'skip':
            continue
        code = int(code)
        kind = NAMES.get(code, 'other')
        if code == 0 and not good():
            kind = 'silently wrong'
            print(f'silently wrong: {command} {mode} at {rate}:{seed}')
        row[command][kind] += 1
        times[(rate, mode, command)].append(int(ms))
        if code == 0:
            finished[(rate, mode, command)][int(link_rate)] += 1


def mean(values):
    return sum(values) / len(values) if values else 0


cols = ['success', 'comm error', 'verify mismatch', 'other', 'silently wrong']
print('upload2x: upload --read-twice; time: mean time of a job / the same without --recover on a clean line')
print(f'{"cell":>12} {"mode":<8} {"command":<9}' + ''.join(f'{c:>16}' for c in cols) + '  time   ratio  finished at')
for (rate, mode), row in table.items():
    for command in COMMANDS:
        if not times[(rate, mode, command)]:
            continue
        ms = mean(times[(rate, mode, command)])
        base = mean(times.get(('0', 'plain', command)) or times.get(('0', mode, command), []))
        ratio = f'{ms / 1000:6.1f}s ' + (f'{ms / base:5.2f}x' if base else '    -')
        rates = ' '.join(f'{r}:{n}' for r, n in sorted(finished[(rate, mode, command)].items()))
        print(f'{rate:>12} {mode:<8} {command:<9}' + ''.join(f'{row[command][c]:>16}' for c in cols)
              + f'  {ratio}  {rates}')
PY
