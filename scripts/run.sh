#!/usr/bin/env bash
# The main job: installs what is missing (the run set), builds the programs
# it runs (release preset: no tests, no benchmarks), starts the software
# writer box on a pseudo-terminal reachable as COM1 and opens the writer
# control program against it. Without a display it runs the same job with
# the command-line tool: download and upload of the example project against
# the software writer box. `cmake --build --preset release` builds the other
# programs (Plx71Ldr, Plx71Station, plx71line) into the same folder.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh run
cmake --preset release >/dev/null
targets=(plx71 plx71sim)
[ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && targets+=(PLX71RD)
cmake --build --preset release --target "${targets[@]}"
bin=$PWD/build/release/bin

work=$(mktemp -d /tmp/plx71-run-XXXXXX)
cleanup() { [ -n "${sim_pid:-}" ] && kill "$sim_pid" 2>/dev/null; wait 2>/dev/null; rm -rf "$work"; }
trap cleanup EXIT

"$bin/plx71sim" --link "$work/com1" --state "$work/box.state" >"$work/sim.out" 2>&1 &
sim_pid=$!
for _ in $(seq 50); do [ -e "$work/com1" ] && break; sleep 0.1; done
[ -e "$work/com1" ] || { cat "$work/sim.out"; echo "the software writer box did not start" >&2; exit 1; }
export PLX71_COM1="$work/com1"
echo "software writer box on $(head -n 1 "$work/sim.out"), reachable as COM1"

"$bin/plx71" devices
"$bin/plx71" info examples/user_program.hex --device M30624FGFP

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ -x "$bin/PLX71RD" ]; then
  echo "opening PLX71RD in examples/: choose M30624FGFP, Select... user_program.hex, Download, Upload"
  (cd examples && "$bin/PLX71RD")
else
  echo "no display: running the same job with plx71 instead"
  echo "-- download of examples/demo_project.pxp"
  "$bin/plx71" download examples/demo_project.pxp
  echo "-- upload into $work/uploaded.pxp"
  "$bin/plx71" upload -o "$work/uploaded.pxp" --user-rom "$work/uploaded.hex" --boot-rom "$work/uploaded.btp"
  "$bin/plx71" info "$work/uploaded.hex" --device M30624FGFP
  "$bin/plx71" info "$work/uploaded.btp" --device M30624FGFP --area boot
fi
