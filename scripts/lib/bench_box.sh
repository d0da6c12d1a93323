# Sourced by the bench scripts that run jobs against the software writer box:
# a work folder removed on exit, and the box started on a pseudo terminal
# ($work/tty) and stopped again. The caller sets $sim first.
#
#   bench_work NAME        $work = a fresh /tmp/plx71-NAME-XXXXXX, cleaned on exit
#   start_box ARG ...      plx71sim ARG ... --link $work/tty, in the background
#   stop_box               Ctrl-C to the box, and wait for it

simpid=""

stop_box() {
  if [ -n "$simpid" ]; then kill -INT "$simpid" 2>/dev/null || true; wait "$simpid" 2>/dev/null || true; fi
  simpid=""
}

bench_work() {
  work=$(mktemp -d "/tmp/plx71-$1-XXXXXX")
  trap 'stop_box; rm -rf "$work"' EXIT
}

# The box makes its terminal once it is ready; ten seconds is ample even on a
# loaded machine.
start_box() {
  rm -f "$work/tty"
  "$sim" "$@" --link "$work/tty" >"$work/sim.out" 2>"$work/sim.err" &
  simpid=$!
  for _ in $(seq 200); do [ -e "$work/tty" ] && break; sleep 0.05; done
  [ -e "$work/tty" ] || { echo "plx71sim did not start" >&2; cat "$work/sim.err" >&2; exit 1; }
}

# $plx71 and $sim from BUILD/bin, which must hold both.
bench_binaries() {
  local build=$1 p
  for p in plx71 plx71sim; do
    [ -x "$build/bin/$p" ] || { echo "$build/bin/$p missing (cmake --build --preset release)" >&2; exit 2; }
  done
  plx71="$root/$build/bin/plx71"
  sim="$root/$build/bin/plx71sim"
}
