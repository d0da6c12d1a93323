#!/usr/bin/env bash
# Tries the Windows zip and installer (scripts/windows/package_windows.sh) under Wine
# in a fresh prefix, with a virtual X display for the windows:
#  - an older version installed silently; while one of its window programs
#    runs, the new installer and the old uninstaller must stop with exit
#    code 2 and change nothing; with both closed, the new installer
#    replaces the old version (its files, its Add/Remove entry) and keeps
#    the user's settings;
#  - the installed plx71.exe --version and devices (the installed table),
#    both window programs show their windows, the Start-menu shortcuts and
#    the Add/Remove values exist;
#  - silent uninstall leaves no program folder, no shortcuts and no entry,
#    but the user's settings and projects; then /D= into another folder;
#  - the zip unpacked into a read-only folder whose name has blanks and
#    letters outside ASCII: the same programs run, nothing is written there.
# Prints the install and uninstall times.
#
#   scripts/windows/wine_package_check.sh [build dir]    (default build-windows)
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="${1:-$root/build-windows}"
for tool in Xvfb xdotool unzip; do
  command -v "$tool" >/dev/null || { echo "$tool missing: run scripts/install-deps.sh windows" >&2; exit 2; }
done
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
zip_file="$build/plx71-$version-win64.zip"
setup="$build/plx71-$version-setup.exe"
for f in "$zip_file" "$setup"; do
  [ -f "$f" ] || { echo "$f missing: run scripts/windows/package_windows.sh first" >&2; exit 1; }
done

. "$root/scripts/windows/wine_prefix.sh"
# No menu entries or file types of the test prefix in the host's desktop.
export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;winemenubuilder.exe=d"
scratch=$(mktemp -d /tmp/plx71-wine-pkg-XXXXXX)
xvfb_pid=""
started=()
cleanup() {
  local pid
  for pid in "${started[@]}"; do kill "$pid" 2>/dev/null || true; done
  wine_prefix_stop
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; wait "$xvfb_pid" 2>/dev/null || true; fi
  chmod -R u+w "$scratch" 2>/dev/null || true
  rm -rf "$scratch"
}
trap cleanup EXIT
fail() { echo "package check: $*" >&2; exit 1; }

. "$root/scripts/lib/virtual_display.sh"
start_virtual_display "$scratch"
wine_prefix_start

