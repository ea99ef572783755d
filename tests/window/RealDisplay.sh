# Shared by the tests that run the real orvane on a real X display (Xvfb at 96 DPI, no window
# manager). Source it; it starts the server, exports DISPLAY, and cleans up on exit.
#   needs: $work (a scratch directory)

xvfb_pid='' app_pid=''
cleanup() {
  if [[ -n $app_pid ]]; then kill "$app_pid" 2>/dev/null || true; fi
  if [[ -n $xvfb_pid ]]; then kill "$xvfb_pid" 2>/dev/null || true; fi
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*" >&2
  for id in $(xdotool search --onlyvisible --name . 2>/dev/null); do
    echo "visible window $id: $(xdotool getwindowname "$id")" >&2
  done
  [[ -s $work/orvane.log ]] && sed 's/^/orvane: /' "$work/orvane.log" >&2
  exit 1
}

# Polls `$@` for up to ten seconds (or $tries tenths of a second).
eventually() {
  for _ in $(seq "${tries:-100}"); do "$@" && return 0; sleep 0.1; done
  return 1
}

readonly screen_w=1280 screen_h=1024 client_w=515 client_h=311

# Xvfb picks a free display number itself and writes it to fd 3 once it accepts clients.
# -noreset: by default the server resets when its last client (xdpyinfo below) leaves, and refuses
# connections while it does.
Xvfb -displayfd 3 -screen 0 ${screen_w}x${screen_h}x24 -dpi 96 -nolisten tcp -noreset \
  3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
eventually test -s "$work/display" || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
export DISPLAY=:$(cat "$work/display")
answers() { xdpyinfo >/dev/null 2>&1; }
eventually answers || fail "display $DISPLAY does not answer"

# Starts orvane with HOME=$1, on this display alone.
start_orvane() {
  mkdir -p -m 700 "$work/runtime"
  env -u QT_QPA_PLATFORM -u QT_SCALE_FACTOR -u QT_SCREEN_SCALE_FACTORS -u QT_FONT_DPI \
    -u MAILDIR -u MAIL -u XDG_CONFIG_HOME HOME="$1" XDG_RUNTIME_DIR="$work/runtime" \
    "$orvane" >"$work/orvane.log" 2>&1 &
  app_pid=$!
}

# The visible top-level windows titled exactly $1.
windows_titled() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null || true; }
# "x y width height" of a window's client area on the screen.
geometry_of() {
  xwininfo -id "$1" | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF}
                           /^  Width/ {w=$NF} /^  Height/ {h=$NF} END {print x, y, w, h}'
}

# Asks the window to close as a window manager does, and checks that orvane then ends with 0.
close_and_expect_exit_0() {
  xprop -id "$1" WM_PROTOCOLS | grep -q WM_DELETE_WINDOW || fail "no WM_DELETE_WINDOW protocol"
  "$wm_delete_window" "$1" || fail "could not send WM_DELETE_WINDOW"
  app_gone() { ! kill -0 "$app_pid" 2>/dev/null; }
  eventually app_gone || fail "orvane is still running after the close request"
  local status=0
  wait "$app_pid" || status=$?
  app_pid=''
  [[ $status -eq 0 ]] || fail "orvane exited with status $status"
}
