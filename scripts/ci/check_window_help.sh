#!/usr/bin/env bash
# The window programs answer --help and --version without a display: usage
# (or the version line) on stdout, nothing on stderr, exit 0. help2man makes
# their manual pages from the same answers.
#
#   scripts/ci/check_window_help.sh [build dir]     (default build/release)
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
bin="${1:-$root/build/release}/bin"
programs=(PLX71RD Plx71Ldr Plx71Station)
# plx71line joins the list once it answers --help and --version itself.
version=$(sed -n 's/^project(plx71 VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
work=$(mktemp -d /tmp/plx71-help-XXXXXX)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL $*" >&2; failures=$((failures + 1)); }

for program in "${programs[@]}"; do
  [ -x "$bin/$program" ] || { fail "$bin/$program missing (cmake --build --preset release)"; continue; }
  for option in --help --version; do
    rc=0
    # No display of any kind, and no platform chosen for Qt either.
    env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM timeout 20 "$bin/$program" "$option" \
      >"$work/out" 2>"$work/err" </dev/null || rc=$?
    first=$(head -n 1 "$work/out")
    case $option in
      --help) want="Usage: $program" ;;
      --version) want="$program $version" ;;
    esac
    if [ $rc != 0 ]; then
      fail "$program $option: exit $rc: $(head -c 300 "$work/err")"
    elif [[ $first != "$want"* ]]; then
      fail "$program $option: first line '$first', not '$want...'"
    elif [ -s "$work/err" ]; then
      fail "$program $option: wrote to stderr: $(head -c 300 "$work/err")"
    else
      echo "$program $option: $first"
    fi
  done
done
[ $failures = 0 ] || { echo "$failures window program answers failed" >&2; exit 1; }
echo "--help and --version without a display: ${#programs[@]} programs"
