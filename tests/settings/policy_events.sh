#!/usr/bin/env bash
# What the organisation steers and sees, for the Linux build and a Windows build
# under Wine, on one prefix:
#   - values in both policy keys steer the run over the user's settings file
#     (which value wins, key by key, is the settings suite's to test);
#   - report-only set by policy: every store is checked, no dialog is shown, and
#     each warning reaches the log and the system's log (Wine prints each event on
#     its eventlog channel; the Linux build's lines are caught on a /dev/log of
#     this script's own, in a mount namespace, when it runs as root), an Exchange
#     mailbox's offline file's too, as the policy LargeWarningSize asks;
#   - a failure (a settings file that is a folder) reaches the system's log as an
#     error, and a quiet run reports nothing;
#   - with two weeks of history, a file near the client's stop gets its forecast
#     and stage in the log and in the events' last two fields.
# Both builds must log the same run.
# Usage: policy_events.sh LINUX_ORVANE WINDOWS_ORVANE_EXE
source "$(dirname "$0")/../lib/opening.sh"
two_builds "$@"

begin_with_wine_prefix

profile="$profiles_nt\\Outlook"
policies='Software\Policies\Orvane'
reg_add "$profiles_nt" /v DefaultProfile /t REG_SZ /d Outlook
reg_add "$profile\\$store_list_key" /v 01023d00 /t REG_BINARY \
  /d 0a1b2c3d4e5f60718293a4b5c6d7e8f95e6f708192a3b4c5d6e7f8091a2b3c4d11223344556677889900aabbccddeeff$(
  )e0e0e0e0e0e0e0e0e0e0e0e0e0e0e0e0
for entry in "0a1b2c3d4e5f60718293a4b5c6d7e8f9 個人用フォルダ C:\\big.pst" \
  "5e6f708192a3b4c5d6e7f8091a2b3c4d アーカイブ C:\\古い メール\\archive.pst" \
  "11223344556677889900aabbccddeeff 小さい C:\\small.pst"; do
  read -r uid name path <<<"$entry"
  reg_add "$profile\\$uid" /v 001e3001 /t REG_BINARY /d "$(ansi "$name")"
  reg_add "$profile\\$uid" /v 001e6700 /t REG_BINARY /d "$(ansi "$path")"
done
# The mailbox: its offline file's path in the global section its store names.
reg_add "$profile\\e0e0e0e0e0e0e0e0e0e0e0e0e0e0e0e0" /v 001f3001 /t REG_BINARY /d "$(utf16 tanaka@example.com)"
reg_add "$profile\\e0e0e0e0e0e0e0e0e0e0e0e0e0e0e0e0" /v 001f3d09 /t REG_BINARY /d "$(utf16 MSEMS)"
reg_add "$profile\\e0e0e0e0e0e0e0e0e0e0e0e0e0e0e0e0" /v 01023d15 /t REG_BINARY /d f1f1f1f1f1f1f1f1f1f1f1f1f1f1f1f1
reg_add "$profile\\f1f1f1f1f1f1f1f1f1f1f1f1f1f1f1f1" /v 001f6610 /t REG_BINARY /d "$(utf16 'C:\tanaka.ost')"
pst_file "$WINEPREFIX/drive_c/tanaka.ost" 4000000 unicode ost
pst_file "$WINEPREFIX/drive_c/big.pst" 2000000
pst_file "$WINEPREFIX/drive_c/古い メール/archive.pst" 3000000
pst_file "$WINEPREFIX/drive_c/small.pst" 500000
reg_add "HKLM\\$policies" /v WarningSize /t REG_DWORD /d 1000
reg_add "HKLM\\$policies" /v ReportOnly /t REG_DWORD /d 1
reg_add "HKCU\\$policies" /v LargeWarningSize /t REG_DWORD /d 1000
wineserver -w

users_file='[Orvane]\r\nWarningSize=9999999\r\n'
copy_two_builds

