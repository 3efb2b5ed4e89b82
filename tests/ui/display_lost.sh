#!/usr/bin/env bash
# The Linux build when its display goes away while a warning is up: a profile with
# two oversized ANSI personal-folder files, the X server killed while the first
# dialog is shown. The run must log why neither warning could be shown, check the
# second store all the same, and end as every run ends.
# Usage: display_lost.sh LINUX_ORVANE
source "$(dirname "$0")/../lib/opening.sh"
orvane=$(realpath "$1")

work=$(mktemp -d)
trap 'stop_virtual_display; rm -rf "$work"' EXIT

prefix=$work/prefix
user_reg_prefix "$prefix" "01010101010101010101010101010101 First C:\Mail\first.pst 1700000000" \
  "02020202020202020202020202020202 Second C:\Mail\second.pst 1800000000"
cp "$orvane" "$work/Orvane"

start_virtual_display

WINEPREFIX=$prefix "$work/Orvane" &
app=$!
# The first dialog is up: its window is mapped.
timeout 30 xdotool search --sync --onlyvisible --name '^Orvane$' >/dev/null
kill "$X_SERVER"
wait "$X_SERVER" 2>/dev/null || true

status=0
for _ in $(seq 100); do kill -0 "$app" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$app" 2>/dev/null; then
  kill "$app"
  status=124
fi
wait "$app" || status=$?

messages=$(log_messages "$work/Orvane.log" | tail -n 7)
check "the run ends by itself" 0 "$status"
check "the log from the first store on" "$(printf '%s\n' \
  '個人用フォルダ情報取得：01010101010101010101010101010101, First, (97-2002形式), C:\Mail\first.pst' \
  'サイズ：1660157, 警告画面表示' \
  '警告画面を表示できません: ディスプレイとの接続が切れました' \
  '個人用フォルダ情報取得：02020202020202020202020202020202, Second, (97-2002形式), C:\Mail\second.pst' \
  'サイズ：1757813, 警告画面表示' \
  '警告画面を表示できません: ディスプレイとの接続が切れました' \
  'Orvane 終了')" "$messages"
[ "$failures" -eq 0 ]