# wait_for SECONDS COMMAND...: true once COMMAND succeeds, false at the deadline.
wait_for() {
  local deadline=$((SECONDS + $1))
  shift
  until "$@"; do
    [ $SECONDS -lt $deadline ] || return 1
    sleep 0.2
  done
}
unix_path() { winepath -u "$1" 2>/dev/null; }
reg_value() { wine reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' | sed -n "s/^ *$2 *REG_[A-Z_]* *//p"; }
uninst_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\PLX71'
settings_key='HKCU\Software\Orvane Labs Inc.\plx'

window_shown() { xdotool search --onlyvisible --name "^$1" >/dev/null 2>&1; }
# show_window EXE TITLE: starts EXE, waits for its window by title, keeps it
# running (its process id in $shown_pid).
show_window() {
  local exe=$1 title=$2 log
  log="$scratch/$(basename "$exe").log"
  (cd "$scratch" && exec wine "$exe") >"$log" 2>&1 &
  shown_pid=$!
  started+=("$shown_pid")
  if ! wait_for 120 window_shown "$title"; then
    cat "$log" >&2
    fail "$exe showed no window titled '$title'"
  fi
  ! grep -qi "could not find or load the Qt platform plugin" "$log" || fail "$exe found no platform plugin"
}
close_window() {
  kill "$shown_pid" 2>/dev/null || true
  wait "$shown_pid" 2>/dev/null || true
  local title=$1
  wait_for 30 bash -c "! xdotool search --name '^$title' >/dev/null 2>&1" || fail "window '$title' did not close"
}
writer_title='Plexon Writer PLX-71RD'
loader_title='PLX-71RD Firmware Down Loader'

# The programs of one copy (installed or unpacked) at Unix path DIR.
check_programs() {
  local dir=$1 out
  out=$(cd "$scratch" && wine "$dir/plx71.exe" --version | tr -d '\r')
  [[ $out == *"$version"* ]] || fail "$dir/plx71.exe --version printed '$out'"
  (cd "$scratch" && wine "$dir/plx71.exe" devices) >"$scratch/devices.txt" 2>&1 ||
    { cat "$scratch/devices.txt" >&2; fail "$dir/plx71.exe devices failed"; }
  grep -q '^M30624FGFP' "$scratch/devices.txt" || fail "$dir/plx71.exe devices did not read the table beside it"
  show_window "$dir/PLX71RD.exe" "$writer_title"
  close_window "$writer_title"
  show_window "$dir/Plx71Ldr.exe" "$loader_title"
  close_window "$loader_title"
  echo "programs of $dir: --version '$out', $(grep -c . "$scratch/devices.txt") devices, both windows shown"
}
tree_digest() { (cd "$1" && find . -type f -exec md5sum {} + | LC_ALL=C sort | md5sum | cut -d' ' -f1); }

program_files=$(unix_path 'C:\Program Files')
installed="$program_files/PLX71"
menu="$(unix_path 'C:\ProgramData')/Microsoft/Windows/Start Menu/Programs/PLX71"

echo "== an older version, then the new one over it"
stage="$scratch/older/plx71-win64"
mkdir -p "$scratch/older"
unzip -q "$zip_file" -d "$scratch/older"
mv "$scratch/older/plx71-$version-win64" "$stage"
echo "a file only the older version had" >"$stage/obsolete.txt"
older_setup="$scratch/plx71-0.99-setup.exe"
PLX71_NSIS_COMPRESSOR=zlib bash "$root/scripts/windows/build_windows_installer.sh" "$stage" 0.99 "$older_setup"
wine "$older_setup" /S || fail "the older installer failed ($?)"
[ "$(reg_value "$uninst_key" DisplayVersion)" = 0.99 ] || fail "the older version is not registered"
[ -f "$installed/obsolete.txt" ] || fail "the older version is not in $installed"
wine reg add "$settings_key" /v VerifyAfterDownload /t REG_SZ /d false /f >/dev/null
documents=$(unix_path 'C:\users\Public\Documents')
mkdir -p "$documents"
cp "$root/examples/demo_project.pxp" "$documents/my project.pxp"

# While either window program runs, neither the installer nor the
# uninstaller may change anything. The uninstaller runs in place (_?=, the
# rest of the line, unquoted) so that its exit code is its own.
before=$(tree_digest "$installed")
for program in "PLX71RD.exe=$writer_title" "Plx71Ldr.exe=$loader_title"; do
  exe=${program%%=*}
  title=${program#*=}
  show_window "$installed/$exe" "$title"
  status=0
  wine "$setup" /S || status=$?
  [ $status = 2 ] || fail "the installer ran over a running $exe with exit code $status, not 2"
  status=0
  wine "$installed/uninstall.exe" /S '_?=C:\Program' 'Files\PLX71' || status=$?
  [ $status = 2 ] || fail "the uninstaller ran while $exe ran, exit code $status, not 2"
  [ "$(tree_digest "$installed")" = "$before" ] || fail "$installed changed while $exe ran"
  got=$(reg_value "$uninst_key" DisplayVersion)
  if [ "$got" != 0.99 ]; then
    wine reg query "$uninst_key" >&2 || true
    fail "the entry changed while $exe ran: DisplayVersion '$got'"
  fi
  echo "installer and uninstaller while $exe runs: stopped with exit code 2, nothing changed"
  close_window "$title"
done

t0=$(date +%s%3N)
wine "$setup" /S || fail "the installer failed ($?)"
install_ms=$(($(date +%s%3N) - t0))
[ "$(reg_value "$uninst_key" DisplayVersion)" = "$version" ] || fail "DisplayVersion is not $version after the update"
[ ! -e "$installed/obsolete.txt" ] || fail "a file of the older version stayed"
[ "$(reg_value "$settings_key" VerifyAfterDownload)" = false ] || fail "the update lost the user's settings"
echo "update from 0.99 to $version: replaced, settings kept"

echo "== the installed copy"
check_programs "$installed"
for lnk in PLX71RD.lnk Plx71Ldr.lnk Plx71Station.lnk; do
  [ -f "$menu/$lnk" ] || fail "Start menu: $lnk missing in $menu"
done
for value in DisplayName DisplayVersion Publisher EstimatedSize UninstallString QuietUninstallString; do
  [ -n "$(reg_value "$uninst_key" "$value")" ] || fail "Add/Remove entry lacks $value"
done
echo "Start menu: PLX71RD.lnk, Plx71Ldr.lnk, Plx71Station.lnk; Add/Remove: $(reg_value "$uninst_key" DisplayName), $(reg_value "$uninst_key" Publisher), $(($(reg_value "$uninst_key" EstimatedSize))) KB"

# uninstall DIR: the uninstaller copies itself away and returns at once;
# done when the uninstaller and the entry are gone.
uninstall() {
  local dir=$1
  wine "$dir/uninstall.exe" /S || fail "the uninstaller failed ($?)"
  wait_for 120 bash -c '[ ! -e "$1/uninstall.exe" ] && ! wine reg query "$2" >/dev/null 2>&1' _ "$dir" "$uninst_key" ||
    fail "the uninstaller of $dir did not finish"
  [ ! -e "$dir" ] || { find "$dir" >&2; fail "the program folder $dir stayed"; }
}
t0=$(date +%s%3N)
uninstall "$installed"
uninstall_ms=$(($(date +%s%3N) - t0))
[ ! -e "$menu" ] || fail "Start-menu folder stayed: $(ls "$menu")"
[ "$(reg_value "$settings_key" VerifyAfterDownload)" = false ] || fail "the uninstaller removed the user's settings"
[ -f "$documents/my project.pxp" ] || fail "the uninstaller removed the user's project"
echo "uninstalled: no program folder, no shortcuts, no entry; settings and project kept"

echo "== /D= into another folder"
# As typed at a Windows prompt: /D= unquoted, last, the rest of the line.
# (Given as one word, Wine would quote it, and a quoted /D= is no option.)
t0=$(date +%s%3N)
wine "$setup" /S '/D=C:\Werkzeuge' 'Prüfung\PLX71' || fail "the installer with /D= failed"
fresh_ms=$(($(date +%s%3N) - t0))
other=$(unix_path 'C:\Werkzeuge Prüfung\PLX71')
out=$(cd "$scratch" && wine "$other/plx71.exe" --version | tr -d '\r')
[[ $out == *"$version"* ]] || fail "plx71.exe in $other does not run"
uninstall "$other"
echo "/D=C:\\Werkzeuge Prüfung\\PLX71: installed, ran, uninstalled"

echo "== the zip, unpacked into a read-only folder"
unpacked="$scratch/Prüfung µC Ordner 测试"
mkdir -p "$unpacked"
unzip -q "$zip_file" -d "$unpacked"
chmod -R a-w "$unpacked"
before=$(find "$unpacked" | LC_ALL=C sort | md5sum)
check_programs "$unpacked/plx71-$version-win64"
[ "$(find "$unpacked" | LC_ALL=C sort | md5sum)" = "$before" ] || fail "something was written beside the unpacked programs"
echo "zip: ran from '$unpacked' (read-only), nothing written there"

echo "under Wine: install $fresh_ms ms (fresh), $install_ms ms (over an older version), uninstall $uninstall_ms ms"
