#!/usr/bin/env bash
# Runs the Windows build of the core's test programs and of plx71 under Wine
# (headless). Usage: scripts/wine_tests.sh [windows build dir]
# (default build-windows, made by scripts/cross_build_windows.sh).
#
# Left out on Windows, each for a reason of its own:
#   core_ops_tests  drives the software writer box on a pseudo-terminal (not
#                   built for Windows; the serial check covers the link there)
#   PeerTools.*     runs srec_cat and python through a POSIX shell
# Tests of POSIX-only things (the termios port, /dev/zero, /dev/full) are
# compiled only where those exist.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build-windows}"
bin="$build/bin"
windows_filter='-PeerTools.*'

. "$root/scripts/wine_prefix.sh"
scratch=$(mktemp -d /tmp/plx71-wine-run-XXXXXX)
trap 'wine_prefix_stop; rm -rf "$scratch"' EXIT
wine_prefix_start

start=$SECONDS
failed=0
shopt -s nullglob
tests=("$bin"/core_*_tests.exe)
[ ${#tests[@]} -gt 0 ] || { echo "no test programs in $bin" >&2; exit 1; }
for t in "${tests[@]}"; do
  name=$(basename "$t")
  if (cd "$scratch" && wine "$t" --gtest_filter="$windows_filter" --gtest_brief=1) >"$scratch/$name.out" 2>&1; then
    summary=$(grep -hE '^\[ *(PASSED|SKIPPED) *\]' "$scratch/$name.out" | sed 's/^\[ *\([A-Z]*\) *\] */\1 /' | tr '\n' ' ')
    echo "$name: $summary"
  else
    cat "$scratch/$name.out"
    echo "$name FAILED" >&2
    failed=1
  fi
done

# plx71.exe with a file name outside ASCII and the ANSI code page.
name='Prüfling_µC_测试'
cp "$root/examples/user_program.hex" "$scratch/$name.hex"
(
  cd "$scratch"
  wine "$bin/plx71.exe" info "$name.hex" --device M30624FGFP >"$scratch/info.out"
  wine "$bin/plx71.exe" convert "$name.hex" "$name.mot" --device M30624FGFP
  wine "$bin/plx71.exe" info "$name.mot" --device M30624FGFP >"$scratch/info2.out"
) || { echo "plx71.exe failed on a non-ASCII file name" >&2; failed=1; }
if [ -f "$scratch/$name.mot" ] && cmp -s "$scratch/info.out" "$scratch/info2.out"; then
  echo "plx71.exe: $name.hex read and written as $name.mot ($(head -n 1 "$scratch/info.out" | tr -d '\r'))"
else
  echo "plx71.exe: non-ASCII file name not read or written back alike" >&2
  failed=1
fi

echo "Windows tests under Wine took $((SECONDS - start)) s"
exit $failed
