#!/usr/bin/env bash
# The sources plx71line needs for Windows that Debian packages only for
# Linux, taken from Debian's own source packages (the versions installed
# here) into DIR (default build-windows-line-src):
#   DIR/httplib/httplib.h          cpp-httplib, upstream's header-only form
#   DIR/sqlite/sqlite3.c, .h       SQLite's amalgamation, made from the source
#                                  tree with its own tools (tclsh)
#   DIR/licenses/                  their copyright files
# Nothing is written by hand; a DIR already complete is left as it is.
#
#   scripts/windows/line_sources_windows.sh [DIR]
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
dir="${1:-$root/build-windows-line-src}"
mkdir -p "$dir"
dir="$(cd "$dir" && pwd)"
if [ -f "$dir/httplib/httplib.h" ] && [ -f "$dir/sqlite/sqlite3.c" ] && [ -f "$dir/licenses/sqlite3.txt" ]; then
  exit 0
fi
for tool in dpkg-source:dpkg-dev tclsh:tcl cc:gcc make:make; do
  command -v "${tool%%:*}" >/dev/null || { echo "${tool%%:*} missing (Debian: ${tool#*:})" >&2; exit 1; }
done

# shellcheck source=scripts/lib/debian_source.sh
. "$root/scripts/lib/debian_source.sh"
deb_src_ensure

# Unpacks source package $1 in the version of installed package $2 to $dir/src/$1.
unpack() {
  local version
  version=$(dpkg-query -W -f '${source:Version}' "$2")
  [ -n "$version" ] || { echo "$2 is not installed: run scripts/install-deps.sh" >&2; exit 1; }
  deb_source_unpack "$1" "$version" "$dir/src/$1"
}

mkdir -p "$dir/httplib" "$dir/sqlite" "$dir/licenses"
unpack cpp-httplib libcpp-httplib-dev
cp "$dir/src/cpp-httplib/httplib.h" "$dir/httplib/httplib.h"
cp "$dir/src/cpp-httplib/debian/copyright" "$dir/licenses/cpp-httplib.txt"

unpack sqlite3 libsqlite3-dev
(cd "$dir/src/sqlite3" && ./configure --disable-tcl >/dev/null && make -j"${JOBS:-2}" sqlite3.c >/dev/null)
cp "$dir/src/sqlite3/sqlite3.c" "$dir/src/sqlite3/sqlite3.h" "$dir/sqlite/"
cp "$dir/src/sqlite3/debian/copyright" "$dir/licenses/sqlite3.txt"
rm -rf "$dir/src"
echo "line sources for Windows in $dir: cpp-httplib $(sed -n 's/^#define CPPHTTPLIB_VERSION "\(.*\)"/\1/p' "$dir/httplib/httplib.h"), SQLite $(sed -n 's/^#define SQLITE_VERSION  *"\(.*\)"/\1/p' "$dir/sqlite/sqlite3.h")"
