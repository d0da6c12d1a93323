#!/usr/bin/env bash
# Cross-builds the core libraries and the command-line tool `plx71` for
# 64-bit Windows with mingw-w64. Usage: scripts/cross_build_windows.sh [build dir]
# (default build-windows). The result is <build dir>/bin/plx71.exe.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build-windows}"

command -v x86_64-w64-mingw32-g++-posix >/dev/null ||
  { echo "x86_64-w64-mingw32-g++-posix missing (Debian: g++-mingw-w64-x86-64-posix)" >&2; exit 1; }

# The command-line parser is header-only; the cross compiler gets its header
# folder and nothing else of the host's /usr/include.
cli11_include="$build/cross-include"
[ -d /usr/include/CLI ] ||
  { echo "/usr/include/CLI missing (Debian: libcli11-dev)" >&2; exit 1; }
rm -rf "$cli11_include"
mkdir -p "$cli11_include"
cp -r /usr/include/CLI "$cli11_include/"

cmake -S "$root" -B "$build" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" \
  -DCMAKE_BUILD_TYPE=Release \
  -DPLX71_BUILD_GUI=OFF -DPLX71_BUILD_TESTS=OFF -DPLX71_BUILD_BENCH=OFF -DPLX71_BUILD_SIM=OFF \
  -DCLI11_INCLUDE_DIR="$cli11_include"
cmake --build "$build" -j "${JOBS:-2}"

[ -f "$build/bin/plx71.exe" ] ||
  { echo "$build/bin/plx71.exe was not built" >&2; exit 1; }
echo "built: $build/bin/plx71.exe"
