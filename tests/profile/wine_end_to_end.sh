#!/usr/bin/env bash
# Both builds find the same mail profile in one Wine prefix: Wine itself writes a
# profile (with "reg add" and a Japanese profile name), the Windows build runs in
# the prefix under code page 932, the Linux build reads the prefix's user.reg, and
# their logs must agree byte for byte once the date and time columns are masked.
# Usage: wine_end_to_end.sh LINUX_ORVANE WINDOWS_ORVANE_EXE
source "$(dirname "$0")/../lib/opening.sh"
two_builds "$@"

begin_with_wine_prefix

profile="$profiles_nt\\メール 日本"
# One store per Windows path form, all naming C:\users\demo\a.pst (the programs
# start in C:\users\demo), and a long path out of normal form.
demo="$work/prefix/drive_c/users/demo"
# (Names that repeat no 16 bytes in a row: "od" would fold them into "*".)
long="$(printf '0123456789%.0s' {1..12})\\$(printf 'abcdefghij%.0s' {1..12})"
mkdir -p "$demo/d0017" "$demo/${long//\\//}"
printf 12345 > "$demo/a.pst"; printf 123 > "$demo/d0017/a.pst"; printf 1234567 > "$demo/${long//\\//}/a.pst"
path_forms=('\\?\C:\users\demo\a.pst' '\\.\C:\users\demo\..\demo\a.pst' '\users\demo\a.pst' '..\demo\a.pst'
  'C:..\demo\a.pst' 'd0017.\a.pst' '\\?\C:\users\demo\d0017.\a.pst')
path_form_ids() { for i in $(seq 1 $((${#path_forms[@]} + 2))); do printf 'f%031x' "$i"; done; }
reg_add "$profiles_nt" /v DefaultProfile /t REG_SZ /d "メール 日本"
reg_add "$profiles_old" /v DefaultProfile /t REG_SZ /d "Old"
reg_add "$profile\\$store_list_key" /v 01023d00 /t REG_BINARY \
  /d 0a1b2c3d4e5f60718293a4b5c6d7e8f95e6f708192a3b4c5d6e7f8091a2b3c4d11223344556677889900aabbcc000000$(path_form_ids)
reg_add "$profile\\0a1b2c3d4e5f60718293a4b5c6d7e8f9" /v 001e3001 /t REG_BINARY /d "$(ansi 個人用フォルダ)"
reg_add "$profile\\0a1b2c3d4e5f60718293a4b5c6d7e8f9" /v 001e6700 /t REG_BINARY /d "$(ansi 'C:\users\demo\個人用フォルダ.pst')"
reg_add "$profile\\5e6f708192a3b4c5d6e7f8091a2b3c4d" /v 001f3001 /t REG_BINARY /d "$(utf16 新しい個人用フォルダ)"
reg_add "$profile\\5e6f708192a3b4c5d6e7f8091a2b3c4d" /v 001f6700 /t REG_BINARY /d "$(utf16 'C:\users\demo\new.pst')"
reg_add "$profile\\11223344556677889900AABBCC000000" /v 001e3001 /t REG_BINARY /d "$(ansi Archive)"
for i in "${!path_forms[@]}"; do
  section=$(printf 'f%031x' $((i + 1)))
  reg_add "$profile\\$section" /v 001e3001 /t REG_BINARY /d "$(ansi "form $((i + 1))")"
  reg_add "$profile\\$section" /v 001e6700 /t REG_BINARY /d "$(ansi "${path_forms[$i]}")"
done
# UTF-16 paths: one with a NUL and more text after it, one past MAX_PATH.
section=$(printf 'f%031x' $((${#path_forms[@]} + 1)))
reg_add "$profile\\$section" /v 001e3001 /t REG_BINARY /d "$(ansi "form nul")"
reg_add "$profile\\$section" /v 001f6700 /t REG_BINARY /d "$(utf16 'C:\users\demo\a.pst')$(utf16 junk)"
section=$(printf 'f%031x' $((${#path_forms[@]} + 2)))
reg_add "$profile\\$section" /v 001e3001 /t REG_BINARY /d "$(ansi "form long")"
reg_add "$profile\\$section" /v 001f6700 /t REG_BINARY /d "$(utf16 "C:\\users\\demo\\$long\\.\\x\\..\\a.pst.")"
wineserver -w

copy_two_builds
cd "$demo"
"$work/linux/Orvane"
wine "$work/windows/Orvane.exe"
wineserver -w

if ! diff <(log_messages "$work/windows/Orvane.log") <(log_messages "$work/linux/Orvane.log"); then
  echo "wine_end_to_end: the Linux and Windows logs differ" >&2
  exit 1
fi
grep -q "プロファイル名取得：Software\\\\Microsoft\\\\Windows NT\\\\CurrentVersion\\\\Windows Messaging Subsystem\\\\Profiles\\\\メール 日本" \
  <(log_messages "$work/linux/Orvane.log") || { echo "wine_end_to_end: profile not found" >&2; exit 1; }
# Every path form but the literal \\?\ one with a dotted folder finds its file.
[ "$(log_messages "$work/linux/Orvane.log" | grep -ac '^サイズ：1, 警告サイズ以下$')" = 8 ] ||
  { echo "wine_end_to_end: not every path form was found" >&2; exit 1; }
# Four runs at once on the same files (a double logon, twice over) take turns:
# the log is one whole run.
for i in 1 2 3 4; do wine "$work/windows/Orvane.exe" & done
wait
wineserver -w
[ "$(log_messages "$work/windows/Orvane.log" | grep -c '^Orvane 起動$')" = 1 ] &&
  [ "$(log_messages "$work/windows/Orvane.log" | grep -c '^Orvane 終了$')" = 1 ] &&
  [ "$(log_messages "$work/windows/Orvane.log" | tail -n 1)" = "Orvane 終了" ] ||
  { echo "wine_end_to_end: runs at once left a log that is not one whole run" >&2; exit 1; }
echo "wine_end_to_end: both builds log the same run"
log_messages "$work/linux/Orvane.log"
