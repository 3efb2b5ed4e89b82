# Sourced by the scripts that show Orvane's dialog where no screen is: a virtual
# display with a window manager (so that windows get their title bars, as on a
# desktop), and a screenshot of one window with its frame.

display_pids=()

# start_virtual_display [DPI]: starts Xvfb (a screen whose physical size gives DPI,
# by default 96) and openbox, and points DISPLAY at them; stop_virtual_display ends
# them. X_SERVER is the X server's process, for a check that takes the display away.
# Scripts running at once each get a display of their own.
start_virtual_display() {
  local number
  number=$(mktemp)
  # The X server takes the first free display and says which.
  Xvfb -displayfd 3 -screen 0 1024x768x24 -dpi "${1:-96}" 3>"$number" >/dev/null 2>&1 &
  X_SERVER=$!
  display_pids+=($!)
  for _ in $(seq 100); do [ -s "$number" ] && break; sleep 0.05; done
  export DISPLAY=:$(head -n 1 "$number")
  rm -f "$number"
  for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
  if command -v openbox >/dev/null; then
    openbox >/dev/null 2>&1 &
    display_pids+=($!)
    sleep 1
  fi
}

# start_silent_display: a display that takes connections and never answers, as a
# hung X server does; SILENT_DISPLAY is its name (":N"). Its number is taken as
# an X server takes one, by making the number's lock file, so that it is no other
# server's. stop_virtual_display ends it and frees the number.
start_silent_display() {
  local number
  number=$(mktemp)
  python3 -c '
import os, signal, socket, sys
signal.signal(signal.SIGTERM, lambda *_: sys.exit())
os.makedirs("/tmp/.X11-unix", mode=0o1777, exist_ok=True)
for n in range(200, 1000):
    lock, path = f"/tmp/.X{n}-lock", f"/tmp/.X11-unix/X{n}"
    try:
        fd = os.open(lock, os.O_CREAT | os.O_EXCL | os.O_WRONLY, 0o444)
    except FileExistsError:
        continue
    os.write(fd, b"%10d\n" % os.getpid())  # what X servers write there
    os.close(fd)
    s = socket.socket(socket.AF_UNIX)
    try:
        s.bind(path)
    except OSError:  # a socket left by a server that did not remove it
        os.unlink(lock)
        continue
    try:
        s.listen(8)
        os.write(3, b"%d\n" % n)
        held = []
        while True:
            held.append(s.accept()[0])
    finally:
        os.unlink(path)
        os.unlink(lock)
' 3>"$number" >/dev/null 2>&1 &
  display_pids+=($!)
  for _ in $(seq 100); do [ -s "$number" ] && break; sleep 0.05; done
  SILENT_DISPLAY=:$(head -n 1 "$number")
  rm -f "$number"
}

stop_virtual_display() {
  for pid in "${display_pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  display_pids=()
}

# screenshot_window WINDOW FILE: the window as a person sees it, title bar included.
# Sets WIDTH and HEIGHT to the size of its client area.
screenshot_window() {
  local win=$1 file=$2 left right top bottom x y root
  read -r left right top bottom < <(xprop -id "$win" _NET_FRAME_EXTENTS 2>/dev/null | tr -d ',' | awk '{print $3, $4, $5, $6}')
  x=$(xwininfo -id "$win" | awk '/Absolute upper-left X/ {print $4}')
  y=$(xwininfo -id "$win" | awk '/Absolute upper-left Y/ {print $4}')
  WIDTH=$(xwininfo -id "$win" | awk '/Width:/ {print $2}')
  HEIGHT=$(xwininfo -id "$win" | awk '/Height:/ {print $2}')
  root=$(mktemp --suffix=.png)
  import -window root "$root"
  convert "$root" -crop "$((WIDTH + ${left:-0} + ${right:-0}))x$((HEIGHT + ${top:-0} + ${bottom:-0}))+$((x - ${left:-0}))+$((y - ${top:-0}))" +repage "$file"
  rm -f "$root"
}

