#!/usr/bin/env bash
# Cross-builds the command-line tool `plx71`, the line server `plx71line`
# (SQLite only), the window programs `PLX71RD`
# and `Plx71Ldr`, and the test programs (the core's GoogleTest programs and the
# Qt tests of the window programs and their shell) for 64-bit Windows with
# mingw-w64; GoogleTest is built from its Debian sources with the same
# compiler, Qt comes from scripts/windows/build_qt_windows.sh. Usage:
# scripts/windows/cross_build_windows.sh [build dir] (default build-windows).
# The results are <build dir>/bin/*.exe with the Qt runtime beside them
# (Qt6*.dll, the compiler's runtime DLLs, platforms/, styles/, imageformats/);
# scripts/windows/wine_tests.sh runs the tests under Wine.
#   PLX71_WINDOWS_TESTS=0  the programs only, no test programs
#   PLX71_WINDOWS_GUI=0    plx71 and the core's tests only (no Qt needed)
#   PLX71_QT_WINDOWS=DIR   the Qt for Windows to use (default build-qt-windows,
#                          made there by scripts/windows/build_qt_windows.sh if missing)
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="${1:-$root/build-windows}"
mkdir -p "$build"
build="$(cd "$build" && pwd)"

command -v x86_64-w64-mingw32-g++-posix >/dev/null ||
  { echo "x86_64-w64-mingw32-g++-posix missing (Debian: g++-mingw-w64-x86-64-posix)" >&2; exit 1; }

# The command-line parser and the JSON reader are header-only; the cross
# compiler gets their header folders and nothing else of the host's
# /usr/include.
cli11_include="$build/cross-include"
[ -d /usr/include/CLI ] ||
  { echo "/usr/include/CLI missing (Debian: libcli11-dev)" >&2; exit 1; }
[ -d /usr/include/nlohmann ] ||
  { echo "/usr/include/nlohmann missing (Debian: nlohmann-json3-dev)" >&2; exit 1; }
rm -rf "$cli11_include"
mkdir -p "$cli11_include"
cp -r /usr/include/CLI /usr/include/nlohmann "$cli11_include/"

tests=OFF
gtest_source=/usr/src/googletest
if [ "${PLX71_WINDOWS_TESTS:-1}" != 0 ]; then
  [ -f "$gtest_source/CMakeLists.txt" ] ||
    { echo "$gtest_source missing (Debian: libgtest-dev)" >&2; exit 1; }
  tests=ON
fi

# With the window programs, Qt's toolchain file leads and loads ours (the
# compilers, the Windows sysroot, the static compiler runtime of our .exe's).
gui=ON
toolchain=("-DCMAKE_TOOLCHAIN_FILE=$root/cmake/mingw-w64.cmake")
if [ "${PLX71_WINDOWS_GUI:-1}" = 0 ]; then
  gui=OFF
else
  qt="${PLX71_QT_WINDOWS:-$root/build-qt-windows}"
  [ -f "$qt/lib/cmake/Qt6/qt.toolchain.cmake" ] || bash "$root/scripts/windows/build_qt_windows.sh" "$qt"
  qt="$(cd "$qt" && pwd)"
  toolchain=("-DCMAKE_TOOLCHAIN_FILE=$qt/lib/cmake/Qt6/qt.toolchain.cmake"
             "-DQT_CHAINLOAD_TOOLCHAIN_FILE=$root/cmake/mingw-w64.cmake")
fi
# A build folder made with another toolchain cannot be reconfigured in place.
if [ -f "$build/CMakeCache.txt" ] &&
   ! grep -qxF "CMAKE_TOOLCHAIN_FILE:FILEPATH=${toolchain[0]#-DCMAKE_TOOLCHAIN_FILE=}" "$build/CMakeCache.txt"; then
  rm -rf "$build/CMakeCache.txt" "$build/CMakeFiles"
fi
# plx71line's SQLite and cpp-httplib, from Debian's source packages.
line_sources="${PLX71_LINE_WINDOWS_SOURCES:-$root/build-windows-line-src}"
bash "$root/scripts/windows/line_sources_windows.sh" "$line_sources"
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)

cmake -S "$root" -B "$build" -G Ninja "${toolchain[@]}" "${launcher[@]}" \
  -DCMAKE_BUILD_TYPE=Release \
  -DPLX71_BUILD_GUI=$gui -DPLX71_BUILD_TESTS=$tests -DPLX71_BUILD_BENCH=OFF -DPLX71_BUILD_SIM=OFF \
  -DPLX71_GTEST_SOURCE_DIR=$([ $tests = ON ] && echo "$gtest_source") \
  -DCLI11_INCLUDE_DIR="$cli11_include" -DNLOHMANN_JSON_INCLUDE_DIR="$cli11_include" \
  -DPLX71_LINE_WINDOWS_SOURCES="$line_sources"
programs="plx71 plx71line"
[ $gui = ON ] && programs="plx71 plx71line PLX71RD Plx71Ldr Plx71Station"
if [ $tests = ON ]; then
  # The core's test programs, but not the writer operations' tests: they
  # drive the software writer box on a pseudo-terminal (and the command-line
  # tests run plx71 through a POSIX shell). The Qt tests likewise leave out
  # those on a pseudo-terminal; the Windows ones (win_*) reach the box on COM1.
  targets=$(cmake --build "$build" --target help |
            sed -n 's/^\(\(core\|writer\|loader\|qtui\|win\)_[a-z0-9_]*\):.*/\1/p' |
            grep -v -e '^core_ops_tests$' -e '_autogen' || true)
  cmake --build "$build" -j "${JOBS:-2}" --target $programs $targets
else
  cmake --build "$build" -j "${JOBS:-2}" --target $programs
fi

# The Qt runtime beside the programs: Windows looks for DLLs in the program's
# folder first, and Qt for its plugins in platforms/, styles/ and
# imageformats/ there.
if [ $gui = ON ]; then
  cp -u "$qt"/bin/Qt6{Core,Gui,Widgets}.dll "$build/bin/"
  [ $tests = ON ] && cp -u "$qt/bin/Qt6Test.dll" "$build/bin/"
  for dll in /usr/lib/gcc/x86_64-w64-mingw32/12-posix/libstdc++-6.dll \
             /usr/lib/gcc/x86_64-w64-mingw32/12-posix/libgcc_s_seh-1.dll \
             /usr/x86_64-w64-mingw32/lib/libwinpthread-1.dll; do
    [ -f "$dll" ] || { echo "$dll missing (Debian: g++-mingw-w64-x86-64-posix)" >&2; exit 1; }
    # Debian's copies carry their debugging sections (libstdc++ 23 MB of them).
    if [ ! -f "$build/bin/$(basename "$dll")" ] || [ "$dll" -nt "$build/bin/$(basename "$dll")" ]; then
      x86_64-w64-mingw32-strip --strip-debug -o "$build/bin/$(basename "$dll")" "$dll"
    fi
  done
  for plugin in platforms/qwindows platforms/qoffscreen platforms/qminimal \
                styles/qwindowsvistastyle imageformats/qico; do
    mkdir -p "$build/bin/$(dirname $plugin)"
    cp -u "$qt/plugins/$plugin.dll" "$build/bin/$plugin.dll"
  done
fi

ls "$build"/bin/*_tests.exe "$build"/bin/{writer,loader,qtui,win}_*.exe 2>/dev/null | sed 's/^/built: /' || true
for program in $programs; do
  [ -f "$build/bin/$program.exe" ] ||
    { echo "$build/bin/$program.exe was not built" >&2; exit 1; }
  echo "built: $build/bin/$program.exe"
done
