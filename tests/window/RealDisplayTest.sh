#!/usr/bin/env bash
# Runs the real orvane on a real X display (Xvfb at 96 DPI, no window manager) with an empty home,
# so the service finds no stores. Dismisses the box that says so, checks the window that then opens
# (title, client size, centred), saves screenshots, asks the window to close the way a window
# manager does (WM_DELETE_WINDOW) and checks that the program ends with status 0.
#
#   RealDisplayTest.sh <orvane> <wm-delete-window helper> <screenshot folder>
set -euo pipefail
orvane=$1 wm_delete_window=$2 shots=$3
readonly screen_w=1280 screen_h=1024 client_w=515 client_h=311
mkdir -p "$shots"

work=$(mktemp -d)
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

# Polls `$@` for up to ten seconds.
eventually() {
  for _ in $(seq 100); do "$@" && return 0; sleep 0.1; done
  return 1
}

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

mkdir -m 700 "$work/home" "$work/runtime"
env -u QT_QPA_PLATFORM -u QT_SCALE_FACTOR -u QT_SCREEN_SCALE_FACTORS -u QT_FONT_DPI \
  HOME="$work/home" XDG_RUNTIME_DIR="$work/runtime" "$orvane" >"$work/orvane.log" 2>&1 &
app_pid=$!

# The visible top-level windows titled exactly "Orvane".
orvane_windows() { xdotool search --onlyvisible --name '^Orvane$' 2>/dev/null || true; }
one_window() { [[ $(orvane_windows | wc -l) -eq 1 ]]; }
# The first (preferred) type the window asks for; Qt adds NORMAL after it as a fallback.
window_type() { xprop -id "$1" _NET_WM_WINDOW_TYPE | sed 's/^[^=]*= _NET_WM_WINDOW_TYPE_//; s/,.*//'; }
geometry_of() {  # "x y width height" of the window's client area on the screen
  xwininfo -id "$1" | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF}
                           /^  Width/ {w=$NF} /^  Height/ {h=$NF} END {print x, y, w, h}'
}

# First the message box, alone: the window is not shown before it is dismissed.
eventually one_window || fail "no message box titled Orvane appeared"
box=$(orvane_windows)
[[ $(window_type "$box") == DIALOG ]] || fail "the first window is not a dialog: $(window_type "$box")"
sleep 0.5  # let it paint before the screenshot
import -window root "$shots/orvane-no-stores-box.png"
xdotool windowfocus --sync "$box" key Return

# Then the window itself.
main_window_shown() { one_window && [[ $(orvane_windows) != "$box" ]]; }
eventually main_window_shown || fail "the window did not open after the box was dismissed"
main=$(orvane_windows)
[[ $(window_type "$main") == NORMAL ]] || fail "the window's type is $(window_type "$main")"
read -r x y w h < <(geometry_of "$main")
echo "window 0x$(printf %x "$main"): client area ${w}x${h} at ${x},${y}"
[[ $w -eq $client_w && $h -eq $client_h ]] ||
  fail "client area is ${w}x${h}, expected ${client_w}x${client_h}"
cx=$(((screen_w - client_w) / 2)) cy=$(((screen_h - client_h) / 2))
((x >= cx - 1 && x <= cx + 1 && y >= cy - 1 && y <= cy + 1)) ||
  fail "window at ${x},${y}, expected centred at ${cx},${cy}"
sleep 0.5
import -window root "$shots/orvane-window.png"

# A window manager kills a window that does not take part in WM_DELETE_WINDOW.
xprop -id "$main" WM_PROTOCOLS | grep -q WM_DELETE_WINDOW || fail "no WM_DELETE_WINDOW protocol"
"$wm_delete_window" "$main" || fail "could not send WM_DELETE_WINDOW"
app_gone() { ! kill -0 "$app_pid" 2>/dev/null; }
eventually app_gone || fail "orvane is still running after the close request"
status=0
wait "$app_pid" || status=$?
app_pid=''
[[ $status -eq 0 ]] || fail "orvane exited with status $status"
echo "screenshots in $shots"
