#!/usr/bin/env bash
# Packs the Windows build into the two things a Windows user gets:
#   <build>/plx71-<version>-win64.zip    the portable folder
#   <build>/plx71-<version>-setup.exe    the installer (NSIS)
# Both hold the same files: the three programs, the user guide, the DLLs they import (found
# by following import tables from the programs and from the two plugins Qt
# loads at run time), the device table, the examples, README.txt and the
# licences of what we ship. A check fails the build on a shipped DLL nobody
# imports and on an import found neither in the folder nor in Windows.
#
#   scripts/windows/package_windows.sh [build dir]    (default build-windows)
# It first runs scripts/windows/cross_build_windows.sh on that folder (nothing to do
# when up to date; PLX71_WINDOWS_TESTS=0 leaves out its test programs);
# PLX71_SKIP_BUILD=1 packs what is there. The Qt for
# Windows is the one that build used (Qt6_DIR in its CMake cache).
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="${1:-$root/build-windows}"
start=$SECONDS

# Debian's python3 has python3-markdown; another python3 on PATH may not.
guide_python=python3
[ -x /usr/bin/python3 ] && guide_python=/usr/bin/python3
"$guide_python" -c 'import markdown' 2>/dev/null || { echo "python3-markdown missing: run scripts/install-deps.sh windows" >&2; exit 2; }
for tool in zip dpkg-query x86_64-w64-mingw32-strip x86_64-w64-mingw32-g++-posix; do
  command -v "$tool" >/dev/null || { echo "$tool missing: run scripts/install-deps.sh windows" >&2; exit 2; }
done
. "$root/scripts/windows/windows_imports.sh"

[ "${PLX71_SKIP_BUILD:-0}" = 1 ] || bash "$root/scripts/windows/cross_build_windows.sh" "$build"

cache="$build/CMakeCache.txt"
[ -f "$cache" ] || { echo "$cache missing: run scripts/windows/cross_build_windows.sh first" >&2; exit 1; }
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$cache")
[[ $version =~ ^[0-9]+\.[0-9]+$ ]] || { echo "no project version (major.minor) in $cache: '$version'" >&2; exit 1; }
qt_cmake_dir=$(sed -n 's/^Qt6_DIR:PATH=//p' "$cache")
[ -n "$qt_cmake_dir" ] || { echo "$build was configured without Qt (no Qt6_DIR): the window programs are missing" >&2; exit 1; }
qt=$(cd "$qt_cmake_dir/../../.." && pwd)

programs=(plx71.exe plx71line.exe PLX71RD.exe Plx71Ldr.exe Plx71Station.exe)
plugins=(platforms/qwindows.dll styles/qwindowsvistastyle.dll)
for p in "${programs[@]}"; do
  [ -f "$build/bin/$p" ] || { echo "$build/bin/$p was not built" >&2; exit 1; }
done
for p in "${plugins[@]}"; do
  [ -f "$qt/plugins/$p" ] || { echo "$qt/plugins/$p missing from the Qt for Windows" >&2; exit 1; }
done

name="plx71-$version-win64"
package="$build/package"
stage="$package/$name"
rm -rf "$package"
mkdir -p "$stage/platforms" "$stage/styles" "$stage/examples" "$stage/licenses"

# --- Programs, plugins and the DLLs they import, recursively.
for p in "${programs[@]}"; do cp "$build/bin/$p" "$stage/"; done
for p in "${plugins[@]}"; do cp "$qt/plugins/$p" "$stage/$p"; done

