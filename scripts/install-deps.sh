#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the peers in tests
# need, when any is missing. Run as root on Debian 12.
set -euo pipefail
packages=(cmake ninja-build g++ qt6-base-dev libgl-dev libcli11-dev libgtest-dev libgmock-dev
          libbenchmark-dev srecord python3 python3-intelhex g++-mingw-w64-x86-64-posix
          xvfb xauth xdotool x11-utils fonts-dejavu-core locales
          librsvg2-bin imagemagick help2man lintian desktop-file-utils fakeroot dpkg-dev file
          wine wine64 clang-format universal-ctags linux-perf nsis zip unzip ccache
          qemu-system-x86 linux-image-amd64 busybox-static cpio)
# The line: plx71 ships its records with cpp-httplib; the line server
# plx71line reads them with nlohmann-json into SQLite or PostgreSQL (libpq).
# Its checks need a real PostgreSQL server and curl (scripts/ci/line_pg_check.sh,
# scripts/ci/line_faults.sh, scripts/bench/bench_line.sh).
packages+=(libcpp-httplib-dev nlohmann-json3-dev libsqlite3-dev libpq-dev)
packages+=(postgresql curl sqlite3)
# The line's page (set "line" too): Chart.js, served by plx71line and shipped
# with it, and the browser its check runs (scripts/ci/line_page_check.sh).
packages+=(libjs-chart.js chromium)
# The user guide: Markdown to HTML, and its pictures made small.
packages+=(python3-markdown pngquant optipng)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
