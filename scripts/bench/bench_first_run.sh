#!/usr/bin/env bash
# The README's run command as a new user meets it: a fresh minbase Debian 12
# (debootstrap) as a chroot, a clean export of the tree (git archive) in it,
# and `bash scripts/run.sh` inside, timed from its start to the end of the
# main job. Prints the total and where the time went (apt and configure, the
# build, the job), the size apt fetched, the packages it installed, and the
# machine's load before and after (other builds on the same cores slow it).
# Run as root; it needs debootstrap (apt-get install debootstrap) and the
# Debian mirror. Making the chroot is not timed.
#
#   scripts/bench/bench_first_run.sh [REV]      the tree at REV (default HEAD)
#   KEEP=1 ...                                  keep the chroot (its path is printed)
#   PLX71_CHROOT_BASE=FILE.tar ...              unpack this bare chroot instead of
#                                               running debootstrap (made with KEEP_BASE)
#   KEEP_BASE=FILE.tar ...                      save the bare chroot there for later runs
#   NICE=-19 ...                                run at that nice value: on a machine that
#                                               others build on too, close to an idle one
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
rev=${1:-HEAD}
mirror=${PLX71_MIRROR:-http://deb.debian.org/debian}
[ "$(id -u)" = 0 ] || { echo "run as root (debootstrap, chroot, mount)" >&2; exit 2; }
command -v debootstrap >/dev/null || { echo "debootstrap missing: apt-get install debootstrap" >&2; exit 2; }

chroot_dir=$(mktemp -d /var/tmp/plx71-first-run-XXXXXX)
mounted=()
cleanup() {
  local i
  for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do umount -l "${mounted[i]}" 2>/dev/null || true; done
  if [ "${KEEP:-0}" = 1 ]; then echo "chroot kept in $chroot_dir"; else rm -rf --one-file-system "$chroot_dir"; fi
}
trap cleanup EXIT

# 1. The fresh machine: minbase Debian 12 with its usual apt sources.
if [ -n "${PLX71_CHROOT_BASE:-}" ]; then
  tar -xf "$PLX71_CHROOT_BASE" -C "$chroot_dir"
else
  step=$(date +%s)
  debootstrap --variant=minbase bookworm "$chroot_dir" "$mirror" >"$chroot_dir.debootstrap.log" 2>&1 ||
    { tail -n 20 "$chroot_dir.debootstrap.log" >&2; echo "debootstrap failed" >&2; exit 1; }
  rm -f "$chroot_dir.debootstrap.log"
  cat >"$chroot_dir/etc/apt/sources.list" <<EOF
deb $mirror bookworm main
deb $mirror bookworm-updates main
deb http://deb.debian.org/debian-security bookworm-security main
EOF
  rm -rf "$chroot_dir"/var/lib/apt/lists/* "$chroot_dir"/var/cache/apt/archives/*.deb
  echo "debootstrap (not timed): $(( $(date +%s) - step )) s"
  [ -n "${KEEP_BASE:-}" ] && tar -cf "$KEEP_BASE" -C "$chroot_dir" . && echo "bare chroot saved as $KEEP_BASE"
fi
cp /etc/resolv.conf "$chroot_dir/etc/resolv.conf"

# 2. The tree as a clone holds it, without build folders or ignored files.
mkdir -p "$chroot_dir/root/plx71"
git -C "$root" archive "$rev" | tar -x -C "$chroot_dir/root/plx71"
echo "tree: $(git -C "$root" rev-parse --short=12 "$rev") ($(git -C "$root" log -1 --format=%s "$rev"))"

for m in proc dev dev/pts; do mkdir -p "$chroot_dir/$m"; done
mount -t proc proc "$chroot_dir/proc" && mounted+=("$chroot_dir/proc")
mount --bind /dev "$chroot_dir/dev" && mounted+=("$chroot_dir/dev")
mount --bind /dev/pts "$chroot_dir/dev/pts" && mounted+=("$chroot_dir/dev/pts")

# 3. The run command, each line stamped with the seconds since its start.
log=$(mktemp /tmp/plx71-first-run-XXXXXX.log)
echo "load before: $(uptime) (nice ${NICE:-0})"
tenths() { local now=${EPOCHREALTIME/./}; echo $(( (now - start_us) / 100000 )); }
show() { printf '%d.%d' $(($1 / 10)) $(($1 % 10)); }
start_us=${EPOCHREALTIME/./}
set +e
nice -n "${NICE:-0}" env -i HOME=/root PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin TERM=dumb LANG=C.UTF-8 \
  chroot "$chroot_dir" /bin/bash -c 'cd /root/plx71 && bash scripts/run.sh' </dev/null 2>&1 |
  while IFS= read -r line; do printf '%6s %s\n' "$(tenths)" "$line"; done >"$log"
rc=${PIPESTATUS[0]}
set -e
total=$(tenths)
echo "load after:  $(uptime)"
# CPU time of everything the run command ran (apt, dpkg, compilers): what
# does not depend on how busy the machine was; over two cores it bounds
# the time an idle machine needs.
times >"$log.cpu" # the builtin, in this shell: its second line is its children's
echo "CPU time of the run command (user, system): $(tail -n 1 "$log.cpu")"

# Where the time went: apt and the configure end where ninja prints its
# first step; the build ends at its last. (Times below in tenths of a second.)
build_lines=$(grep -E '^ *[0-9]+ \[[0-9]+/[0-9]+\]' "$log" || true)
first_step=$(head -n 1 <<<"$build_lines" | awk '{print $1}')
last_step=$(tail -n 1 <<<"$build_lines" | awk '{print $1}')
steps=$(tail -n 1 <<<"$build_lines" | sed -E 's/.*\[[0-9]+\/([0-9]+)\].*/\1/')
fetched=$(grep -m1 -o 'Need to get [^.]*' "$log" || echo "nothing fetched")
installed=$(grep -m1 -oE '[0-9]+ newly installed' "$log" || echo "0 newly installed")
tail -n 12 "$log" | cut -c1-160
echo "full log: $log"
echo
echo "apt and configure: $(show "${first_step:-0}") s ($fetched, $installed)"
echo "build:             $(show $((${last_step:-0} - ${first_step:-0}))) s (${steps:-0} steps)"
echo "main job:          $(show $((total - ${last_step:-0}))) s"
echo "first run total:   $(show "$total") s ($((total / 600)) min $(((total / 10) % 60)) s), exit $rc"
exit "$rc"
