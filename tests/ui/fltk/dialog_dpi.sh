#!/usr/bin/env bash
# The FLTK dialog at the screen's DPI, on a virtual display:
#   - with Xft.dpi 144 in the X resources (the screen itself at 96) the client
#     area is 669 x 389, the twips layout at 144 dpi; the window class is Orvane;
#   - with no Xft.dpi, a screen whose physical size gives 144 dpi does the same;
#   - Xft.dpi wins over the physical size (96 on the 144-dpi screen: 446 x 259);
#   - a bare Xvfb's 100 dpi gives 465 x 270.
# The screenshots of the 144- and the 100-dpi dialog go to build/screenshots/.
# Usage: dialog_dpi.sh DIALOG_PREVIEW
source "$(dirname "$0")/../../lib/opening.sh"
preview=$(realpath "$1")
shots="$repo/build/screenshots"

work=$(mktemp -d)
trap 'stop_virtual_display; rm -rf "$work"' EXIT
mkdir -p "$shots"

# show SHOT: the preview's dialog, its picture taken, closed with Enter.
show() { show_and_enter "$1" "$work/out" "$preview" "$work"; }

echo "== Xft.dpi 144 on a 96-dpi screen"
start_virtual_display 96
echo "Xft.dpi: 144" | xrdb -merge
show "$shots/dialog-144dpi.png"
check "client area" 669x389 "$SIZE"
check "window class" '"Orvane", "Orvane"' "$CLASS"
check "Enter on Close closes it" "SkipNextTime=0" "$(cat "$work/out")"
stop_virtual_display

echo "== a 100-dpi screen (a bare Xvfb's)"
start_virtual_display 100
show "$shots/dialog-100dpi.png"
check "client area" 465x270 "$SIZE"
stop_virtual_display

echo "== a 144-dpi screen"
start_virtual_display 144
show "$work/physical.png"
check "client area" 669x389 "$SIZE"
echo "Xft.dpi: 96" | xrdb -merge
show "$work/resource.png"
check "Xft.dpi first" 446x259 "$SIZE"

echo "$shots/dialog-144dpi.png"
[ "$failures" -eq 0 ]
