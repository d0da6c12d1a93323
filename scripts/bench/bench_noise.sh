#!/usr/bin/env bash
# A noisy line against a clean one, on a paced software writer box
# (plx71sim --pace: every byte takes its line time both ways, so what is
# timed is line time, not the box's speed). For each cell and seed the noisy
# job runs, then the same job without --recover on a clean line (A B A B
# ...); a pair is taken together, so a machine whose load drifts moves both
# alike. A job is a download with its read-back, then an upload. A cell is a
# bit error rate for --noise RATE:SEED, or RATE=BER[,RATE=BER...] for a line
# bad only at those link rates (--noise-at); seeds FIRST_SEED.. so any row
# can be run again. After every job the box's stored state (--state) is
# compared with the project (the pages with the data file, the settings with
# those of a job on a quiet line), and the upload's files with the stored
# pages. Prints per cell, mode and command: success, communication error
# (exit 5), verify mismatch (exit 7), other exits, silently wrong (exit 0
# while the box, or what was read, differs), the median over the seeds of
# noisy / clean time (pairwise), both medians in seconds, and the link rates
# the successful jobs finished at.
#
#   scripts/bench/bench_noise.sh [JOBS]      # default 20 seeds per cell
#   RATES="3e-5 1e-4 115200=2e-3" MODES="recover plain" PAR=6 scripts/bench/bench_noise.sh 20
#   DEVICE=M30622F8FP scripts/bench/bench_noise.sh   # a User ROM of 256 pages, not 1,024
#   DATA=full scripts/bench/bench_noise.sh           # every User ROM byte programmed, not the example
#   BUILD_DIR=/path/to/build scripts/bench/bench_noise.sh   # its bin/plx71 and bin/plx71sim
#
# PAR boxes run at once (default 4): a paced box mostly waits. PACE=0 runs
# unpaced boxes (then the times count retries and waits, not line time).
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$(pwd)
jobs=${1:-20}
rates=${RATES:-3e-5 1e-4 115200=2e-3}
modes=${MODES:-recover}
first=${FIRST_SEED:-1}
par=${PAR:-4}
device=${DEVICE:-M30624FGFP}
data=${DATA:-example}
pace=(--pace)
[ "${PACE:-1}" = 0 ] && pace=()
# shellcheck source=scripts/lib/bench_box.sh
. scripts/lib/bench_box.sh
bench_binaries "${BUILD_DIR:-build/release}"
bench_work noise

# The User ROM data: the example program moved to the device's User ROM, or
# every byte of it (seeded, the same every run).
python3 - "$root/examples/user_program.hex" "$work/user.hex" "$device" "$data" <<'PY'
import random, sys
src, out, device, data = sys.argv[1:]
start = {'M30624FGFP': 0xC0000, 'M30622F8FP': 0xF0000}[device]
image, base = {}, 0
for line in open(src).read().split():
    b = bytes.fromhex(line[1:])
    n, addr, kind = b[0], b[1] << 8 | b[2], b[3]
    if kind == 0:
        for i in range(n):
            a = base + addr + i
            image[a if a >= start else a - 0xC0000 + start] = b[4 + i]  # the program's start moves in
    elif kind == 2:
        base = (b[4] << 8 | b[5]) << 4
if data == 'full':
    rnd = random.Random(7)
    image = {a: rnd.randrange(256) for a in range(start, 0x100000)}
lines = []
for seg in sorted({a >> 16 for a in image}):
    body = bytes([2, 0, 0, 2, (seg << 4) & 0xFF, 0])  # extended segment address: seg * 0x10000
    lines.append(':' + body.hex().upper() + f'{-sum(body) & 0xFF:02X}')
    addrs = sorted(a for a in image if a >> 16 == seg)
    for chunk in range(0, len(addrs), 16):
        run = addrs[chunk:chunk + 16]
        if run[-1] - run[0] != len(run) - 1:  # not contiguous: one record per byte
            groups = [[a] for a in run]
        else:
            groups = [run]
        for g in groups:
            body = bytes([len(g), (g[0] >> 8) & 0xFF, g[0] & 0xFF, 0]) + bytes(image[a] for a in g)
            lines.append(':' + body.hex().upper() + f'{-sum(body) & 0xFF:02X}')
lines.append(':00000001FF')
open(out, 'w').write('\n'.join(lines) + '\n')
PY
DEVICE=$device python3 "$root/scripts/bench/bench_project.py" "$work/job.pxp" "$work/user.hex" \
  "$root/examples/boot_update.btp"

# The job on a quiet line: its stored settings are what every job must leave.
start_box --busy-ms 5 --state "$work/quiet.state"
"$plx71" download -q "$work/job.pxp" --port "$work/tty" >/dev/null 2>"$work/quiet.err" \
  || { cat "$work/quiet.err" >&2; echo "the job fails on a quiet line" >&2; exit 1; }
stop_box

now_ms() { date +%s%3N; }

