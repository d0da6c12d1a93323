#!/usr/bin/env bash
# Qt 6 for 64-bit Windows (qtbase 6.4.2, the version of Debian's qt6-base-dev),
# cross-built with the posix-thread mingw-w64 compilers and the host's Qt tools
# as host Qt. Usage: scripts/windows/build_qt_windows.sh [PREFIX]
# (default build-qt-windows); PREFIX/lib/cmake/Qt6/qt.toolchain.cmake is what
# scripts/windows/cross_build_windows.sh configures with.
#
# A prebuilt copy (the .tar.xz, SHA256SUMS and BUILDINFO) is unpacked when
# its checksum matches: $PLX71_QT_PREBUILT when set, else shared/qt6-mingw
# beside the checkout (../shared/qt6-mingw from the tree, or from the main
# checkout when this tree is one of its git worktrees). The script says which
# copy it used. Otherwise Debian's qt6-base source package is fetched and
# built with the configure line below (about an hour on two cores).
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
prefix="${1:-$root/build-qt-windows}"
prefix="$(mkdir -p "$prefix" && cd "$prefix" && pwd)"
tarball=qt6-mingw-6.4.2-x86_64.tar.xz
qt_version=6.4.2
toolchain_file="$prefix/lib/cmake/Qt6/qt.toolchain.cmake"

if [ -f "$toolchain_file" ] && [ -f "$prefix/bin/Qt6Widgets.dll" ]; then
  echo "Qt for Windows already in $prefix"
  exit 0
fi

# 1. The prebuilt copy, when it is there and intact: the first folder that
# holds the tarball.
prebuilt_candidates() {
  if [ -n "${PLX71_QT_PREBUILT:-}" ]; then
    echo "$PLX71_QT_PREBUILT"
    return
  fi
  echo "$root/../shared/qt6-mingw"
  local common
  if common=$(git -C "$root" rev-parse --path-format=absolute --git-common-dir 2>/dev/null); then
    echo "$(dirname "$common")/../shared/qt6-mingw"
  fi
}
prebuilt=""
tried=()
while read -r candidate; do
  tried+=("$candidate")
  [ -f "$candidate/$tarball" ] && { prebuilt=$(cd "$candidate" && pwd); break; }
done < <(prebuilt_candidates)
if [ -z "$prebuilt" ]; then
  echo "no prebuilt Qt ($tarball) in: ${tried[*]}: building from source"
elif [ ! -f "$prebuilt/SHA256SUMS" ]; then
  echo "no $prebuilt/SHA256SUMS to check $tarball against: building from source"
elif ! (cd "$prebuilt" && grep " $tarball\$" SHA256SUMS | sha256sum --check --status -); then
  echo "$prebuilt/$tarball does not match its SHA256SUMS: building from source"
else
  tar -xJf "$prebuilt/$tarball" -C "$prefix" --strip-components=1
  echo "Qt for Windows: the prebuilt copy $prebuilt/$tarball, unpacked into $prefix"
  exit 0
fi

# 2. From Debian's source package.
need() { # command, Debian package
  command -v "$1" >/dev/null || { echo "$1 missing (Debian: $2)" >&2; exit 1; }
}
need x86_64-w64-mingw32-g++-posix g++-mingw-w64-x86-64-posix
need x86_64-w64-mingw32-gcc-posix gcc-mingw-w64-x86-64-posix
need cmake cmake
need ninja ninja-build
need dpkg-source dpkg-dev
[ -x /usr/lib/qt6/libexec/moc ] || { echo "the host's Qt tools are missing (Debian: qt6-base-dev)" >&2; exit 1; }
host_qt=$(dpkg-query -W -f '${Version}' qt6-base-dev 2>/dev/null || true)
case "$host_qt" in
  $qt_version*) ;;
  *) echo "the host's Qt is '$host_qt', not $qt_version (Debian: qt6-base-dev of bookworm)" >&2; exit 1 ;;
esac

# shellcheck source=scripts/lib/debian_source.sh
. "$root/scripts/lib/debian_source.sh"
deb_src_ensure

work="$prefix.src"
mkdir -p "$work"
cd "$work"
[ -d qtbase ] || deb_source_unpack qt6-base "$host_qt" "$work/qtbase"

# The compilers Qt is built with; shipped with it as mingw-w64.cmake.
cat >"$work/mingw.cmake" <<'EOF'
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
EOF

# Tablet events: the Debian repack has no wintab header. Dynamic GL: needs
# OpenGL, which is off. The other modules are not used by the programs.
echo "configuring qtbase (log: $work/build/configure.log)"
mkdir -p build
cmake -S qtbase -B build -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$work/mingw.cmake" -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
  -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DBUILD_SHARED_LIBS=ON \
  -DFEATURE_sql=OFF -DFEATURE_network=OFF -DFEATURE_dbus=OFF -DFEATURE_printsupport=OFF \
  -DFEATURE_opengl=OFF -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF \
  -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_harfbuzz=OFF \
  -DFEATURE_system_freetype=OFF -DFEATURE_system_png=OFF -DFEATURE_system_jpeg=OFF \
  -DFEATURE_icu=OFF -DFEATURE_zstd=OFF -DFEATURE_vulkan=OFF \
  -DFEATURE_tabletevent=OFF -DFEATURE_dynamicgl=OFF \
  >build/configure.log 2>&1 || { tail -n 30 build/configure.log; echo "qtbase configure failed" >&2; exit 1; }
cmake --build build -j "${JOBS:-2}"
cmake --install build >/dev/null
cp "$work/mingw.cmake" "$prefix/mingw-w64.cmake"
[ -f "$toolchain_file" ] || { echo "$toolchain_file missing after the build" >&2; exit 1; }
echo "Qt for Windows built from qt6-base $host_qt into $prefix"
