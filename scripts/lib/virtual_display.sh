# Sourced by the scripts that show windows: an X server of their own, so
# nothing lands on the user's desktop and runs do not disturb each other.
#
#   start_virtual_display DIR [WxH] [DISPLAY]
#       Xvfb on DISPLAY (":N" or "N") when one is given, else on a display
#       it picks itself; its log and display number go to DIR. Sets DISPLAY
#       and xvfb_pid (the caller stops it, e.g. through its pid list).

xvfb_pid=""

start_virtual_display() {
  local dir=$1 size=${2:-1280x1024} fixed=${3:-}
  if [ -n "$fixed" ]; then
    fixed=${fixed#:}
    Xvfb ":$fixed" -screen 0 "${size}x24" -nolisten tcp >"$dir/xvfb.log" 2>&1 &
    xvfb_pid=$!
    echo "$fixed" >"$dir/display"
    for _ in $(seq 100); do [ -e "/tmp/.X11-unix/X$fixed" ] && break; sleep 0.1; done
    [ -e "/tmp/.X11-unix/X$fixed" ] || { cat "$dir/xvfb.log" >&2; echo "Xvfb did not start on :$fixed" >&2; exit 1; }
  else
    # Xvfb writes the number of the display it took once it accepts clients.
    Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp 3>"$dir/display" 2>"$dir/xvfb.log" &
    xvfb_pid=$!
    for _ in $(seq 200); do [ -s "$dir/display" ] && break; sleep 0.05; done
    [ -s "$dir/display" ] || { cat "$dir/xvfb.log" >&2; echo "Xvfb did not start" >&2; exit 1; }
  fi
  export DISPLAY=":$(head -n 1 "$dir/display")"
}
