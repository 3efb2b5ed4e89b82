#!/usr/bin/env bash
# Nothing left hanging, for the Linux build, with a profile of two oversized ANSI
# personal-folder files:
#   - an Orvane.log that is a pipe (or anything but a file): the run goes on
#     without a log, at once, and the system log says why;
#   - the run asked to end (SIGTERM, as at logout) while a warning is up: the
#     dialog goes, the log says it was ended unanswered, the next warning is not
#     shown, and the log ends as every run's does; the system log's event says
#     "unanswered";
#   - the run killed (SIGKILL) while a warning is up: the dialog goes with it;
#   - the dialog's process killed by a signal: the log says it was ended;
#   - a display that takes the connection and never answers: the run gives it up
#     after a bounded time, logs why, and ends;
#   - a system log that never reads (root): fifteen warnings in a report-only run
#     end the run all the same, the run log counts the events not taken, and an
#     event with a 300,000-byte name reaches a system log that reads, cut to fit.
# Usage: hangs.sh LINUX_ORVANE
source "$(dirname "$0")/../lib/opening.sh"
orvane=$(realpath "$1")

work=$(mktemp -d)
trap 'stop_virtual_display; rm -rf "$work"' EXIT
prefix=$work/prefix
mkdir -p "$work/run"
user_reg_prefix "$prefix" "01010101010101010101010101010101 first C:\Mail\first.pst 1700000000" \
  "02020202020202020202020202020202 second C:\Mail\second.pst 1800000000"
cp "$orvane" "$work/run/Orvane"
log=$work/run/Orvane.log
orvane_env=(env -i HOME="$work" WINEPREFIX="$prefix" PATH=/usr/bin:/bin LC_ALL="$LC_ALL")

echo "hangs: a pipe where the log should be"
mkfifo "$log"
status=0
with_system_log "$work/syslog" timeout 20 "${orvane_env[@]}" "$work/run/Orvane" || status=$?
check "the run ends by itself" 0 "$status"
check "the settings saved all the same" 1 "$(grep -c '^LimitSize=' "$work/run/Orvane.ini")"
if [ "$(id -u)" -eq 0 ]; then
  check "the system log says why there is no log" \
    "<11>orvane: id=1001 message=\"ログファイルに書き込めません: $log (ファイルではありません)\" user=$(id -un)" \
    "$(system_log "$work/syslog" | head -n 1)"
fi
rm "$log"

start_virtual_display
# dialog_of PID: the dialog window that the run PID shows, once it is up (shown by
# a process of the run's own), and DIALOG_PID that process.
dialog_of() {
  local deadline=$((SECONDS + 60)) win
  while [ "$SECONDS" -lt "$deadline" ]; do
    DIALOG_PID=$(pgrep -P "$1" | head -n 1) || true
    win=$(xdotool search --onlyvisible --name '^Orvane$' 2>/dev/null | head -n 1) || true
    if [ -n "$DIALOG_PID" ] && [ -n "$win" ]; then
      echo "$win"
      return
    fi
    sleep 0.2
  done
}
gone() {  # gone WINDOW: waits at most 10 s for the window to go; says whether it has
  local deadline=$((SECONDS + 10))
  while xwininfo -id "$1" >/dev/null 2>&1 && [ "$SECONDS" -lt "$deadline" ]; do sleep 0.1; done
  xwininfo -id "$1" >/dev/null 2>&1 && echo "still there" || echo gone
}

echo "hangs: the run asked to end while a warning is up"
with_system_log "$work/syslog" "${orvane_env[@]}" DISPLAY="$DISPLAY" "$work/run/Orvane" &
runner=$!
run=""
for _ in $(seq 100); do run=$(pgrep -f -o "^$work/run/Orvane") && break; sleep 0.1; done

win=$(dialog_of "$run")
check "the first warning is up" yes "$([ -n "$win" ] && echo yes)"
kill -TERM "$run"
status=0
wait "$runner" || status=$?
check "the run ends" 0 "$status"
check "its dialog with it" gone "$(gone "$win")"
check "the log says what became of both warnings, and ends" "サイズ：1660157, 警告画面表示
警告画面を閉じました: 応答の前に終了を求められました
個人用フォルダ情報取得：02020202020202020202020202020202, second, (97-2002形式), C:\Mail\second.pst
サイズ：1757813, 警告画面表示
警告画面を表示できません: 終了を求められました
Orvane 終了" "$(log_messages "$log" | tail -n 6)"
if [ "$(id -u)" -eq 0 ]; then
  check "and so do the events" "dialog=unanswered