# One command, timed: "exit ms linkRate".
timed() {
  local start code=0 rate
  start=$(now_ms)
  timeout 1800 "$plx71" --json "$@" >"$dir/json" 2>/dev/null || code=$?
  rate=$(python3 -c 'import json,sys
try: print(json.load(open(sys.argv[1])).get("linkRate", 0))
except Exception: print(0)' "$dir/json")
  echo "$code $(($(now_ms) - start)) $rate"
}

# One job on its own box: "download upload", each "exit ms linkRate".
job() { # dir tty flags... -- box options...
  local dir=$1 tty=$2 flags=() d u
  shift 2
  while [ "$1" != -- ]; do flags+=("$1"); shift; done
  shift
  start_box_on "$tty" --busy-ms 5 --state "$dir/state" "${pace[@]}" "$@"
  d=$(timed download -q "$work/job.pxp" --port "$tty" "${flags[@]}")
  u=$(timed upload -q -o "$dir/up.pxp" --user-rom "$dir/up.hex" --boot-rom "$dir/up.mot" --port "$tty" "${flags[@]}")
  stop_box
  echo "$d $u"
}

# Worker w takes every par-th pair: the noisy job, then the clean one.
worker() {
  local w=$1 i=0 cell mode seed noise flags dir
  for cell in $rates; do
    for mode in $modes; do
      for ((seed = first; seed < first + jobs; seed++)); do
        i=$((i + 1))
        [ $((i % par)) = "$w" ] || continue
        if [[ $cell == *=* ]]; then noise=(--noise-at "$cell:$seed"); else noise=(--noise "$cell:$seed"); fi
        flags=()
        [ "$mode" = recover ] && flags=(--recover)
        dir=$work/$cell.$mode.$seed
        mkdir -p "$dir" "$dir/clean"
        local a b
        a=$(job "$dir" "$work/tty$w" "${flags[@]}" -- "${noise[@]}")
        b=$(job "$dir/clean" "$work/tty$w" --)
        echo "$cell $mode $seed $a $b" >>"$work/results.$w"
      done
    done
  done
}

for ((w = 0; w < par; w++)); do worker "$w" & done
wait
cat "$work"/results.* >"$work/results"

python3 - "$work" "$work/user.hex" "$root/examples/boot_update.btp" "$device" "$data" <<'PY'
import collections, statistics, sys

work, user_file, boot_file, device, data = sys.argv[1:]
USER_START, LAST_BLOCK = {'M30624FGFP': (0xC0000, 6), 'M30622F8FP': (0xF0000, 3)}[device]
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


# Every block is written, block LAST_BLOCK at the User ROM start, then eight
# Boot ROM pages.
user, boot = load(user_file), load(boot_file)
expected, address = {}, USER_START
for block in range(LAST_BLOCK, -1, -1):
    for a in range(address, address + BLOCK_SIZES[block], 256):
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


def upload_matches(dir, s):
    try:
        user_back = load(f'{dir}/up.hex')
        boot_back = load(f'{dir}/up.mot')
    except OSError:
        return False
    for page in range(USER_START >> 8 & 0xFFF, 0x1000):
        a = page << 8
        if bytes(user_back.get(a + i, 0xFF) for i in range(256)) != stored(s[1], page):
            return False
    for page in range(0x1FE0, 0x2000):  # the Boot ROM, FE000-FFFFF
        a = (page & 0xFFF) << 8
        if bytes(boot_back.get(a + i, 0xFF) for i in range(256)) != stored(s[1], page):
            return False
    return True


NAMES = {0: 'success', 5: 'comm error', 7: 'verify mismatch'}
COMMANDS = ('download', 'upload')
table = collections.OrderedDict()
ratios = collections.defaultdict(list)  # (cell, mode, command) -> noisy / clean of each pair
noisy_ms = collections.defaultdict(list)
clean_ms = collections.defaultdict(list)
finished = collections.defaultdict(collections.Counter)
for line in sorted(open(f'{work}/results'), key=lambda l: (l.split()[0], l.split()[1], int(l.split()[2]))):
    f = line.split()
    cell, mode, seed = f[0], f[1], f[2]
    runs, clean = [f[3:6], f[6:9]], [f[9:12], f[12:15]]
    dir = f'{work}/{cell}.{mode}.{seed}'
    s = state(f'{dir}/state')
    row = table.setdefault((cell, mode), {c: collections.Counter() for c in COMMANDS})
    checks = (lambda: holds_job(s), lambda: s is not None and upload_matches(dir, s))
    for command, (code, ms, link_rate), (ccode, cms, _), good in zip(COMMANDS, runs, clean, checks):
        code = int(code)
        kind = NAMES.get(code, 'other')
        if code == 0 and not good():
            kind = 'silently wrong'
            print(f'silently wrong: {command} {mode} at {cell}:{seed}')
        row[command][kind] += 1
        if int(ccode) != 0:
            print(f'the clean {command} beside {cell}:{seed} failed ({ccode})')
        key = (cell, mode, command)
        noisy_ms[key].append(int(ms))
        clean_ms[key].append(int(cms))
        ratios[key].append(int(ms) / max(int(cms), 1))
        if code == 0:
            finished[key][int(link_rate)] += 1

med = statistics.median
cols = ['success', 'comm error', 'verify mismatch', 'other', 'silently wrong']
print(f'{device}, data {data}; ratio: median over the seeds of noisy / clean (same seed, clean line, no --recover)')
print(f'{"cell":>12} {"mode":<8} {"command":<9}' + ''.join(f'{c:>16}' for c in cols)
      + '   ratio   noisy   clean  finished at')
for (cell, mode), row in table.items():
    for command in COMMANDS:
        key = (cell, mode, command)
        rates = ' '.join(f'{r}:{n}' for r, n in sorted(finished[key].items()))
        print(f'{cell:>12} {mode:<8} {command:<9}' + ''.join(f'{row[command][c]:>16}' for c in cols)
              + f'  {med(ratios[key]):5.2f}x {med(noisy_ms[key]) / 1000:6.1f}s {med(clean_ms[key]) / 1000:6.1f}s  {rates}')
PY
