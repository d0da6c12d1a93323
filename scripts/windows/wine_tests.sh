#!/usr/bin/env bash
# Runs the Windows build of the core's test programs, the Qt tests of the
# window programs and their shell, and plx71 under Wine (headless: the Qt
# tests on the offscreen platform). Usage: scripts/windows/wine_tests.sh [windows build dir]
# (default build-windows, made by scripts/windows/cross_build_windows.sh).
#
# Left out on Windows, each for a reason of its own:
#   core_ops_tests  drives the software writer box on a pseudo-terminal (not
#                   built for Windows; the serial check covers the link there)
#   PeerTools.*     runs srec_cat and python through a POSIX shell
#   *_sim_test, loader_*  drive the software writer box on a pseudo-terminal
#                   (not built for Windows; win_*_com1 reach it on COM1 in
#                   scripts/windows/wine_gui_check.sh)
# Tests of POSIX-only things (the termios port, /dev/zero, /dev/full) are
# compiled only where those exist.
# The Win32 port keeps the port contract on COM8 and COM9, two pseudo-
# terminals joined by a relay (PLX71_TEST_COM_PAIR tells the test).
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="${1:-$root/build-windows}"
bin="$build/bin"
windows_filter='-PeerTools.*'

. "$root/scripts/windows/wine_prefix.sh"
scratch=$(mktemp -d /tmp/plx71-wine-run-XXXXXX)
trap 'wine_prefix_stop; rm -rf "$scratch"' EXIT
wine_prefix_start

# The Win32 port's contract (core_link_tests) wants two COM ports joined by
# a line: two pseudo-terminals whose bytes a relay copies both ways, as COM8
# and COM9 of the prefix.
python3 -c '
import os, pty, select, sys, tty
ends = [pty.openpty() for _ in range(2)]
for _, slave in ends:
    tty.setraw(slave)  # the slaves stay open, so a master never reads EIO
print(" ".join(os.ttyname(slave) for _, slave in ends), flush=True)
a, b = ends[0][0], ends[1][0]
while True:
    for fd in select.select([a, b], [], [])[0]:
        os.write(b if fd == a else a, os.read(fd, 4096))
' >"$scratch/pair" &
relay_pid=$!
trap 'kill $relay_pid 2>/dev/null; wine_prefix_stop; rm -rf "$scratch"' EXIT
for _ in $(seq 50); do [ -s "$scratch/pair" ] && break; sleep 0.1; done
read -r com8 com9 <"$scratch/pair"
[ -n "${com9:-}" ] || { echo "no pair of joined terminals for COM8/COM9" >&2; exit 1; }
wine reg add 'HKCU\Environment' /v PLX71_TEST_COM_PAIR /t REG_SZ /d COM8:COM9 /f >/dev/null
wine_map_com COM8 "$com8" COM9 "$com9"

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

# The Qt tests, on the offscreen platform. Its font database reads the font
# files of QT_QPA_FONTDIR; Wine does not hand QT_* variables of the Linux side
# on, so the variable goes into the prefix's environment (HKCU\Environment).
fonts=/usr/share/fonts/truetype/dejavu
[ -d "$fonts" ] || { echo "$fonts missing (Debian: fonts-dejavu-core)" >&2; exit 1; }
wine reg add 'HKCU\Environment' /v QT_QPA_FONTDIR /t REG_SZ /d "Z:${fonts//\//\\}" /f >/dev/null
# Left out under Wine, each for a reason of its own:
#   LayoutTest::theMainWindowResizesAndShortFieldsStayNarrow  compares field
#     widths with the text widths of the offscreen platform's fonts; with
#     DejaVu under Wine a field of an empty form comes out wider than a
#     twelfth of the smallest window (the same form looks right on the
#     windows platform, see scripts/windows/wine_gui_check.sh).
qt_skipped=(writer_layout_test.exe:theMainWindowResizesAndShortFieldsStayNarrow)
# The test functions of a Qt test to run: all but those left out.
qt_functions() { # test program
  local name skip fns
  name=$(basename "$1")
  fns=$(cd "$scratch" && wine "$1" -platform offscreen -functions 2>/dev/null | tr -d '\r' | sed 's/()$//')
  for skip in "${qt_skipped[@]}"; do
    [ "${skip%%:*}" = "$name" ] && fns=$(grep -vx "${skip#*:}" <<<"$fns")
  done
  echo "$fns"
}

# A Qt program that cannot load a DLL or its platform plugin
# may end with a message only, so those messages fail the run too (Wine's
# loader errors are let through for that).
qt_tests=("$bin"/writer_*.exe "$bin"/loader_*.exe "$bin"/qtui_*.exe)
if [ "${PLX71_WINDOWS_GUI:-1}" != 0 ]; then
  [ ${#qt_tests[@]} -gt 0 ] || { echo "no Qt test programs in $bin" >&2; exit 1; }
fi
for t in "${qt_tests[@]}"; do
  name=$(basename "$t")
  t0=$SECONDS
  ok=1
  # The platform goes on the command line: Wine does not hand QT_* variables
  # on to the program. Qt Test's log goes to a file: its console output is lost.
  functions=()
  if printf '%s\n' "${qt_skipped[@]}" | grep -q "^$name:"; then
    mapfile -t functions < <(qt_functions "$t")
  fi
  (cd "$scratch" && WINEDEBUG=-all,err+module timeout 600 wine "$t" -platform offscreen -o "$name.log,txt" "${functions[@]}") \
    >"$scratch/$name.out" 2>&1 || ok=0
  if grep -qE 'could not (find|load) the Qt platform plugin|err:module:' "$scratch/$name.out"; then
    ok=0
  fi
  if [ $ok = 1 ]; then
    echo "$name: $(grep -hE '^Totals:' "$scratch/$name.log" | tr -d '\r') ($((SECONDS - t0)) s)"
  else
    cat "$scratch/$name.out" "$scratch/$name.log" 2>/dev/null
    echo "$name FAILED" >&2
    failed=1
  fi
done

echo "Windows tests under Wine took $((SECONDS - start)) s"
exit $failed
