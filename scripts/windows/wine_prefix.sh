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

# wine_session NAME: $work = a fresh /tmp/plx71-wine-NAME-XXXXXX and the
# prefix started; on exit every pid in $pids is stopped, then the prefix,
# and $work is removed.
wine_session() {
  work=$(mktemp -d "/tmp/plx71-wine-$1-XXXXXX")
  pids=()
  trap wine_session_end EXIT
  wine_prefix_start
}

wine_session_end() {
  local pid
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  wine_prefix_stop
  rm -rf "$work"
}

wine_prefix_stop() {
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
  if [ -n "${wine_prefix_owned:-}" ]; then rm -rf "$WINEPREFIX"; fi
}

# Makes each COMn named a port of the prefix on the terminal named after it:
# wine_map_com COM1 /dev/pts/3 [COM8 /dev/pts/4 ...].
# Wine's mount manager makes the dosdevices/comN links itself each time it
# starts, from the serial devices it finds (/dev/ttyS*), and replaces a link
# made by hand; a port named in HKLM\Software\Wine\Ports is kept.
wine_map_com() {
  # The mount manager runs as a service beside the first program and may make
  # the link after that program has ended, so the link is waited for with a
  # deadline. On a loaded machine a CI run once found COM1 still on /dev/ttyS0;
  # whether the link came late or the server was stopped before it saved the
  # key, a second round of writing the key and restarting mends both.
  local attempt i link deadline ports=("$@") missing
  for attempt in 1 2 3; do
    for ((i = 0; i < ${#ports[@]}; i += 2)); do
      wine reg add 'HKLM\Software\Wine\Ports' /v "${ports[i]}" /t REG_SZ /d "${ports[i + 1]}" /f >/dev/null
    done
    wineserver -k; wineserver -w; wineserver -p >/dev/null 2>&1 || true
    wine cmd /c exit >/dev/null 2>&1 || true
    deadline=$((SECONDS + 20))
    missing=
    for ((i = 0; i < ${#ports[@]}; i += 2)); do
      while link=$(readlink "$WINEPREFIX/dosdevices/${ports[i],,}" || true); [ "$link" != "${ports[i + 1]}" ]; do
        [ $SECONDS -lt $deadline ] || break
        sleep 0.2
      done
      [ "$link" = "${ports[i + 1]}" ] || missing+=" ${ports[i]} is '$link', not ${ports[i + 1]};"
    done
    [ -z "$missing" ] && return 0
    echo "ports of the prefix:$missing try $attempt; the Ports key holds:" >&2
    wine reg query 'HKLM\Software\Wine\Ports' >&2 || true
  done
  exit 1
}

# Starts the software writer box ($sim, with the arguments given) on a pseudo
# terminal $work/com1 and makes it COM1 of the prefix. Sets sim_pid and pts.
wine_com1_on_sim() {
  "$sim" --link "$work/com1" "$@" >"$work/sim.out" 2>&1 &
  sim_pid=$!
  for _ in $(seq 50); do [ -e "$work/com1" ] && break; sleep 0.1; done
  pts=$(readlink "$work/com1" || true)
  [ -n "$pts" ] || { cat "$work/sim.out"; echo "the software writer box did not start" >&2; exit 1; }
  wine_map_com COM1 "$pts"
  echo "software writer box on $pts, COM1 of the Wine prefix"
}
