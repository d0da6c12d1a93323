# Sourced by the Wine scripts: a fresh, quiet 64-bit Wine prefix in a
# temporary folder (or the one WINEPREFIX names), its server kept running
# until the calling script exits. Console programs need no display.
command -v wine >/dev/null || { echo "wine missing (Debian: wine wine64)" >&2; exit 1; }
export WINEDEBUG=${WINEDEBUG:--all} WINEARCH=win64
# No installer dialogs for the .NET and HTML engines nobody here needs.
export WINEDLLOVERRIDES="mscoree,mshtml="
if [ -z "${WINEPREFIX:-}" ]; then
  WINEPREFIX=$(mktemp -d /tmp/plx71-wine-XXXXXX)
  wine_prefix_owned=1
fi
export WINEPREFIX
unset DISPLAY WAYLAND_DISPLAY

wine_prefix_start() {
  local t0=$SECONDS
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    wineboot -i >/dev/null 2>&1 || true
    wineserver -w
  fi
  wineserver -p >/dev/null 2>&1 || true
  echo "wine prefix $WINEPREFIX ready in $((SECONDS - t0)) s"
}

wine_prefix_stop() {
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
  if [ -n "${wine_prefix_owned:-}" ]; then rm -rf "$WINEPREFIX"; fi
}
