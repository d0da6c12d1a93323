#!/usr/bin/env bash
# The termios serial port of plx71 on a real serial driver: a QEMU guest
# (TCG, no KVM needed) boots Debian's kernel with a small initramfs holding
# plx71, its libraries, the device table and the example project. The
# guest's second 16550 UART (ttyS1, the kernel's 8250 driver) is the host
# pseudo-terminal of plx71sim. In the guest plx71 downloads a project with
# read-back and uploads it, at 115200 bit/s (the example project) and at
# 9600 bit/s (the example program in the smallest device).
# Checks: every job exits 0 in the guest and names the ttyS port it used;
# a second plx71 is turned away while a job holds the port, and the
# console's port (ttyS0) is never opened;
# the box's wire log names 8 data bits, odd parity and each rate for the
# bytes it took, and no byte came at other settings; the uploaded areas have
# the example files' checksums. Fails, saying why, when QEMU, the kernel or
# busybox is missing or the guest does not come up.
# Usage: scripts/ci/qemu_serial_check.sh [build dir]
# (default build/release, else build/debug; the kernel is the newest
# /boot/vmlinuz-* unless PLX71_QEMU_KERNEL names one; PLX71_QEMU_KEEP=1
# keeps the wire log, the console and the initramfs; PLX71_QEMU_TIMEOUT is
# the guest's time limit in seconds, default 220).
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
fail() {
  echo "qemu serial check FAILED: $*" >&2
  exit 1
}
build="${1:-}"
for candidate in "$root/build/release" "$root/build/debug"; do
  [ -z "$build" ] && [ -x "$candidate/bin/plx71" ] && build=$candidate
done
[ -n "$build" ] || fail "no plx71 in build/release or build/debug (build it first)"
bin="$build/bin"
for f in plx71 plx71sim plx71typ.tbl; do
  [ -e "$bin/$f" ] || fail "$bin/$f missing"
done
qemu=$(command -v qemu-system-x86_64) || fail "qemu-system-x86_64 missing (scripts/install-deps.sh qemu)"
kernel="${PLX71_QEMU_KERNEL:-$(ls -1 /boot/vmlinuz-* 2>/dev/null | sort -V | tail -n 1)}"
[ -n "$kernel" ] && [ -r "$kernel" ] || fail "no readable kernel in /boot (linux-image-amd64) or PLX71_QEMU_KERNEL"
busybox=/bin/busybox
[ -x "$busybox" ] && ! ldd "$busybox" >/dev/null 2>&1 || fail "$busybox missing or not static (busybox-static)"
command -v cpio >/dev/null || fail "cpio missing"

work=$(mktemp -d /tmp/plx71-qemu-XXXXXX)
cleanup() {
  [ -n "${qemu_pid:-}" ] && kill "$qemu_pid" 2>/dev/null
  [ -n "${sim_pid:-}" ] && kill "$sim_pid" 2>/dev/null
  wait 2>/dev/null
  if [ -n "${PLX71_QEMU_KEEP:-}" ]; then echo "logs kept in $work"; else rm -rf "$work"; fi
}
trap cleanup EXIT
start=$SECONDS

# The initramfs: busybox, plx71 with the libraries ldd names, the table
# beside the program, the example project and its data files.
fs="$work/fs"
mkdir -p "$fs"/{bin,dev,proc,sys,tmp,job}
cp "$busybox" "$fs/bin/busybox"
for applet in sh mount cat grep head poweroff sleep; do ln -s busybox "$fs/bin/$applet"; done
cp "$bin/plx71" "$bin/plx71typ.tbl" "$fs/bin/"
ldd "$bin/plx71" | grep -o '/[^ ]*' | sort -u | while read -r lib; do
  mkdir -p "$fs$(dirname "$lib")"
  cp -L "$lib" "$fs$lib"
