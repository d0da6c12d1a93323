#!/usr/bin/env bash
# The two window programs of the Windows build under Wine:
#  1. each starts on Qt's real `windows` platform on a virtual X display, its
#     window (titled as on Linux) is found by title and a screenshot of it is
#     kept in the build folder; the writer's form once more at 144 dpi;
#  2. on COM1 of the Wine prefix, mapped to the software writer box, the
#     Windows-built Qt tests drive PLX71RD's form (open the example project,
#     Download with read-back, Upload into a new project) and Plx71Ldr's
#     dialog (Read Version, firmware download); then the box's stored job is
#     read back on Linux and must carry the example's checksums.
# A missing DLL or platform plugin fails the run. Usage:
# scripts/windows/wine_gui_check.sh [windows build dir] (default build-windows);
# plx71sim and plx71 (Linux) come from $PLX71SIM / $PLX71CLI, else from
# build/release or build/debug.
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="${1:-$root/build-windows}"
build="$(cd "$build" && pwd)"
bin="$build/bin"
sim="${PLX71SIM:-}"
cli="${PLX71CLI:-}"
for dir in "$root/build/release/bin" "$root/build/debug/bin"; do
  [ -z "$sim" ] && [ -x "$dir/plx71sim" ] && sim=$dir/plx71sim
  [ -z "$cli" ] && [ -x "$dir/plx71" ] && cli=$dir/plx71
done
for f in PLX71RD.exe Plx71Ldr.exe win_writer_com1.exe win_loader_com1.exe; do
  [ -f "$bin/$f" ] || { echo "$bin/$f missing (scripts/windows/cross_build_windows.sh)" >&2; exit 1; }
done
[ -n "$sim" ] || { echo "plx71sim missing (build it, or set PLX71SIM)" >&2; exit 1; }
[ -n "$cli" ] || { echo "plx71 missing (build it, or set PLX71CLI)" >&2; exit 1; }
for tool in Xvfb xdotool xprop import identify; do
  command -v $tool >/dev/null || { echo "$tool missing (Debian: xvfb xdotool x11-utils imagemagick)" >&2; exit 1; }
done

# The version resource Explorer's Properties show (UTF-16 strings).
for pair in "PLX71RD:PLX-71RD writer control" "Plx71Ldr:PLX-71RD firmware loader" "plx71:PLX-71RD command-line tool"; do
  strings -e l "$bin/${pair%%:*}.exe" | grep -qxF "${pair#*:}" ||
    { echo "${pair%%:*}.exe has no version resource naming '${pair#*:}'" >&2; exit 1; }
done

. "$root/scripts/windows/wine_prefix.sh"
wine_session gui
# Wine's loader reports a DLL it cannot find; the rest stays quiet.
export WINEDEBUG=-all,err+module

# Fails on a missing import or platform plugin in a program's output.
check_output() { # label, output file
  if grep -E 'could not (find|load) the Qt platform plugin|err:module:' "$2" >&2; then
    echo "$1: a DLL or the Qt platform plugin is missing" >&2
    exit 1
  fi
}

# The programs keep their settings in the registry (QSettings' native
# format on Windows) and write nothing beside themselves.
ls -AR "$bin" >"$work/bin-before"

# 1. Windows on a virtual display.
. "$root/scripts/lib/virtual_display.sh"
start_virtual_display "$work"
pids+=("$xvfb_pid")

# Starts a program, waits for its window by title and for it to be drawn,
# keeps a screenshot, prints the window's size and ends the program.
shoot() { # program, title, screenshot file
  local program=$1 title=$2 shot=$3 t0=$SECONDS id= pid
  (cd "$work" && exec wine "$bin/$program") >"$work/$program.out" 2>&1 &
  pid=$!
  pids+=($pid)
  while [ $((SECONDS - t0)) -lt 120 ] && kill -0 $pid 2>/dev/null; do
    id=$(xdotool search --onlyvisible --name "^$title\$" 2>/dev/null | head -n 1 || true)
    # Drawn: more than a handful of colours in the window.
    if [ -n "$id" ] && import -window "$id" "$shot" 2>/dev/null &&
       [ "$(identify -format '%k' "$shot")" -gt 8 ]; then
      break
    fi
    id=
    sleep 0.2
  done
  check_output "$program" "$work/$program.out"
  [ -n "$id" ] || { cat "$work/$program.out"; echo "$program: no drawn window titled '$title'" >&2; exit 1; }
  # The window's icon, as Wine hands it to X (from the program's resource).
  # Wine may set it a moment after the window is drawn, most of all on the
  # first start after a wineserver restart.
  local t1=$SECONDS
  until xprop -id "$id" _NET_WM_ICON 2>/dev/null | grep -q 'Icon ('; do
    [ $((SECONDS - t1)) -lt 20 ] || { echo "$program: the window '$title' has no icon" >&2; exit 1; }
    sleep 0.2
  done
  local size
  size=$(xdotool getwindowgeometry "$id" | sed -n 's/.*Geometry: //p')
  kill $pid 2>/dev/null || true
  wait $pid 2>/dev/null || true
  echo "$program: window '$title' ($size) after $((SECONDS - t0)) s, $shot" >&2
  echo "$size"
}

