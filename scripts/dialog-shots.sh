#!/usr/bin/env bash
# Shows the warning dialog of the Linux build and of the Windows build (under
# Wine) with sample data on a virtual display, saves a screenshot of each under
# build/screenshots/, and drives each as a user would: Enter and Escape leave it
# open; ticking the box and pressing Close excludes the file (SkipNextTime=1);
# ticking the box and closing the window from the window manager records nothing.
# Needs the builds (cmake --build --preset linux / win64).
set -euo pipefail
cd "$(dirname "$0")/.."

out=build/screenshots
mkdir -p "$out"
work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

display=:$((90 + $$ % 9))
Xvfb "$display" -screen 0 1024x768x24 >/dev/null 2>&1 &
pids+=($!)
export DISPLAY=$display
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
# A window manager gives the window its title bar, as on a desktop.
if command -v openbox >/dev/null; then
  openbox >/dev/null 2>&1 &
  pids+=($!)
  sleep 1
fi

failures=0
check() {  # check WHAT EXPECTED ACTUAL
  if [ "$2" = "$3" ]; then echo "  ok: $1"; else echo "  FAILED: $1 (expected '$2', got '$3')"; failures=$((failures + 1)); fi
}

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
  # The window and its title bar, as a person sees it.
  read -r left right top bottom < <(xprop -id "$win" _NET_FRAME_EXTENTS 2>/dev/null | tr -d ',' | awk '{print $3, $4, $5, $6}')
  X=$(xwininfo -id "$win" | awk '/Absolute upper-left X/ {print $4}')
  Y=$(xwininfo -id "$win" | awk '/Absolute upper-left Y/ {print $4}')
  WIDTH=$(xwininfo -id "$win" | awk '/Width:/ {print $2}')
  HEIGHT=$(xwininfo -id "$win" | awk '/Height:/ {print $2}')
  import -window root "$work/root.png"
  convert "$work/root.png" -crop "$((WIDTH + ${left:-0} + ${right:-0}))x$((HEIGHT + ${top:-0} + ${bottom:-0}))+$((X - ${left:-0}))+$((Y - ${top:-0}))" +repage "$out/dialog-$name.png"
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
[ "$failures" -eq 0 ]
