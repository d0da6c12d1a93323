#!/usr/bin/env bash
# Builds the NSIS installer of a packed Windows folder (the folder the zip
# holds; scripts/windows/package_windows.sh calls this). The uninstaller removes
# exactly the files listed from that folder, and the installer refuses to
# change anything while any of its .exe or .dll is held by a running program.
#
#   scripts/windows/build_windows_installer.sh FOLDER VERSION OUTPUT.exe [ICON.ico]
# PLX71_NSIS_COMPRESSOR=zlib packs faster and larger (for test installers).
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
[ $# = 3 ] || [ $# = 4 ] || { echo "usage: $0 FOLDER VERSION OUTPUT.exe [ICON.ico]" >&2; exit 2; }
stage=$(cd "$1" && pwd)
version=$2
setup=$3
icon=${4:-}
command -v makensis >/dev/null || { echo "makensis missing (Debian: nsis)" >&2; exit 2; }
[[ $version =~ ^[0-9]+\.[0-9]+$ ]] || { echo "version must be major.minor: '$version'" >&2; exit 2; }
for p in plx71.exe plx71line.exe PLX71RD.exe Plx71Ldr.exe Plx71Station.exe README.txt; do
  [ -f "$stage/$p" ] || { echo "$stage/$p missing: not a packed Windows folder" >&2; exit 1; }
done

work=$(mktemp -d /tmp/plx71-nsis-XXXXXX)
trap 'rm -rf "$work"' EXIT
winpath() { tr '/' '\\'; }
files() { (cd "$stage" && find . -mindepth 1 "$@" | sed 's|^\./||' | LC_ALL=C sort | winpath); }
{
  echo '!macro PLX71_BUSY_CHECKS DIR'
  files -type f \( -iname '*.exe' -o -iname '*.dll' \) | sed 's/.*/  !insertmacro BUSY_IF_HELD "${DIR}\\&"/'
  echo '!macroend'
  echo '!macro PLX71_REMOVE DIR'
  files -type f | sed 's/.*/  Delete "${DIR}\\&"/'
  files -type d | LC_ALL=C sort -r | sed 's/.*/  RMDir "${DIR}\\&"/'
  echo '!macroend'
} >"$work/files.nsh"

makensis -V2 -INPUTCHARSET UTF8 \
  -DVERSION="$version" -DSTAGE="$stage" -DFILES_NSH="$work/files.nsh" \
  -DSIZE_KB="$(du -sk "$stage" | cut -f1)" -DOUTFILE="$setup" \
  ${PLX71_NSIS_COMPRESSOR:+-DCOMPRESSOR="$PLX71_NSIS_COMPRESSOR"} ${icon:+-DICON="$icon"} \
  "$root/packaging/windows/plx71.nsi"