writer_title='Plexon Writer PLX-71RD'
loader_title='PLX-71RD Firmware Down Loader Ver1.30 2001/12'
size96=$(shoot PLX71RD.exe "$writer_title" "$build/plx71rd.png")
shoot Plx71Ldr.exe "$loader_title" "$build/plx71ldr.png" >/dev/null

# 144 dpi (150 %): the form grows with the text and keeps its layout.
wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 144 /f >/dev/null
wineserver -k; wineserver -w
size144=$(shoot PLX71RD.exe "$writer_title" "$build/plx71rd-144dpi.png")
wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 96 /f >/dev/null
wineserver -k; wineserver -w
w96=${size96%x*}
w144=${size144%x*}
# 1.5 times as wide, give or take what does not scale (frame, rounding).
if [ $((w144 * 100)) -lt $((w96 * 135)) ] || [ $((w144 * 100)) -gt $((w96 * 165)) ]; then
  echo "at 144 dpi the form is $size144, at 96 dpi $size96: not scaled by 1.5" >&2
  exit 1
fi
echo "PLX71RD at 144 dpi: $size144 (96 dpi: $size96)"
unset DISPLAY

# 2. COM1 of the prefix is the software writer box's pseudo-terminal.
wine_com1_on_sim --state "$work/box.state" --log "$work/wire.log"
pids+=($sim_pid)

# plx71 ports: the serial-port map, which Wine's mount manager fills from
# its port mapping (COM1 here, and a COM port for each /dev/ttyS* it finds).
wine "$bin/plx71.exe" ports >"$work/ports.out" 2>&1 || { cat "$work/ports.out"; echo "plx71.exe ports failed" >&2; exit 1; }
grep -q '^COM1 ' "$work/ports.out" || { cat "$work/ports.out"; echo "plx71.exe ports does not list COM1" >&2; exit 1; }
echo "plx71.exe ports: $(grep -E '^COM[0-9]+ ' "$work/ports.out" | grep -v ' -> ' | tr -d '\r' | tr -s ' ' | paste -sd ';')"

# Qt Test's log goes to a file: under Wine its console output is lost.
run_test() { # test program
  local t0=$SECONDS out="$work/$1.out" log="$work/$1.log"
  if ! (cd "$root" && timeout 600 wine "$bin/$1" -platform offscreen -o "$log,txt") >"$out" 2>&1; then
    cat "$out" "$log" 2>/dev/null
    echo "$1: FAILED; last frames on the wire:" >&2
    tail -n 5 "$work/wire.log" >&2
    exit 1
  fi
  check_output "$1" "$out"
  echo "$1: $(grep -h '^Totals:' "$log" | tr -d '\r') ($((SECONDS - t0)) s)"
}
run_test win_writer_com1.exe
run_test win_loader_com1.exe

ls -AR "$bin" >"$work/bin-after"
if ! diff "$work/bin-before" "$work/bin-after" >&2; then
  echo "the programs wrote into $bin" >&2
  exit 1
fi

# The box's stored job, read back by the Linux tool from a fresh box that
# loads the state the Windows programs left.
kill $sim_pid
wait $sim_pid 2>/dev/null || true
"$sim" --link "$work/com1b" --state "$work/box.state" >"$work/sim2.out" 2>&1 &
pids+=($!)
for _ in $(seq 50); do [ -e "$work/com1b" ] && break; sleep 0.1; done
PLX71_COM1="$work/com1b" "$cli" upload -o "$work/stored.pxp" --user-rom "$work/stored.hex" \
  --boot-rom "$work/stored.btp" >"$work/upload.out" 2>&1 ||
  { cat "$work/upload.out"; echo "the stored job could not be read back" >&2; exit 1; }
user=$("$cli" info "$work/stored.hex" --device M30624FGFP --area user | head -n 1)
boot=$("$cli" info "$work/stored.btp" --device M30624FGFP --area boot | head -n 1)
echo "stored job: user area $user; boot area $boot"
case "$user" in *28D9*) ;; *) echo "user area checksum is not 28D9" >&2; exit 1 ;; esac
case "$boot" in *7EB0*) ;; *) echo "boot area checksum is not 7EB0" >&2; exit 1 ;; esac