dialog=not-shown" "$(system_log "$work/syslog" | grep -o 'dialog=[^ ]*')"
fi

echo "hangs: the run killed while a warning is up"
"${orvane_env[@]}" DISPLAY="$DISPLAY" "$work/run/Orvane" &
run=$!
win=$(dialog_of "$run")
{
  kill -KILL "$run"
  wait "$run"
} 2>/dev/null || true
check "its dialog goes with it" gone "$(gone "$win")"

echo "hangs: the dialog's process killed"
"${orvane_env[@]}" DISPLAY="$DISPLAY" "$work/run/Orvane" &
run=$!
dialog_of "$run" >/dev/null
first=$DIALOG_PID
kill -SEGV "$first"
while pgrep -P "$run" | grep -qx "$first"; do sleep 0.1; done
win=$(dialog_of "$run")  # the second warning
xdotool mousemove --window "$win" 388 233 click 1  # Close
wait "$run"
check "the log says it was ended" 1 \
  "$(log_messages "$log" | grep -c '^警告画面を表示できません: 画面のプロセスが終了させられました (シグナル 11)$')"
check "and the second warning was shown" 1 "$(log_messages "$log" | grep -c '^サイズ：1757813, 警告画面表示$')"

echo "hangs: a display that never answers"
start_silent_display
check "the silent display listens" yes "$([ "$SILENT_DISPLAY" != : ] && echo yes)"
start=$SECONDS
status=0
timeout 120 "${orvane_env[@]}" DISPLAY="$SILENT_DISPLAY" "$work/run/Orvane" || status=$?
check "the run ends by itself" 0 "$status"
check "within half a minute" yes "$([ $((SECONDS - start)) -le 30 ] && echo yes)"
not_shown=$(log_messages "$log" | grep -c '^警告画面を表示できません: ディスプレイが応答しません$' || true)
check "both warnings logged as not shown, and why" 2 "$not_shown"
[ "$not_shown" = 2 ] || log_messages "$log" | sed 's/^/    log: /'
check "and the run ends as every run does" "Orvane 終了" "$(log_messages "$log" | tail -n 1)"

if [ "$(id -u)" -eq 0 ]; then
  echo "hangs: a system log that takes nothing"
  stores=()
  for i in $(seq 10 24); do
    name=store$i
    [ "$i" = 10 ] && name=$(printf 'x%.0s' $(seq 1 300000))
    stores+=("${i}${i}${i}${i}${i}${i}${i}${i}${i}${i}${i}${i}${i}${i}${i}${i} $name C:\Mail\s$i.pst 1700000000")
  done
  user_reg_prefix "$work/many" "${stores[@]}"
  printf '\n[Software\\\\Policies\\\\Orvane]\n"ReportOnly"=dword:00000001\n' >>"$work/many/user.reg"
  many_env=(env -i HOME="$work" WINEPREFIX="$work/many" PATH=/usr/bin:/bin LC_ALL="$LC_ALL")
  status=0
  start=$SECONDS
  with_deaf_system_log timeout 20 "${many_env[@]}" "$work/run/Orvane" || status=$?
  check "the run ends by itself" 0 "$status"
  check "at once" yes "$([ $((SECONDS - start)) -le 5 ] && echo yes)"
  check "every warning reported in the log" 15 "$(log_messages "$log" | grep -c '警告を報告' || true)"
  check "the events not taken counted once" 1 \
    "$(log_messages "$log" | grep -c '^システムログに送れなかったイベント：[1-9][0-9]*$' || true)"
  with_system_log "$work/syslog" "${many_env[@]}" "$work/run/Orvane"
  big=$(grep -a 'name=xxx' "$work/syslog" || true)
  check "the event with the long name is there" 1 "$(grep -c . <<<"$big")"
  check "cut to what a system log takes" yes "$([ "${#big}" -le 8000 ] && [ "${#big}" -ge 7000 ] && echo yes)"
  check "with a mark" yes "$(grep -q 'xxx… dialog=report-only' <<<"$big" && echo yes)"
fi

[ "$failures" -eq 0 ] || { echo "hangs: $failures check(s) failed" >&2; exit 1; }
echo "hangs: nothing left hanging"
