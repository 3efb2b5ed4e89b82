#!/usr/bin/env bash
# Shows the warning dialog of the Linux build and of the Windows build (under
# Wine) with sample data on a virtual display, saves a screenshot of each under
# build/screenshots/, and drives each as a user would: Enter and Escape leave it
# open; ticking the box and pressing Close excludes the file (SkipNextTime=1);
# ticking the box and closing the window from the window manager records nothing.
# Needs the builds (cmake --build --preset linux / win64).
# With --docs it also replaces the screenshots docs/how-it-works.md shows, in docs/.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib/check.sh
source scripts/lib/virtual-display.sh

out=build/screenshots
mkdir -p "$out"
work=$(mktemp -d)
cleanup() {
  stop_virtual_display
  rm -rf "$work"
}
trap cleanup EXIT
start_virtual_display

# start NAME COMMAND...: runs the preview in the background, waits for its window.
start() {
  local name=$1; shift
  rm -f "$work/$name.out"
  "$@" >"$work/$name.out" 2>/dev/null &
  app=$!
  win=$(timeout 60 xdotool search --sync --onlyvisible --name '^Orvane$' | head -1)
  sleep 1.5  # let it draw
}
# ends: waits for the preview to end and prints what it reported.
ends() {
  for _ in $(seq 100); do kill -0 "$app" 2>/dev/null || break; sleep 0.1; done
  kill -0 "$app" 2>/dev/null && { kill "$app"; echo "still open"; return; }
  tr -d '\r' <"$work/$1.out"
}
click() {  # click X Y in client pixels (96 dpi)
  xdotool mousemove --window "$win" "$1" "$2" click 1
  sleep 0.3
}

run() {  # run NAME COMMAND...
  local name=$1; shift
  echo "== $name"
  start "$name" "$@"
  screenshot_window "$win" "$out/dialog-$name.png"
  check "client area" "446x259" "${WIDTH}x${HEIGHT}"

  xdotool windowactivate --sync "$win" key Return key Escape
  sleep 0.5
  check "Enter and Escape leave it open" "yes" "$(kill -0 "$app" 2>/dev/null && echo yes || echo no)"
  click 22 232    # chkNoCheck
  click 388 233   # cmdClose
  check "ticked box and Close" "SkipNextTime=1" "$(ends "$name")"

  start "$name" "$@"
  click 22 232
  xdotool windowactivate --sync "$win" key alt+F4
  check "ticked box and the window's close" "SkipNextTime=0" "$(ends "$name")"
}

if [ -x build/linux/dialog_preview ]; then
  run linux build/linux/dialog_preview "$work"
fi
if [ -f build/win64/dialog_preview.exe ]; then
  run win64 cmake/wine-run.sh "$PWD/build/win64/wineprefix" build/win64/dialog_preview.exe "Z:${work//\//\\}"
fi
ls "$out"/dialog-*.png
if [ "${1:-}" = "--docs" ]; then
  mkdir -p docs
  cp "$out"/dialog-*.png docs/
fi
[ "$failures" -eq 0 ]
