#!/usr/bin/env bash
# The real orvane on a real X display, used as a person would: a home with a Maildir of a few
# thousand messages; a click on the store, on the folder and on Export; screenshots while the
# export runs, one of which must show the progress bar; "Export Complete" dismissed; every message
# in the export file; the window closed through the window manager's request, and exit status 0.
#
#   RealDisplayExportTest.sh <orvane> <wm-delete-window helper> <corpus generator> <screenshots>
set -euo pipefail
orvane=$1 wm_delete_window=$2 generator=$3 shots=$4
readonly messages=6000
mkdir -p "$shots"

work=$(mktemp -d)
source "$(dirname "$0")/RealDisplay.sh"

python3 "$generator" --count $messages --home "$work/home"
start_orvane "$work/home"
shown() { [[ -n $(windows_titled "$1") ]]; }
tries=300 eventually shown Orvane || fail "the window did not open"
main=$(windows_titled Orvane)
read -r x y _ _ < <(geometry_of "$main")

# Clicks at a point of the window's client area, in pixels at 96 DPI.
click_at() { xdotool mousemove --sync $((x + $1)) $((y + $2)) click 1; }
click_at 40 24   # List1's first entry: the Maildir
sleep 0.3
click_at 208 24  # List2's first entry: its Inbox
sleep 0.3
idle="$work/idle.png"
import -window "$main" "$idle"
click_at 304 288  # Export

# The bar's area (8,240 497x17) is one flat colour while it is hidden.
bar_shows() { [[ $(convert "$1" -crop 497x17+8+240 +repage -format '%[fx:standard_deviation>0]' info:) == 1 ]]; }
bar_shows "$idle" && fail "the progress bar shows before the export"
shot=0 exporting=''
while ! shown 'VIR Izovez' && ((shot < 200)); do
  shot=$((shot + 1))
  import -window "$main" "$work/shot.png" 2>/dev/null || continue
  if [[ -z $exporting ]] && bar_shows "$work/shot.png"; then
    exporting="$shots/orvane-exporting.png"
    cp "$work/shot.png" "$exporting"
  fi
done
tries=600 eventually shown 'VIR Izovez' || fail "no Export Complete box"
[[ -n $exporting ]] || fail "no screenshot showed the progress bar during the export"
box=$(windows_titled 'VIR Izovez')
import -window root "$shots/orvane-export-complete.png"
xdotool windowfocus --sync "$box" key Return

records=$(grep -c $'^\f\r$' "$work/home/messages.txt" || true)
[[ $records -eq $messages ]] || fail "the export file holds $records records, not $messages"
close_and_expect_exit_0 "$main"
echo "screenshot during the export: $exporting"
