#!/usr/bin/env bash
# The warning dialog end to end, on a virtual display, for the Linux build and for
# the Windows build under Wine, in one prefix whose profile holds two oversized
# ANSI personal-folder files and a small one:
#   - the first run shows two dialogs in turn, each with a client area of 446 x 259;
#     ticking the box and pressing Close in each excludes both files, and the log
#     says "次回よりチェックを省略" for each and ends with "Orvane 終了";
#   - the next run shows nothing and logs "チェック省略対象" for both;
#   - both builds leave the same log (date and time masked) and settings file.
# Screenshots of every dialog go to build/screenshots/run-<build>-<n>.png.
# Usage: dialog_end_to_end.sh LINUX_ORVANE WINDOWS_ORVANE_EXE
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
linux_exe=$(realpath "$1")
windows_exe=$(realpath "$2")
shots="$here/../../build/screenshots"
source "$here/../support/wine-profile.sh"
source "$here/../../scripts/lib/check.sh"
source "$here/../../scripts/lib/virtual-display.sh"
runs_here "$windows_exe" || exit 0

work=$(mktemp -d)
cleanup() {
  wineserver -k 2>/dev/null || true
  stop_virtual_display
  rm -rf "$work"
}
trap cleanup EXIT
new_wine_prefix "$work/prefix"
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
truncate -s 1700000000 "$mail/個人用フォルダ.pst"
truncate -s 100000000 "$mail/archive.pst"
truncate -s 2147483648 "$mail/old mail.pst"
wineserver -w

count() { log_messages "$2" | grep -c "$1" || true; }

run() {  # run BUILD COMMAND...
  local build=$1 status=0 log=$work/$1/Orvane.log
  shift
  echo "== $build"
  answer_dialogs "$shots/run-$build" tick "$@" || status=$?
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

mkdir "$work/linux" "$work/windows"
cp "$linux_exe" "$(dirname "$linux_exe")/OrvaneDialog.so" "$work/linux/"
cp "$windows_exe" "$work/windows/Orvane.exe"
run linux "$work/linux/Orvane"
run windows wine "$work/windows/Orvane.exe"

echo "== both builds"
check "same log" "" "$(diff <(log_messages "$work/windows/Orvane.log") <(log_messages "$work/linux/Orvane.log"))"
check "same settings file" "" "$(cmp "$work/windows/Orvane.ini" "$work/linux/Orvane.ini" 2>&1)"
ls "$shots"/run-*.png
[ "$failures" -eq 0 ]