run_windows() {
  WINEDEBUG=-all,warn+eventlog,err+eventlog,fixme+advapi wine "$work/windows/Orvane.exe" 2>"$work/windows/stderr"
  wineserver -w
}
# run_linux: the Linux build, its system-log lines caught in $work/linux/syslog.
run_linux() { (cd "$work/linux" && with_system_log "$work/linux/syslog" ./Orvane); }

echo "policy_events: a report-only run steered by policy"
printf "$users_file" >"$work/windows/Orvane.ini"
printf "$users_file" >"$work/linux/Orvane.ini"
run_windows
run_linux
log=$(log_messages "$work/windows/Orvane.log")
check "both builds log the same run" "" "$(diff <(log_messages "$work/linux/Orvane.log") <(echo "$log"))"
check "the machine's warning size, named" "警告サイズ取得：1000
ポリシーによる設定：WarningSize (HKEY_LOCAL_MACHINE\\Software\\Policies\\Orvane)" \
  "$(grep -A1 '^警告サイズ取得' <<<"$log")"
check "report-only said once" 1 "$(grep -c '^報告のみ：警告画面は表示しません$' <<<"$log")"
check "every store checked, the three warnings reported and not shown" "サイズ：1954, 警告を報告 (画面は表示しません)
サイズ：2930, 警告を報告 (画面は表示しません)
サイズ：489, 警告サイズ以下
サイズ：3907, 警告を報告 (画面は表示しません)" "$(grep '^サイズ' <<<"$log")"
check "the offline file found" "オフラインフォルダ情報取得：E0E0E0E0E0E0E0E0E0E0E0E0E0E0E0E0, tanaka@example.com, (2003形式), C:\\tanaka.ost" \
  "$(grep '^オフライン' <<<"$log")"
check "the run ends" "Orvane 終了" "$(tail -n 1 <<<"$log")"
check "one warning event per file, with the user's SID and every insertion string" \
  "0x0002 0x000003e8 sid | C:\\\\big.pst | 1954 | 1000 | 2097152 | \\500b\\4eba\\7528\\30d5\\30a9\\30eb\\30c0 | report-only | ANSI | pst | 2095198 | 1904657 |  | 
0x0002 0x000003e8 sid | C:\\\\\\53e4\\3044 \\30e1\\30fc\\30eb\\\\archive.pst | 2930 | 1000 | 2097152 | \\30a2\\30fc\\30ab\\30a4\\30d6 | report-only | ANSI | pst | 2094222 | 1904657 |  | 
0x0002 0x000003e8 sid | C:\\\\tanaka.ost | 3907 | 1000 | 49807360 | tanaka@example.com | report-only | Unicode | ost | 49803453 | 49807360 |  | " \
  "$(events_of "$work/windows/stderr")"
if [ "$(id -u)" -eq 0 ]; then
  check "the same on Linux's system log" \
    "<12>orvane: id=1000 path=C:\\big.pst size_kb=1954 warning_kb=1000 limit_kb=2097152 name=個人用フォルダ dialog=report-only format=ANSI kind=pst room_kb=2095198 stop_kb=1904657 growth_kb_per_week=\"\" weeks_to_stop=\"\" user=$(id -un)
<12>orvane: id=1000 path=\"C:\\\\古い メール\\\\archive.pst\" size_kb=2930 warning_kb=1000 limit_kb=2097152 name=アーカイブ dialog=report-only format=ANSI kind=pst room_kb=2094222 stop_kb=1904657 growth_kb_per_week=\"\" weeks_to_stop=\"\" user=$(id -un)
<12>orvane: id=1000 path=C:\\tanaka.ost size_kb=3907 warning_kb=1000 limit_kb=49807360 name=tanaka@example.com dialog=report-only format=Unicode kind=ost room_kb=49803453 stop_kb=49807360 growth_kb_per_week=\"\" weeks_to_stop=\"\" user=$(id -un)" \
    "$(system_log "$work/linux/syslog")"
else
  echo "  SKIPPED: the Linux system log (catching it needs a mount namespace, as root)"
fi

echo "policy_events: a settings file that cannot be written, and a quiet run"
for build in windows linux; do
  rm "$work/$build/Orvane.ini"
  mkdir "$work/$build/Orvane.ini"
