#!/usr/bin/env bash
# Runs the real orvane on a real X display (Xvfb at 96 DPI, no window manager) with an empty home,
# so the service finds no stores. Dismisses the box that says so, checks the window that then opens
# (title, client size, centred), saves screenshots, asks the window to close the way a window
# manager does (WM_DELETE_WINDOW) and checks that the program ends with status 0.
#
#   RealDisplayTest.sh <orvane> <wm-delete-window helper> <screenshot folder>
set -euo pipefail
orvane=$1 wm_delete_window=$2 shots=$3
mkdir -p "$shots"

work=$(mktemp -d)
source "$(dirname "$0")/RealDisplay.sh"

mkdir -m 700 "$work/home"
start_orvane "$work/home"

# The visible top-level windows titled exactly "Orvane".
orvane_windows() { windows_titled Orvane; }
one_window() { [[ $(orvane_windows | wc -l) -eq 1 ]]; }
# The first (preferred) type the window asks for; Qt adds NORMAL after it as a fallback.
window_type() { xprop -id "$1" _NET_WM_WINDOW_TYPE | sed 's/^[^=]*= _NET_WM_WINDOW_TYPE_//; s/,.*//'; }
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
close_and_expect_exit_0 "$main"
echo "screenshots in $shots"
