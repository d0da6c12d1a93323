#!/usr/bin/env bash
# Builds the Debian package from the release build (build/release; a build
# that is up to date costs nothing more) and checks it: unpacked into a
# temporary folder, the programs start from there and find the device table
# in the unpacked share/plx71; the menu entries, manual pages, bash
# completion, the project file type and the user guide are checked, and
# lintian must report no error.
#
#   scripts/build_deb.sh      # prints the path of the .deb last
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
start=$(date +%s)
build=$root/build/release

for tool in cpack dpkg-deb dpkg-shlibdeps lintian desktop-file-validate help2man rsvg-convert file; do
  command -v "$tool" >/dev/null || { echo "$tool missing: run scripts/install-deps.sh package" >&2; exit 2; }
done

cmake --preset release >/dev/null
cmake --build --preset release --target plx71 plx71sim plx71line PLX71RD Plx71Ldr Plx71Station plx71_icons plx71_man_pages plx71_guide
rm -f "$build"/plx71_*.deb
(cd "$build" && cpack -G DEB >"$build/cpack.log") || { cat "$build/cpack.log" >&2; exit 1; }
deb=$(ls "$build"/plx71_*.deb)

work=$(mktemp -d /tmp/plx71-deb-XXXXXX)
trap 'rm -rf "$work"' EXIT
dpkg-deb -x "$deb" "$work/root"
usr=$work/root/usr
fail() { echo "package check: $*" >&2; exit 1; }

echo "== contents"
dpkg-deb --field "$deb"
expected=(
  bin/plx71 bin/plx71sim bin/plx71line bin/PLX71RD bin/Plx71Ldr bin/Plx71Station share/plx71/plx71typ.tbl
  share/applications/plx71rd.desktop share/applications/plx71ldr.desktop share/applications/plx71station.desktop
  share/icons/hicolor/scalable/apps/plx71rd.svg share/icons/hicolor/scalable/apps/plx71ldr.svg
  share/icons/hicolor/scalable/apps/plx71station.svg share/man/man1/Plx71Station.1.gz
  share/man/man1/plx71.1.gz share/man/man1/plx71sim.1.gz share/man/man1/PLX71RD.1.gz
  share/man/man1/Plx71Ldr.1.gz share/man/man1/plx71line.1.gz share/bash-completion/completions/plx71
  share/doc/plx71/copyright share/doc/plx71/changelog.Debian.gz share/doc/plx71/README.md
  share/doc/plx71/examples/demo_project.pxp share/doc/plx71/examples/udev/60-plx71-serial.rules
  share/doc/plx71/examples/systemd/plx71line.service
  share/plx71/web/index.html share/plx71/web/app.js share/plx71/web/chart.min.js share/plx71/web/chart.js-copyright.txt
  share/mime/packages/plx71.xml share/icons/hicolor/scalable/mimetypes/application-x-plx71-project.svg
  share/icons/hicolor/48x48/mimetypes/application-x-plx71-project.png
  share/doc/plx71/guide/index.html share/doc/plx71/guide/images/form.png
)
for size in 16 32 48 64 128 256; do
  for icon in plx71rd plx71ldr plx71station; do expected+=("share/icons/hicolor/${size}x${size}/apps/$icon.png"); done
done
for f in "${expected[@]}"; do [ -f "$usr/$f" ] || fail "usr/$f missing"; done
# plx71's HTTP client for --line, loaded from ../lib/plx71.
[ -f "$usr/lib/plx71/plx71-line-http.so" ] || fail "usr/lib/plx71/plx71-line-http.so missing"
! ldd "$usr/lib/plx71/plx71-line-http.so" | grep "not found" || fail "plx71-line-http.so needs a library the system lacks"
for size in 16 48 256; do
  file "$usr/share/icons/hicolor/${size}x${size}/apps/plx71rd.png" | grep -q "$size x $size" ||
    fail "plx71rd.png in ${size}x${size} has another size"
done
depends=$(dpkg-deb --field "$deb" Depends)
[[ $depends == *libqt6widgets6* ]] || fail "Depends lacks the Qt 6 widgets library: $depends"
for program in PLX71RD Plx71Ldr Plx71Station plx71 plx71sim plx71line; do
  ! ldd "$usr/bin/$program" | grep "not found" || fail "$program needs a library the system lacks"
done

echo "== the unpacked programs, run from another folder"
cd "$work"
if ! "$usr/bin/plx71" --version 2>/dev/null; then
  "$usr/bin/plx71" --help | head -n 3