done
cp "$root"/examples/{demo_project.pxp,user_program.hex,boot_update.btp} "$fs/job/"
# For 9600 bit/s a project of the device with the smallest User ROM
# (M30622F8FP, 64 KB, 256 pages), the example program moved into it: every
# page read there takes its time, and the example's 1,024 pages twice would
# not fit the step's four minutes.
python3 - "$root/tools" "$fs/job" <<'EOF'
import os, sys
sys.path.insert(0, sys.argv[1])
import make_examples as m
m.OUT = sys.argv[2]
m.write("small_program.hex", m.intel_hex([(a + 0x30000 if a < 0xF0000 else a, d) for a, d in m.user_program()]))
with open(os.path.join(m.OUT, "small_project.pxp"), "wb") as f:
    f.write(m.project(2, "M30622F8FP", ((0xF0000, 0x10000), (0xFE000, 0x2000)), 3, 50, 50,
                      "boot_update.btp", "small_program.hex"))
EOF
cat >"$fs/init" <<'EOF'
#!/bin/sh
# Output for the host starts with "guest: "; the host reads it off the console.
export PATH=/bin HOME=/tmp
mount -t proc proc /proc
mount -t sysfs sys /sys
mount -t devtmpfs dev /dev
cd /job
port=/dev/ttyS1
echo "guest: $(grep '^1:' /proc/tty/driver/serial)"
plx71 ports | while read -r line; do echo "guest: ports: $line"; done
uptime() { read -r up _ </proc/uptime; echo "$up"; }
job() { # label, then the plx71 arguments
  label=$1
  shift
  t0=$(uptime)
  plx71 --json "$@" --port "$port" -q >/tmp/out.json 2>/tmp/err.txt
  rc=$?
  echo "guest: $label exit $rc $(grep -o '"devicePath":"[^"]*"' /tmp/out.json | head -n 1) ($t0 s to $(uptime) s)"
  [ $rc = 0 ] || while read -r line; do echo "guest: $label: $line"; done </tmp/err.txt
}
# The console's port carries no box: never opened.
plx71 versions --port /dev/ttyS0 >/dev/null 2>/tmp/console.txt
echo "guest: console port exit $? $(tr "\n" " " </tmp/console.txt)"
# At 9600 bit/s the pages left FF by the erase stay off the line (every page
# is still read back): 256 pages would take 77 s of line time.
for run in "115200 demo_project.pxp M30624FGFP" "9600 small_project.pxp M30622F8FP --skip-blank"; do
  set -- $run
  rate=$1 device=$3
  job "download $rate" download "$2" --baud $rate $4
  job "upload $rate" upload -o /tmp/up.pxp --user-rom /tmp/up.hex --boot-rom /tmp/up.btp --baud $rate &
  holder=$!
  if [ $rate = 115200 ]; then
    # A second opener while the upload holds the port is turned away.
    n=0
    while [ $n -lt 100 ] && ! ls -l /proc/[0-9]*/fd 2>/dev/null | grep -q ttyS1; do
      sleep 0.1
      n=$((n + 1))
    done
    plx71 versions --port "$port" >/dev/null 2>/tmp/busy.txt
    echo "guest: second opener exit $? $(tr "\n" " " </tmp/busy.txt)"
  fi
  wait $holder
  echo "guest: upload $rate user $(plx71 info /tmp/up.hex --device $device | head -n 1)"
  echo "guest: upload $rate boot $(plx71 info /tmp/up.btp --device $device --area boot | head -n 1)"
done
echo "guest: done"
poweroff -f
EOF
chmod +x "$fs/init"
(cd "$fs" && find . | cpio -o -H newc --quiet | gzip -1) >"$work/initramfs.gz"

"$bin/plx71sim" --state "$work/box.state" --log "$work/wire.log" >"$work/sim.out" 2>&1 &
sim_pid=$!
for _ in $(seq 50); do [ -s "$work/sim.out" ] && break; sleep 0.1; done
pty=$(head -n 1 "$work/sim.out")
[ -c "$pty" ] || fail "the software writer box did not start: $(cat "$work/sim.out")"

: >"$work/console.log"
# ttyS0 is the console, ttyS1 the box's line. On a loaded host an emulated
# CPU can be too slow for the kernel's check of the timer interrupt, which
# then stops the boot: skipped.
timeout ${PLX71_QEMU_TIMEOUT:-220} "$qemu" -accel tcg -nodefaults -no-user-config -display none -monitor none -no-reboot -m 256 \
  -kernel "$kernel" -initrd "$work/initramfs.gz" -append "console=ttyS0 panic=-1 quiet no_timer_check" \
  -chardev file,id=console,path="$work/console.log",append=on -device isa-serial,chardev=console,index=0 \
  -chardev serial,id=box,path="$pty" -device isa-serial,chardev=box,index=1 \
  -trace serial_update_parameters -D "$work/qemu.trace" >"$work/qemu.out" 2>&1 &
qemu_pid=$!
# The guest's lines as they come.
tail -n +1 -f --pid="$qemu_pid" "$work/console.log" | sed -un 's/\r$//; s/^guest: /  /p' &
show_pid=$!
qemu_rc=0
wait "$qemu_pid" || qemu_rc=$?
qemu_pid=
wait "$show_pid" || true
if ! grep -q '^guest: done' "$work/console.log"; then
  [ $qemu_rc = 124 ] && echo "the guest did not finish within ${PLX71_QEMU_TIMEOUT:-220} s" >&2
  echo "-- qemu (exit $qemu_rc):" >&2
  tail -n 20 "$work/qemu.out" >&2
  echo "-- console:" >&2
  tail -n 20 "$work/console.log" >&2
  echo "-- last frames on the wire:" >&2
  tail -n 5 "$work/wire.log" >&2 || true
  fail "the guest did not run its jobs to the end"
fi

guest=$(tr -d '\r' <"$work/console.log")
for run in "115200 M30624FGFP user_program.hex" "9600 M30622F8FP small_program.hex"; do
  set -- $run
  rate=$1
  for what in download upload; do
    echo "$guest" | grep -q "^guest: $what $rate exit 0 .*/dev/ttyS1" ||
      fail "$what at $rate bit/s did not succeed on /dev/ttyS1"
  done
  for area in user:$3 boot:boot_update.btp; do
    sent=$("$bin/plx71" info "$fs/job/${area#*:}" --device "$2" --area "${area%%:*}" | head -n 1)
    echo "$guest" | grep -qxF "guest: upload $rate ${area%%:*} $sent" ||
      fail "the ${area%%:*} area uploaded at $rate bit/s differs from ${area#*:} ($sent)"
  done
done
echo "$guest" | grep -q "^guest: console port exit 4 .*terminal of a session or the system console" ||
  fail "plx71 did not refuse the console's port /dev/ttyS0 as a session's terminal"
echo "$guest" | grep -q "^guest: second opener exit 4 " ||
  fail "a second plx71 was not turned away (exit 4) while the upload held /dev/ttyS1"
# What the box saw: the settings of every stretch of bytes it took.
grep -n '^LINE ' "$work/wire.log" | sed 's/^/  box: /' | sort -t: -k3 -u | sort -n -t: -k2 | cut -d: -f1,3-
for rate in 115200 9600; do
  grep -qxF "LINE $rate bit/s, 8 data bits, odd parity, 1 stop bit, parity check on" "$work/wire.log" ||
    fail "the box never saw 8 data bits, odd parity at $rate bit/s"
done
others=$(grep '^LINE ' "$work/wire.log" | grep -vE '^LINE (115200|9600) bit/s, 8 data bits, odd parity, 1 stop bit,' || true)
[ -z "$others" ] || fail "bytes came at other line settings: $others"
! grep -qE '^(PC|BOX)! ' "$work/wire.log" || fail "bytes were lost to line settings the box was not at"
# The guest's UART as QEMU programs it (the pty hides parity and data bits).
grep -o 'baudrate=[0-9]* parity=.* data=[0-9]* stop=[0-9]*' "$work/qemu.trace" | sort | uniq -c | sed 's/^/  uart: /' || true
echo "frames on the wire: $(grep -c '^PC>' "$work/wire.log") from the PC, $(grep -c '^BOX>' "$work/wire.log") from the box," \
  "$(grep -c '^PC#' "$work/wire.log" || true) dropped as broken"
took=$((SECONDS - start))
[ $took -le 240 ] || fail "took $took s, over the 4 minutes this step may take"
echo "qemu serial check passed in $took s (kernel $(basename "$kernel"), $($qemu --version | head -n 1))"