# Where an imported DLL comes from: Qt's bin/, else the compiler's runtime
# folders (the compiler names the file it would link against).
find_dll() {
  local lower=${1,,} f
  for f in "$qt"/bin/*.dll; do
    [ "$(basename "${f,,}")" = "$lower" ] && { echo "$f"; return 0; }
  done
  f=$(x86_64-w64-mingw32-g++-posix -print-file-name="$1")
  [ "$f" != "$1" ] && [ -f "$f" ] && { realpath "$f"; return 0; }
  return 1
}

declare -A source_of=()
queue=("$stage"/*.exe "$stage"/platforms/*.dll "$stage"/styles/*.dll)
missing=0
while [ ${#queue[@]} -gt 0 ]; do
  bin=${queue[0]}
  queue=("${queue[@]:1}")
  while IFS= read -r dll; do
    lower=${dll,,}
    is_windows_dll "$lower" && continue
    [ -n "${source_of[$lower]:-}" ] && continue
    if ! from=$(find_dll "$dll"); then
      echo "$(basename "$bin") imports $dll, found neither in $qt/bin nor in the compiler's runtime" >&2
      missing=1
      continue
    fi
    source_of[$lower]=$from
    cp "$from" "$stage/$(basename "$from")"
    queue+=("$stage/$(basename "$from")")
  done < <(pe_imports "$bin")
done
[ $missing = 0 ] || exit 1
# The compiler's runtime DLLs come with their debug symbols (libstdc++ is
# 23 MB so); none of it is needed to run.
find "$stage" -type f \( -iname '*.exe' -o -iname '*.dll' \) -exec x86_64-w64-mingw32-strip --strip-unneeded {} +

# --- Data, examples, README.
cp "$root/resources/plx71typ.tbl" "$stage/"
cp -r "$root/examples/." "$stage/examples/"
# The user guide as HTML (the installer's "PLX71 User Guide" entry opens it).
"$guide_python" "$root/scripts/build_guide.py" "$stage/guide" >/dev/null
crlf() { sed 's/\r*$/\r/'; }
sed "s/@VERSION@/$version/g" "$root/packaging/windows/README.txt.in" | crlf >"$stage/README.txt"

# --- Licences, and where the sources of what we ship come from.
source_package() { dpkg-query -W -f='${source:Package} ${source:Version}\n' "$1"; }
licenses="$stage/licenses"
{
  echo "PLX71 $version for Windows: what it contains and under which terms"
  echo
  echo "plx71.exe, plx71line.exe, PLX71RD.exe, Plx71Ldr.exe, Plx71Station.exe, plx71typ.tbl, examples\\:"
  echo "  the PLX71 programs, see PLX71.txt."
  echo
  echo "Built into plx71.exe and plx71line.exe:"
  echo "  nlohmann-json $(source_package nlohmann-json3-dev | cut -d' ' -f2), MIT licence (nlohmann-json\\copyright);"
  echo "  in plx71line.exe also cpp-httplib $(source_package libcpp-httplib-dev | cut -d' ' -f2), MIT licence"
  echo "  (cpp-httplib\\copyright), and SQLite $(source_package libsqlite3-dev | cut -d' ' -f2), public domain"
  echo "  (sqlite3\\copyright). Built for Windows from the Debian source packages"
  echo "  (apt-get source nlohmann-json3 cpp-httplib sqlite3)."
  echo
  echo "Qt6*.dll, platforms\\qwindows.dll, styles\\qwindowsvistastyle.dll:"
  echo "  Qt $(sed -n 's/^set(PACKAGE_VERSION "\(.*\)")/\1/p' "$qt_cmake_dir/Qt6ConfigVersionImpl.cmake"), under the GNU LGPL version 3 (Qt\\LGPL-3.0-only.txt, which"
  echo "  adds to Qt\\GPL-3.0-only.txt). Qt is in its own DLLs, unchanged: you may"
  echo "  replace them with your own build of the same Qt version. Built for"
  echo "  Windows from the Debian source package $(source_package qt6-base-dev)"
  echo "  (apt-get source qt6-base, or https://snapshot.debian.org). Qt's parts"
  echo "  from others (zlib, PCRE2, FreeType, HarfBuzz, libpng, libjpeg and more)"
  echo "  and their terms: Qt\\copyright."
  echo
} | crlf >"$licenses/SOURCES.txt"
crlf <"$root/packaging/debian/copyright" >"$licenses/PLX71.txt"
line_sources=$(sed -n 's/^PLX71_LINE_WINDOWS_SOURCES:[A-Z]*=//p' "$cache")
for part in nlohmann-json cpp-httplib sqlite3; do
  mkdir -p "$licenses/$part"
  case $part in
    nlohmann-json) from=/usr/share/doc/nlohmann-json3-dev/copyright ;;
    *) from=$line_sources/licenses/$part.txt ;;
  esac
  [ -f "$from" ] || { echo "$from missing: the licence of $part" >&2; exit 1; }
  crlf <"$from" >"$licenses/$part/copyright"
done
mkdir -p "$licenses/Qt"
for l in LGPL-3.0-only GPL-3.0-only GPL-2.0-only; do
  crlf <"$qt/LICENSES/$l.txt" >"$licenses/Qt/$l.txt"
done
crlf </usr/share/doc/qt6-base-dev/copyright >"$licenses/Qt/copyright"

# The compiler's runtime DLLs: each Debian package's copyright, by source.
for lower in $(printf '%s\n' "${!source_of[@]}" | sort); do
  from=${source_of[$lower]}
  case $from in "$qt"/*) continue ;; esac
  binary=$(dpkg -S "$from" | cut -d: -f1)
  read -r src src_version < <(source_package "$binary")
  mkdir -p "$licenses/$src"
  crlf <"/usr/share/doc/$binary/copyright" >"$licenses/$src/copyright"
  dll=$(basename "$from")
  case $dll in
    libwinpthread*) terms="the MIT-style licence of winpthreads (see the copyright file)" ;;
    *) terms="the GNU GPL version 3 with the GCC Runtime Library Exception 3.1
  (gcc-mingw-w64\\GCC-RUNTIME-LIBRARY-EXCEPTION-3.1.txt, gcc-mingw-w64\\GPL-3.0-only.txt)" ;;
  esac
  {
    echo "$dll:"
    echo "  the compiler's runtime, under $terms."
    echo "  Debian source package $src $src_version (apt-get source $src);"
    echo "  terms in full: $src\\copyright."
    echo
  } | crlf >>"$licenses/SOURCES.txt"
  if [ "$src" = gcc-mingw-w64 ]; then
    sed -n '/^GCC RUNTIME LIBRARY EXCEPTION$/,/requirements of the license of GCC\.$/p' \
      "/usr/share/doc/$binary/copyright" | crlf >"$licenses/$src/GCC-RUNTIME-LIBRARY-EXCEPTION-3.1.txt"
    [ -s "$licenses/$src/GCC-RUNTIME-LIBRARY-EXCEPTION-3.1.txt" ] ||
      { echo "GCC Runtime Library Exception not found in /usr/share/doc/$binary/copyright" >&2; exit 1; }
    crlf </usr/share/common-licenses/GPL-3 >"$licenses/$src/GPL-3.0-only.txt"
  fi
done

# --- The line's page (plx71line looks for web\ beside itself), with Debian's
# Chart.js and its licence, as the build put them beside plx71line.
[ -f "$build/bin/web/index.html" ] || { echo "$build/bin/web missing: the line's page was not built" >&2; exit 1; }
cp -r "$build/bin/web" "$stage/web"
mkdir -p "$licenses/chart.js"
crlf <"$build/bin/web/chart.js-copyright.txt" >"$licenses/chart.js/copyright"
{
  echo "web\\chart.min.js (the line's page of plx71line.exe):"
  echo "  Chart.js $(sed -n 's/^ \* Chart.js v//p' "$build/bin/web/chart.min.js" | head -n 1), under the MIT (Expat) licence"
  echo "  (chart.js\\copyright). Debian package $(source_package libjs-chart.js)."
  echo
} | crlf >>"$licenses/SOURCES.txt"

# --- The check: exactly the DLLs the shipped binaries import.
echo "== import check of $stage"
check_shipped_dlls "$stage" "${plugins[@]}" | tee "$package/shipped-dlls.txt" || { echo "import check failed" >&2; exit 1; }
# The check itself must catch each fault: a DLL nobody imports, a plugin we
# never load, and a missing import (on copies of the folder).
for fault in unused stray-plugin missing; do
  copy="$package/check-$fault"
  cp -al "$stage" "$copy"
  case $fault in
    unused) cp "$qt/bin/Qt6Test.dll" "$copy/" ;;
    stray-plugin) mkdir "$copy/imageformats" && cp "$qt/plugins/imageformats/qgif.dll" "$copy/imageformats/" ;;
    missing) rm "$copy/$(basename "$(x86_64-w64-mingw32-g++-posix -print-file-name=libwinpthread-1.dll)")" ;;
  esac
  if check_shipped_dlls "$copy" "${plugins[@]}" >/dev/null 2>&1; then
    echo "import check passed a folder with a $fault DLL" >&2
    exit 1
  fi
  rm -rf "$copy"
done

# --- The zip.
zip_file="$build/$name.zip"
rm -f "$zip_file"
(cd "$package" && zip -q -r -9 -X "$zip_file" "$name")

# --- The installer, from the same folder.
setup="$build/plx71-$version-setup.exe"
icon="$build/apps/writer/PLX71RD_resources/plx71rd.ico"   # made by the build
[ -f "$icon" ] || { echo "$icon missing: PLX71RD.exe was built without its icon" >&2; exit 1; }
bash "$root/scripts/windows/build_windows_installer.sh" "$stage" "$version" "$setup" "$icon"

echo "zip: $zip_file ($(du -h "$zip_file" | cut -f1))"
echo "installer: $setup ($(du -h "$setup" | cut -f1))"
echo "packed in $((SECONDS - start)) s"