# window_pid WINDOW: the process that shows the window (its _NET_WM_PID).
window_pid() {
  xprop -id "$1" _NET_WM_PID 2>/dev/null | awk '{print $3}'
}

# show_and_enter SHOT OUT COMMAND...: runs COMMAND (its output into OUT), takes
# a screenshot of the one dialog it shows and closes it with Enter (the focus
# starts on Close). Sets SIZE to the dialog's client area and CLASS to its WM_CLASS.
show_and_enter() {
  local shot=$1 out=$2 app win=""
  shift 2
  "$@" >"$out" 2>&1 &
  app=$!
  for _ in $(seq 300); do
    win=$(xdotool search --onlyvisible --name '^Orvane$' 2>/dev/null | head -1) && [ -n "$win" ] && break
    sleep 0.1
  done
  sleep 1.5  # let it draw
  screenshot_window "$win" "$shot"
  SIZE=${WIDTH}x$HEIGHT
  CLASS=$(xprop -id "$win" WM_CLASS | cut -d= -f2- | sed 's/^ //')
  xdotool windowactivate --sync "$win" >/dev/null 2>&1 || true
  xdotool key Return
  for _ in $(seq 100); do kill -0 "$app" 2>/dev/null || break; sleep 0.1; done
  if kill -0 "$app" 2>/dev/null; then kill "$app"; fi
  wait "$app" || true
}

# answer_dialogs SHOTS TICK COMMAND...: runs COMMAND and answers each warning
# dialog it shows as a user would: a screenshot of it (SHOTS-1.png, SHOTS-2.png,
# ...), the exclusion box ticked when TICK is "tick", then Close. TICK may also
# name a shell function, which is called with the window and the dialog's number
# and answers the dialog itself. Sets DIALOGS to how many it answered and SIZES to
# their client areas ("446x259 446x259"). Returns COMMAND's status, or 124 when it
# has not ended after two minutes (ANSWER_WAIT seconds when that is set).
answer_dialogs() {
  local shots=$1 tick=$2 app win pid deadline=$((SECONDS + ${ANSWER_WAIT:-120}))
  shift 2
  DIALOGS=0
  SIZES=""
  "$@" &
  app=$!
  while kill -0 "$app" 2>/dev/null; do
    if [ "$SECONDS" -ge "$deadline" ]; then
      kill "$app" 2>/dev/null
      wait "$app" 2>/dev/null
      return 124
    fi
    win=$(xdotool search --onlyvisible --name '^Orvane$' 2>/dev/null | head -1) || true
    if [ -z "$win" ]; then
      sleep 0.2
      continue
    fi
    pid=$(window_pid "$win")
    DIALOGS=$((DIALOGS + 1))
    sleep 1.5  # let it draw
    screenshot_window "$win" "$shots-$DIALOGS.png"
    SIZES="${SIZES:+$SIZES }${WIDTH}x${HEIGHT}"
    if declare -F "$tick" >/dev/null; then
      "$tick" "$win" "$DIALOGS"
    else
      # The box and Close are on the bottom row, which a notice moves down.
      if [ "$tick" = tick ]; then
        xdotool mousemove --window "$win" 22 $((HEIGHT - 27)) click 1  # the exclusion box
        sleep 0.3
      fi
      xdotool mousemove --window "$win" 388 $((HEIGHT - 26)) click 1  # Close
    fi
    # Wait for this one to go. The next dialog may open in a window of the same
    # number, from a process of its own: a window of another process is the next.
    while kill -0 "$app" 2>/dev/null && xwininfo -id "$win" >/dev/null 2>&1 \
      && [ "$(xwininfo -id "$win" | awk '/Map State:/ {print $3}')" = IsViewable ] \
      && [ "$(window_pid "$win")" = "$pid" ] && [ "$SECONDS" -lt "$deadline" ]; do
      sleep 0.1
    done
  done
  wait "$app"
}
