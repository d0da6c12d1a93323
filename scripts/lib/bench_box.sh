# Sourced by the bench scripts that run jobs against the software writer box:
# a work folder removed on exit, and boxes started on pseudo terminals and
# stopped again. The caller sets $root (the tree) first.
#
#   bench_binaries BUILD   $plx71 and $sim from BUILD/bin, which must hold both
#   bench_build BUILD      the same, after building both there (release, no GUI)
#   bench_work NAME        $work = a fresh /tmp/plx71-NAME-XXXXXX, cleaned on exit
#   start_box ARG ...      plx71sim ARG ... --link $work/tty, in the background
#   start_box_on TTY ARG ...  the same on another terminal: several boxes at once
#   stop_box               Ctrl-C to every box started, and wait for them

simpid=""   # the box started last
simpids=()  # every box still running

stop_box() {
  local pid
  for pid in "${simpids[@]}"; do kill -INT "$pid" 2>/dev/null || true; done
  for pid in "${simpids[@]}"; do wait "$pid" 2>/dev/null || true; done
  simpids=()
  simpid=""
}

bench_work() {
  work=$(mktemp -d "/tmp/plx71-$1-XXXXXX")
  trap 'stop_box; rm -rf "$work"' EXIT
}

# The box makes its terminal once it is ready; ten seconds is ample even on a
# loaded machine.
start_box_on() {
  local tty=$1 name
  shift
  name=$(basename "$tty")
  rm -f "$tty"
  "$sim" "$@" --link "$tty" >"$work/sim-$name.out" 2>"$work/sim-$name.err" &
  simpid=$!
  simpids+=("$simpid")
  for _ in $(seq 200); do [ -e "$tty" ] && break; sleep 0.05; done
  [ -e "$tty" ] || { echo "plx71sim did not start on $tty" >&2; cat "$work/sim-$name.err" >&2; exit 1; }
}

start_box() { start_box_on "$work/tty" "$@"; }

bench_binaries() {
  local build=$1 p
  case $build in /*) ;; *) build="$root/$build" ;; esac
  for p in plx71 plx71sim; do
    [ -x "$build/bin/$p" ] || { echo "$build/bin/$p missing (cmake --build --preset release)" >&2; exit 2; }
  done
  plx71="$build/bin/plx71"
  sim="$build/bin/plx71sim"
}

bench_build() {
  cmake -S "$root" -B "$1" -G Ninja -DCMAKE_BUILD_TYPE=Release -DPLX71_BUILD_GUI=OFF \
    -DPLX71_BUILD_TESTS=OFF -DPLX71_BUILD_BENCH=OFF >/dev/null
  ninja -C "$1" plx71 plx71sim >/dev/null
  bench_binaries "$1"
}
