#!/usr/bin/env bash
# The installer's .pxp association under Wine, in a fresh prefix:
#  - after a silent install the registry sends .pxp to PLX71RD (per machine),
#    the Start menu has "PLX71 User Guide" and the shortcuts start in the
#    user's Documents;
#  - the associated command, started on the example project, shows the
#    project's User ROM checksum 28D9 in the form (the program prints what
#    its window shows when PLX71_EXIT_AFTER_FIRST_PAINT is set), and Wine's
#    `start` on the project opens the writer's window;
#  - uninstalling removes the association; a .pxp that already opens with
#    another program keeps it through install and uninstall, PLX71RD only
#    offered under "Open with" meanwhile.
#
#   scripts/windows/wine_association_check.sh [build dir]    (default build-windows)
#   PLX71_WINE_DISPLAY=62 ...   use display :62 (else the first free one)
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="${1:-$root/build-windows}"
for tool in Xvfb xdotool strings; do
  command -v "$tool" >/dev/null || { echo "$tool missing: run scripts/install-deps.sh windows" >&2; exit 2; }
done
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
setup="$build/plx71-$version-setup.exe"
[ -f "$setup" ] || { echo "$setup missing: run scripts/windows/package_windows.sh first" >&2; exit 1; }

. "$root/scripts/windows/wine_prefix.sh"
export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;winemenubuilder.exe=d"
scratch=$(mktemp -d /tmp/plx71-wine-assoc-XXXXXX)
xvfb_pid=""
started=()
cleanup() {
  local pid
  for pid in "${started[@]}"; do kill "$pid" 2>/dev/null || true; done
  wine_prefix_stop
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; wait "$xvfb_pid" 2>/dev/null || true; fi
  rm -rf "$scratch"
}
trap cleanup EXIT
fail() { echo "association check: $*" >&2; exit 1; }

. "$root/scripts/lib/virtual_display.sh"
start_virtual_display "$scratch" 1280x1024 "${PLX71_WINE_DISPLAY:-}"
wine_prefix_start

wait_for() { # SECONDS COMMAND...
  local deadline=$((SECONDS + $1))
  shift
  until "$@"; do
    [ $SECONDS -lt $deadline ] || return 1
    sleep 0.2
  done
}
unix_path() { winepath -u "$1" 2>/dev/null; }
# The default value of a key; empty when there is none.
reg_default() { wine reg query "$1" /ve 2>/dev/null | tr -d '\r' | sed -n 's/^ *(Default) *REG_SZ *//p'; }
has_key() { wine reg query "$1" >/dev/null 2>&1; }
classes='HKLM\Software\Classes'
type=PLX71.Project
installed="$(unix_path 'C:\Program Files')/PLX71"
menu="$(unix_path 'C:\ProgramData')/Microsoft/Windows/Start Menu/Programs/PLX71"
uninstall() {
  wine "$installed/uninstall.exe" /S || fail "the uninstaller failed ($?)"
  # It copies itself away and returns at once; the Add/Remove entry goes last.
  wait_for 120 bash -c '[ ! -e "$1/uninstall.exe" ] && ! wine reg query "$2" >/dev/null 2>&1' _ "$installed" \
    'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\PLX71' || fail "the uninstaller did not finish"
}

echo "== a silent install"
wine "$setup" /S || fail "the installer failed ($?)"
[ "$(reg_default "$classes\\.pxp")" = "$type" ] || fail ".pxp is not given to $type: '$(reg_default "$classes\\.pxp")'"
command=$(reg_default "$classes\\$type\\shell\\open\\command")
[ "$command" = '"C:\Program Files\PLX71\PLX71RD.exe" "%1"' ] || fail "the open command is '$command'"
[ "$(reg_default 'HKCR\.pxp')" = "$type" ] || fail "HKCR\\.pxp does not show the machine's association"
[ -f "$menu/PLX71 User Guide.lnk" ] || fail "Start menu: 'PLX71 User Guide.lnk' missing"
[ -f "$installed/guide/index.html" ] || fail "the guide is not installed"
for lnk in PLX71RD.lnk Plx71Ldr.lnk; do
  strings -e l "$menu/$lnk" | grep -qF '%USERPROFILE%\Documents' || fail "$lnk does not start in the user's Documents"
done
echo ".pxp -> $type -> $command; the shortcuts start in %USERPROFILE%\\Documents"

echo "== the associated command on the example project"
docs="$(unix_path 'C:\users\Public\Documents')/PLX71 projects"
mkdir -p "$docs"
cp "$root"/examples/* "$docs/"
project='C:\users\Public\Documents\PLX71 projects\demo_project.pxp'
exe=$(sed -n 's/^"\([^"]*\)".*/\1/p' <<<"$command")
argument=$(sed -n 's/^"[^"]*" *"\(.*\)"$/\1/p' <<<"$command")
argument=${argument//%1/$project}
(cd "$scratch" && PLX71_EXIT_AFTER_FIRST_PAINT=1 timeout 300 wine "$exe" "$argument") >"$scratch/open.out" 2>&1 ||
  { cat "$scratch/open.out" >&2; fail "the associated command did not show its window"; }
checksum=$(tr -d '\r' <"$scratch/open.out" | sed -n 's/^field userRomChecksumText //p')
[ "$checksum" = 28D9 ] || { cat "$scratch/open.out" >&2; fail "the form shows the checksum '$checksum', not 28D9"; }
echo "$exe \"$argument\": the form shows the User ROM checksum $checksum"
# As Explorer does it: ShellExecute on the file itself.
wine start /unix "$docs/demo_project.pxp" >"$scratch/start.out" 2>&1 &
started+=($!)
wait_for 120 bash -c "xdotool search --onlyvisible --name '^Plexon Writer PLX-71RD' >/dev/null 2>&1" ||
  { cat "$scratch/start.out" >&2; fail "start demo_project.pxp opened no writer window"; }
wineserver -k
wineserver -w
echo "start demo_project.pxp: the writer's window opened"

echo "== uninstall, and a .pxp that belongs to another program"
uninstall
! has_key "$classes\\$type" || fail "$type stayed after the uninstall"
! has_key "$classes\\.pxp" || fail ".pxp stayed after the uninstall"
wine reg add "$classes\\.pxp" /ve /d Other.Project /f >/dev/null
wine "$setup" /S || fail "the installer failed ($?)"
[ "$(reg_default "$classes\\.pxp")" = Other.Project ] || fail "the installer took .pxp from another program"
wine reg query "$classes\\.pxp\\OpenWithProgids" /v "$type" >/dev/null 2>&1 || fail "PLX71RD is not offered under Open with"
uninstall
[ "$(reg_default "$classes\\.pxp")" = Other.Project ] || fail "the uninstaller took .pxp from another program"
! wine reg query "$classes\\.pxp\\OpenWithProgids" /v "$type" >/dev/null 2>&1 || fail "Open with still offers $type"
echo ".pxp of another program: kept through install and uninstall"
