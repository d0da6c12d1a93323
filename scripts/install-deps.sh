#!/usr/bin/env bash
# Installs the Debian packages of the named sets, when any is missing. Run as
# root on Debian 12.
#
#   scripts/install-deps.sh run test       # what the README's two commands need
#   scripts/install-deps.sh --list [SET]   # the sets, or the packages of one
#
# Each script asks for its own sets: scripts/run.sh for run, scripts/test-all.sh
# for run and test, each step of .ci/run for the set of its tools.
set -euo pipefail

declare -A sets=(
  # Build and run the programs: compiler, CMake, Ninja, Qt, CLI11, and the
  # libraries of the line server (SQLite, PostgreSQL client, HTTP, JSON,
  # the charts its pages serve).
  [run]="cmake ninja-build g++ pkgconf qt6-base-dev libgl-dev libcli11-dev
         libsqlite3-dev libpq-dev libcpp-httplib-dev nlohmann-json3-dev libjs-chart.js"
  # What the test command needs on top: GoogleTest, Google Benchmark, the
  # peer tools the data file tests compare with, a comma-decimal locale and
  # a font for the window tests.
  [test]="libgtest-dev libgmock-dev libbenchmark-dev srecord python3 python3-intelhex
          locales fonts-dejavu-core"
  # The checks of .ci/run: style, function length, and the compiler cache
  # its builds share.
  [checks]="clang-format universal-ctags python3 ccache"
  # The Windows cross-build, its packages and the checks under Wine.
  [windows]="g++-mingw-w64-x86-64-posix libgtest-dev librsvg2-bin imagemagick dpkg-dev
             wine wine64 nsis zip unzip python3-markdown fonts-dejavu-core
             xvfb xdotool x11-utils binutils"
  # plx71 on the 8250 UART of a QEMU guest.
  [qemu]="qemu-system-x86 linux-image-amd64 busybox-static cpio"
  # The line server's checks: a real PostgreSQL server, headless Chromium.
  [line]="postgresql chromium curl sqlite3"
  # The user guide's pictures and HTML.
  [guide]="xvfb xdotool pngquant optipng python3-markdown fonts-dejavu-core"
  # The Debian package and its checks: manual pages, icons, the guide.
  [package]="help2man librsvg2-bin python3-markdown lintian desktop-file-utils shared-mime-info
             fakeroot dpkg-dev file"
  # The figures of scripts/bench/ and the station's picture.
  [bench]="linux-perf srecord python3 xvfb xdotool imagemagick optipng"
)
order=(run test checks windows qemu line guide package bench)

usage() {
  echo "usage: scripts/install-deps.sh SET... (sets: ${order[*]}), or --list [SET]" >&2
  exit 2
}

if [ "${1:-}" = --list ]; then
  if [ -n "${2:-}" ]; then
    [ -n "${sets[$2]+x}" ] || usage
    echo ${sets[$2]}
  else
    for s in "${order[@]}"; do echo "$s: $(echo ${sets[$s]})"; done
  fi
  exit 0
fi
[ $# -gt 0 ] || usage

packages=()
for s in "$@"; do
  [ -n "${sets[$s]+x}" ] || { echo "no set '$s'" >&2; usage; }
  read -r -a words <<<"$(echo ${sets[$s]})"
  packages+=("${words[@]}")
done
missing=()
for p in $(printf '%s\n' "${packages[@]}" | sort -u); do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing ($*): ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
