#!/usr/bin/env bash
# A noisy line: JOBS jobs per bit error rate against the software writer box
# with --noise RATE:SEED (seeds 1..JOBS, so any row can be run again). Each job
# is a download with its read-back, then an upload, then an upload with
# --read-twice. After every job the box's
# stored state (--state) is compared with the project: the pages with the
# data files, the settings with those of a job run on a quiet line; the
# upload's files are compared with the stored pages. Prints per rate and
# command: success, communication error (exit 5), verify mismatch (exit 7),
# other exits, and silently wrong (exit 0 while the box, or what was read,
# differs).
#
#   scripts/bench_noise.sh [JOBS]        # default 10 jobs per rate
#   RATES="1e-5 1e-4" BLOCKS=0 scripts/bench_noise.sh 20
#   BUILD_DIR=build/release scripts/bench_noise.sh   # binaries built there
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
jobs=${1:-10}
rates=${RATES:-1e-6 1e-5 3e-5 1e-4}
blocks=${BLOCKS:-0,2}
# shellcheck source=scripts/lib/bench_box.sh
. scripts/lib/bench_box.sh
bench_binaries "${BUILD_DIR:-build/release}"
bench_work noise

python3 "$root/scripts/bench_project.py" "$work/job.pxp" "$root/examples/user_program.hex" \
  "$root/examples/boot_update.btp" "$blocks"

# The job on a quiet line: its stored settings are what every job must leave.
start_box --busy-ms 5 --state "$work/quiet.state"
"$plx71" download -q "$work/job.pxp" --port "$work/tty" >/dev/null 2>"$work/quiet.err" \
  || { cat "$work/quiet.err" >&2; echo "the job fails on a quiet line" >&2; exit 1; }
stop_box

run_job() { # rate seed -> "download-exit upload-exit upload-twice-exit"
  local rate=$1 seed=$2 d=0 u=0 t=0 dir=$work/$1.$2
  mkdir -p "$dir"
  start_box --busy-ms 5 --state "$dir/state" --noise "$rate:$seed"
  timeout 600 "$plx71" download -q "$work/job.pxp" --port "$work/tty" >/dev/null 2>&1 || d=$?
  timeout 600 "$plx71" upload -q -o "$dir/up.pxp" --user-rom "$dir/up.hex" --boot-rom "$dir/up.mot" \
    --port "$work/tty" >/dev/null 2>&1 || u=$?
  timeout 600 "$plx71" upload -q --read-twice -o "$dir/twice.pxp" --user-rom "$dir/twice.hex" \
    --boot-rom "$dir/twice.mot" --port "$work/tty" >/dev/null 2>&1 || t=$?
  stop_box
  echo "$d $u $t"
}

: >"$work/results"
for rate in $rates; do
  for ((seed = 1; seed <= jobs; seed++)); do
    read -r d u t < <(run_job "$rate" "$seed")
    echo "$rate $seed $d $u $t" >>"$work/results"
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


def upload_matches(rate, seed, name, s):
    try:
        user_back = load(f'{work}/{rate}.{seed}/{name}.hex')
        boot_back = load(f'{work}/{rate}.{seed}/{name}.mot')
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
for line in open(f'{work}/results'):
    rate, seed, d, u, t = line.split()
    s = state(f'{work}/{rate}.{seed}/state')
    row = table.setdefault(rate, {c: collections.Counter() for c in COMMANDS})
    for command, code, good in (('download', int(d), lambda: holds_job(s)),
                                ('upload', int(u), lambda: s is not None and upload_matches(rate, seed, 'up', s)),
                                ('upload2x', int(t), lambda: s is not None and upload_matches(rate, seed, 'twice', s))):
        kind = NAMES.get(code, 'other')
        if code == 0 and not good():
            kind = 'silently wrong'
            print(f'silently wrong: {command} at --noise {rate}:{seed}')
        row[command][kind] += 1

cols = ['success', 'comm error', 'verify mismatch', 'other', 'silently wrong']
print('upload2x: upload --read-twice')
print(f'{"rate":>8} {"command":<9}' + ''.join(f'{c:>16}' for c in cols))
for rate, row in table.items():
    for command in COMMANDS:
        print(f'{rate:>8} {command:<9}' + ''.join(f'{row[command][c]:>16}' for c in cols))
PY
