#!/usr/bin/env bash
# Cross-builds the core libraries, the command-line tool `plx71` and the
# core's test programs for 64-bit Windows with mingw-w64; GoogleTest is built
# from its Debian sources with the same compiler. Usage:
# scripts/cross_build_windows.sh [build dir] (default build-windows). The
# results are <build dir>/bin/plx71.exe and core_*_tests.exe (PLX71_WINDOWS_TESTS=0:
# plx71.exe only); scripts/wine_tests.sh runs them under Wine.
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

tests=OFF
gtest_source=/usr/src/googletest
if [ "${PLX71_WINDOWS_TESTS:-1}" != 0 ]; then
  [ -f "$gtest_source/CMakeLists.txt" ] ||
    { echo "$gtest_source missing (Debian: libgtest-dev)" >&2; exit 1; }
  tests=ON
fi

cmake -S "$root" -B "$build" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" \
  -DCMAKE_BUILD_TYPE=Release \
  -DPLX71_BUILD_GUI=OFF -DPLX71_BUILD_TESTS=$tests -DPLX71_BUILD_BENCH=OFF -DPLX71_BUILD_SIM=OFF \
  -DPLX71_GTEST_SOURCE_DIR=$([ $tests = ON ] && echo "$gtest_source") \
  -DCLI11_INCLUDE_DIR="$cli11_include"
if [ $tests = ON ]; then
  # The core's test programs, but not the writer operations' tests: they
  # drive the software writer box on a pseudo-terminal (and the command-line
  # tests run plx71 through a POSIX shell).
  targets=$(cmake --build "$build" --target help | sed -n 's/^\(core_[a-z0-9_]*_tests\):.*/\1/p' |
            grep -vx core_ops_tests || true)
  targets="plx71 $targets"
  cmake --build "$build" -j "${JOBS:-2}" --target $targets
else
  cmake --build "$build" -j "${JOBS:-2}"
fi

ls "$build"/bin/core_*_tests.exe 2>/dev/null | sed 's/^/built: /' || true
[ -f "$build/bin/plx71.exe" ] ||
  { echo "$build/bin/plx71.exe was not built" >&2; exit 1; }
echo "built: $build/bin/plx71.exe"
