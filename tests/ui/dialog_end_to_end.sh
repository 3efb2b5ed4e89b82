#!/usr/bin/env bash
# The warning dialog end to end, on a virtual display, for the Linux build and for
# the Windows build under Wine, in one prefix whose profile holds two oversized
# ANSI personal-folder files and a small one:
#   - the Linux program is copied alone into an empty folder: it is one file;
#   - the first run shows two dialogs in turn, each with a client area of 446 x 259;
#     the first is answered from the keyboard: Escape presses nothing, Enter and
#     Space on the focused open-folder button each open the folder, Space ticks the
#     box, Enter on the box presses nothing, Enter on Close closes it; the second
#     with the mouse (tick the box, Close). Both files are excluded, and the log
#     says "次回よりチェックを省略" for each and ends with "Orvane 終了";
#   - the next run shows nothing and logs "チェック省略対象" for both;
#   - both builds leave the same log (date and time masked) and settings file.
# Screenshots of every dialog go to build/screenshots/run-<build>-<n>.png.
# Usage: dialog_end_to_end.sh LINUX_ORVANE WINDOWS_ORVANE_EXE
source "$(dirname "$0")/../lib/opening.sh"
two_builds "$@"
shots="$repo/build/screenshots"

begin_with_wine_prefix
start_virtual_display
mkdir -p "$shots"

big1=0A1B2C3D4E5F60718293A4B5C6D7E8F9
small=11223344556677889900AABBCCDDEEFF
big2=5E6F708192A3B4C5D6E7F8091A2B3C4D
profile="$profiles_nt\\デモ"
reg_add "$profiles_nt" /v DefaultProfile /t REG_SZ /d "デモ"
reg_add "$profile\\$store_list_key" /v 01023d00 /t REG_BINARY /d "$big1$small$big2"
store() {  # store UID NAME PATH
  reg_add "$profile\\$1" /v 001e3001 /t REG_BINARY /d "$(ansi "$2")"
  reg_add "$profile\\$1" /v 001e6700 /t REG_BINARY /d "$(ansi "$3")"
}
mail="$WINEPREFIX/drive_c/users/demo/メール"
mkdir -p "$mail"
store "$big1" 個人用フォルダ 'C:\users\demo\メール\個人用フォルダ.pst'
store "$small" アーカイブ 'C:\users\demo\メール\archive.pst'
store "$big2" 'Old Mail' 'C:\users\demo\メール\old mail.pst'
pst_file "$mail/個人用フォルダ.pst" 1700000000
pst_file "$mail/archive.pst" 100000000
pst_file "$mail/old mail.pst" 2147483648
wineserver -w

count() { log_messages "$2" | grep -c "$1" || true; }

# How often the open-folder command has run: the Linux build's xdg-open is a
# stand-in that notes its argument; Wine's explorer opens a window on the folder,
# which is noted when it appears and closed as a user would. The next key goes to
# the dialog only once that window has gone: a second explorer for a folder that is
# still open would open no window of its own. (A new explorer's window may get
# the X window id of the last one's: a window counts each time it appears.)
mkdir "$work/bin"
printf '#!/bin/sh\necho "$1" >>"%s"\n' "$work/opened" >"$work/bin/xdg-open"
chmod +x "$work/bin/xdg-open"
browsers() { xdotool search --onlyvisible --name 'メール' 2>/dev/null || true; }
opened() {
  local browser now
  if [ "$build" != linux ]; then
    now=$(browsers)
    for browser in $now; do
      grep -qx "$browser" "$work/visible" 2>/dev/null || echo "$browser" >>"$work/opened"
      xdotool windowactivate --sync "$browser" key alt+F4 >/dev/null 2>&1 || true
    done
    echo "$now" >"$work/visible"
  fi
  cat "$work/opened" 2>/dev/null | wc -l
}
# opened_after N: how often, once it is N and its windows have gone, or after five
# minutes. The first browser window of a fresh prefix on a fresh machine is slow
# to come (Wine reads the shell's libraries from disk for it): the wait is for the
# window, not for a time.
opened_after() {
  local deadline=$((SECONDS + 300)) n
  while n=$(opened) && [ "$n" -lt "$1" ] && [ "$SECONDS" -lt "$deadline" ]; do sleep 0.2; done
  while [ -n "$(browsers)" ] && [ "$SECONDS" -lt "$deadline" ]; do opened >/dev/null; sleep 0.2; done
  opened >/dev/null
  echo "$n"
}

still_open() { [ "$(xwininfo -id "$1" 2>/dev/null | awk '/Map State:/ {print $3}')" = IsViewable ]; }
# press WINDOW KEY: the key, typed into the dialog as a user would, once the
# dialog has the keyboard (a window that has just been closed gives it back late).
press() {
  local deadline=$((SECONDS + 60))
  xdotool windowactivate --sync "$1" >/dev/null 2>&1 || true
  while [ "$(xdotool getwindowfocus 2>/dev/null)" != "$1" ] && [ "$SECONDS" -lt "$deadline" ]; do
    sleep 0.1
    xdotool windowactivate --sync "$1" >/dev/null 2>&1 || true
  done
  xdotool key "$2"
  sleep 0.7
}

# The first dialog from the keyboard; the focus starts on Close.
keyboard_then_mouse() {
  local win=$1
  if [ "$2" -ne 1 ]; then
    xdotool mousemove --window "$win" 22 232 click 1 && sleep 0.3
    xdotool mousemove --window "$win" 388 233 click 1
    return
  fi
  press "$win" Escape
  still_open "$win" && check "Escape presses nothing" 0 "$(opened)"
  press "$win" Tab
  press "$win" Return
  check "Enter presses the focused open-folder button" 1 "$(opened_after 1)"
  press "$win" space
  check "Space presses it too" 2 "$(opened_after 2)"
  press "$win" Tab
  press "$win" space
  press "$win" Return
  check "Enter on the check box presses nothing" "open 2" "$(still_open "$win" && echo open) $(opened)"
  press "$win" Tab
  press "$win" Return  # on Close, which records the ticked box
}

run() {  # run BUILD COMMAND...
  build=$1
  rm -f "$work/opened" "$work/visible"
  local status=0 log=$work/$1/Orvane.log
  shift
  echo "== $build"
  answer_dialogs "$shots/run-$build" keyboard_then_mouse "$@" || status=$?
  check "first run ends" 0 "$status"
  check "two dialogs in turn" "446x259 446x259" "$SIZES"
  check "each excluded" 2 "$(count '次回よりチェックを省略' "$log")"
  check "last line" "Orvane 終了" "$(log_messages "$log" | tail -n 1)"
  check "exclusions in list order" \
    "$big1=C:\\users\\demo\\メール\\個人用フォルダ.pst|$big2=C:\\users\\demo\\メール\\old mail.pst" \
    "$(iconv -f CP932 -t UTF-8 "$work/$build/Orvane.ini" | tr -d '\r' | grep -E '^[0-9A-F]{32}=' | paste -sd '|')"

  answer_dialogs "$shots/run-$build-again" tick "$@" || status=$?
  check "next run ends" 0 "$status"
  check "next run shows nothing" 0 "$DIALOGS"
  check "both skipped" 2 "$(count 'チェック省略対象' "$log")"
}

copy_two_builds
echo "== linux, alone in its folder"
check "one file" "Orvane" "$(ls -A "$work/linux")"
run linux env PATH="$work/bin:$PATH" "$work/linux/Orvane"
run windows wine "$work/windows/Orvane.exe"

echo "== both builds"
check_same_run
ls "$shots"/run-*.png
[ "$failures" -eq 0 ]