done
run_windows
run_linux
check "each default not saved is an error event" \
  "0x0001 0x000003e9 sid | 設定ファイルに保存できません: LimitSize (ファイルではありません)" \
  "$(events_of "$work/windows/stderr" | grep -m1 0x0001 |
    sed 's/\\8a2d\\5b9a\\30d5\\30a1\\30a4\\30eb\\306b\\4fdd\\5b58\\3067\\304d\\307e\\305b\\3093/設定ファイルに保存できません/;
         s/\\30d5\\30a1\\30a4\\30eb\\3067\\306f\\3042\\308a\\307e\\305b\\3093/ファイルではありません/')"
[ "$(id -u)" -ne 0 ] || check "and a system-log error on Linux" \
  "<11>orvane: id=1001 message=\"設定ファイルに保存できません: LimitSize (ファイルではありません)\" user=$(id -un)" \
  "$(system_log "$work/linux/syslog" | head -n 1)"

reg_add "HKLM\\$policies" /v ReportOnly /t REG_DWORD /d 0
reg_add "HKCU\\$policies" /v LargeWarningSize /t REG_DWORD /d 0
reg_add "HKLM\\$policies" /v WarningSize /t REG_DWORD /d 9999999
wineserver -w
for build in windows linux; do rmdir "$work/$build/Orvane.ini"; done
run_windows
run_linux
check "a quiet run reports nothing (Windows)" "" "$(events_of "$work/windows/stderr")"
check "a quiet run reports nothing (Linux)" "" "$(cat "$work/linux/syslog")"
check "a quiet run warns about nothing" 3 "$(log_messages "$work/linux/Orvane.log" | grep -c '警告サイズ以下$')"

echo "policy_events: two weeks of history, and a file near the client's stop"
reg_add "HKLM\\$policies" /v WarningSize /t REG_DWORD /d 1000
reg_add "HKLM\\$policies" /v ReportOnly /t REG_DWORD /d 1
reg_add "HKLM\\$policies" /v UrgentPercent /t REG_DWORD /d 90
reg_add 'HKCU\Software\Policies\Microsoft\Office\14.0\Outlook\PST' /v WarnFileSize /t REG_DWORD /d 2097152
wineserver -w
for build in windows linux; do
  printf 'Orvane history 1\r\nfile\t%s\t-\t-\t-\r\npoint\t%s\t1854\t1854\r\npoint\t%s\t1904\t1904\r\n' \
    'C:\big.pst' "$(date -d '14 days ago' +%F)" "$(date -d '7 days ago' +%F)" >"$work/$build/Orvane.history"
done
run_windows
run_linux
log=$(log_messages "$work/windows/Orvane.log")
check "both builds log the same run" "" "$(diff <(log_messages "$work/linux/Orvane.log") <(echo "$log"))"
check "the policy's urgent share, the forecast and the stage" \
  "緊急とする割合 (%) 取得：90|ポリシーによる設定：UrgentPercent (HKEY_LOCAL_MACHINE\\Software\\Policies\\Orvane)|予測：週に 50 KB 増加、約 1 週間でメールソフトが受け取りを停止|段階：緊急 (メールソフトの停止サイズの 95%)" \
  "$(grep -E '^(緊急|ポリシーによる設定：Urgent|予測|段階)' <<<"$log" | paste -sd '|')"
check "the forecast in the event's fields 11 and 12" "1954|report-only|94|2048|50|1" \
  "$(events_of "$work/windows/stderr" | grep 'big.pst' | cut -d'|' -f3,7,10,11,12,13 | tr -d ' ')"
[ "$(id -u)" -ne 0 ] || check "and on Linux's system-log line" \
  "room_kb=94 stop_kb=2048 growth_kb_per_week=50 weeks_to_stop=1 user=$(id -un)" \
  "$(system_log "$work/linux/syslog" | grep -o 'big.pst.*' | grep -o 'room_kb=.*')"

[ "$failures" -eq 0 ] || { echo "policy_events: $failures check(s) failed" >&2; exit 1; }
echo "policy_events: policy, report-only and events as expected for both builds"