fi
"$usr/bin/plx71" devices | tee "$work/devices.txt"
grep -q '^M30624FGFP' "$work/devices.txt" || fail "plx71 devices did not read the unpacked table"
"$usr/bin/plx71sim" --help >/dev/null
# The line server makes a token and opens its SQLite record in this folder.
"$usr/bin/plx71line" token add --tokens "$work/line.tokens" --role viewer deb-check | tail -n 1 | grep -Eq '^[0-9a-f]{64}$' ||
  fail "plx71line token add printed no token"
port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
rc=0
timeout 3 "$usr/bin/plx71line" serve --db "sqlite:$work/line.db" --listen "127.0.0.1:$port" --tokens "$work/line.tokens" \
  2>"$work/line.log" || rc=$?
[ "$rc" = 124 ] && grep -q '^plx71line: serving sqlite:' "$work/line.log" && [ -f "$work/line.db" ] ||
  fail "plx71line serve did not start: $(cat "$work/line.log")"
! grep "page's files" "$work/line.log" || fail "plx71line did not find the line's page in the unpacked share/plx71/web"
echo "plx71line: served its SQLite record until stopped"
# The GUI programs, offscreen: each reports its built window ("stage window",
# only after the device table was read) and ends at its first paint.
for program in PLX71RD Plx71Ldr Plx71Station; do
  QT_QPA_PLATFORM=offscreen PLX71_EXIT_AFTER_FIRST_PAINT=1 timeout 60 "$usr/bin/$program" >"$work/$program.out" 2>/dev/null ||
    fail "$program did not start"
  grep -q '^stage window ' "$work/$program.out" || fail "$program showed no window (device table not found, or a copy already running?)"
  echo "$program: window drawn"
done
cd "$root"

echo "== menu entries, manual pages, bash completion"
desktop-file-validate "$usr"/share/applications/*.desktop
# Every page is help2man's, made from the program's own --help.
for page in plx71 plx71sim PLX71RD Plx71Ldr Plx71Station plx71line; do
  zcat "$usr/share/man/man1/$page.1.gz" | grep -q "^\.TH \"\?${page^^}" || fail "$page.1 has no title line"
  zcat "$usr/share/man/man1/$page.1.gz" | grep -q "^\.B $page\b\|^\\fB$page\\fR" || fail "$page.1 has no synopsis"
done
bash scripts/ci/check_completion.sh "$usr/share/bash-completion/completions/plx71" "$usr/bin/plx71"

echo "== the project file type"
# The MIME database made from the package alone: *.pxp by name, and a project
# under another name by its header; PLX71RD's menu entry opens the type.
cp -r "$usr/share/mime" "$work/mime"
update-mime-database "$work/mime"
grep -q '^50:application/x-plx71-project:\*\.pxp$' "$work/mime/globs2" || fail "*.pxp is not application/x-plx71-project"
grep -q 'application/x-plx71-project' "$work/mime/magic" || fail "the project header is not in the MIME magic"
grep -qx 'MimeType=application/x-plx71-project;' "$usr/share/applications/plx71rd.desktop" ||
  fail "plx71rd.desktop does not open application/x-plx71-project"
grep -q '^Exec=PLX71RD %f$' "$usr/share/applications/plx71rd.desktop" || fail "plx71rd.desktop passes no file"
echo "application/x-plx71-project: *.pxp and the project header; PLX71RD opens it"
# Every picture the guide's pages show is in the package.
for img in $(grep -oh 'src="images/[^"]*"' "$usr"/share/doc/plx71/guide/*.html | sed 's/src="//; s/"$//' | sort -u); do
  [ -f "$usr/share/doc/plx71/guide/$img" ] || fail "the guide shows $img, which is not in the package"
done
echo "user guide: $(ls "$usr"/share/doc/plx71/guide/*.html | wc -l) pages, $(ls "$usr"/share/doc/plx71/guide/images | wc -l) pictures"

echo "== lintian"
lintian --fail-on error --tag-display-limit 0 "$deb" | tee "$work/lintian.txt" || fail "lintian reports errors"
echo "lintian: $(grep -c '^E:' "$work/lintian.txt") errors, $(grep -c '^W:' "$work/lintian.txt") warnings"

echo "package: $deb ($(du -h "$deb" | cut -f1)), built and checked in $(( $(date +%s) - start )) s"
