#!/usr/bin/env bash
# Makes the user guide's pictures (docs/guide/images/*.png) from the built
# window programs on a virtual X display, against the software writer box on
# COM1 (paced, so that the transfer dialogs can be seen mid-way), in a fresh
# home folder (no settings of whoever runs it). Each picture is made smaller
# with pngquant and optipng; a picture that cannot be made fails the run.
# Prints the pictures' total size and the time taken.
#
#   scripts/ci/guide_pictures.sh [build dir]     (default build/release)
#   PLX71_GUIDE_DISPLAY=61 ...                    use display :61 (else the first free one)
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="${1:-$root/build/release}"
mkdir -p "$build"
build="$(cd "$build" && pwd)"
images="$root/docs/guide/images"
start=$(date +%s)
for tool in Xvfb pngquant optipng; do
  command -v "$tool" >/dev/null || { echo "$tool missing: run scripts/install-deps.sh guide" >&2; exit 2; }
done

preset=$(basename "$build")
if [ -f "$root/CMakePresets.json" ] && grep -q "\"name\": \"$preset\"" "$root/CMakePresets.json"; then
  [ -f "$build/CMakeCache.txt" ] || cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" --target plx71_guide_pictures plx71sim Plx71Station
fi
pictures=$build/bin/plx71_guide_pictures
sim=$build/bin/plx71sim
for f in "$pictures" "$sim"; do [ -x "$f" ] || { echo "$f was not built" >&2; exit 1; }; done

work=$(mktemp -d /tmp/plx71-guide-XXXXXX)
pids=()
cleanup() {
  local pid
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

. "$root/scripts/lib/virtual_display.sh"
start_virtual_display "$work" 1280x1024 "${PLX71_GUIDE_DISPLAY:-}"
pids+=("$xvfb_pid")
export QT_QPA_PLATFORM=xcb
unset WAYLAND_DISPLAY QT_QPA_PLATFORMTHEME

# A user who has just installed: the examples in Documents, no settings.
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config
unset XDG_DOCUMENTS_DIR
mkdir -p "$HOME/Documents" "$work/shots"
for f in demo_project.pxp user_program.hex user_program.mot boot_update.btp firmware_v131.hex; do cp "$root/examples/$f" "$HOME/Documents/"; done

"$sim" --link "$work/com1" --pace >"$work/sim.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do [ -e "$work/com1" ] && break; sleep 0.1; done
[ -e "$work/com1" ] || { cat "$work/sim.log" >&2; echo "the software writer box did not start" >&2; exit 1; }
export PLX71_COM1=$work/com1

if ! (cd "$HOME/Documents" && timeout 600 "$pictures" "$work/shots" "$HOME/Documents") >"$work/pictures.log" 2>&1; then
  cat "$work/pictures.log" >&2
  echo "guide pictures: not every picture could be made" >&2
  exit 1
fi
cat "$work/pictures.log"
# The station: four slots in four states, on a display of its own.
BIN_DIR="$build/bin" bash "$root/scripts/ci/station_picture.sh" "$work/shots/station.png"

. "$root/scripts/lib/pack_pictures.sh"
pack_pictures "$work/shots" "$images"
count=$(ls "$images"/*.png | wc -l)
echo "guide pictures: $count in $images, $(du -cb "$images"/*.png | tail -n 1 | cut -f1) bytes in all, made in $(( $(date +%s) - start )) s"
