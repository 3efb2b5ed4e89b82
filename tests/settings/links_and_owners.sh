#!/usr/bin/env bash
# The Linux build run by root (or any account) on files that another account
# could have placed, with real accounts (root, and nobody as the ordinary user):
#   - a copy of the user's own whose Orvane.log is a link to a system file: the
#     file stays as it was, the run goes on, and the system log says why there
#     is no log;
#   - its Orvane.ini a link of the user's to a file of root's: nothing written
#     through it, and the log says why; a link of the user's to a file of their
#     own keeps working, for the user's runs and for root's;
#   - root's run of the user's copy leaves the user's Orvane.ini the user's, with
#     its group and permissions;
#   - a settings folder of the user's that is another's, or that others may write,
#     is not used (a settings file planted there is not read), and the log says so.
# Runs as root; skipped otherwise.
# Usage: links_and_owners.sh LINUX_ORVANE
source "$(dirname "$0")/../lib/opening.sh"
orvane=$(realpath "$1")
root_only "runs as root and as another account"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
chmod 755 "$work"
own=$work/own  # a copy of the user's own, in a folder of theirs
mkdir -p "$own" "$work/home" "$work/theirs"
cp "$orvane" "$own/Orvane"
chown -R nobody:nogroup "$own" "$work/home" "$work/theirs"
printf 'precious\n' >"$work/system-file"
as_nobody() { setpriv --reuid=nobody --regid=nogroup --clear-groups "$@"; }
# run WHO: the copy, run by root or by nobody, with its system-log lines in $work/syslog.
run() {
  local who=()
  [ "$1" = root ] || who=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
  with_system_log "$work/syslog" "${who[@]}" env -i HOME="$work/home" WINEPREFIX="$work/none" PATH=/usr/bin:/bin \
    LC_ALL="$LC_ALL" \
    "$own/Orvane"
}
reset() { rm -f "$own/Orvane.ini" "$own/Orvane.log"; }

echo "links_and_owners: a log that is a link to a file of root's"
as_nobody ln -s "$work/system-file" "$own/Orvane.log"
check "root's run ends" 0 "$(run root; echo $?)"
check "the file linked to as it was" precious "$(cat "$work/system-file")"
check "the link as it was" "$work/system-file" "$(readlink "$own/Orvane.log")"
check "the settings still saved" 1 "$(grep -c '^LimitSize=2097152' "$own/Orvane.ini")"
check "the system log says why there is no log" \
  "<11>orvane: id=1001 message=\"ログファイルに書き込めません: $own/Orvane.log (書き込みが許可されていません)\" user=$(id -un)" \
  "$(system_log "$work/syslog")"

echo "links_and_owners: a settings file that is the user's link to a file of root's"
reset
cp "$work/system-file" "$work/system-ini"
as_nobody ln -s "$work/system-ini" "$own/Orvane.ini"
check "root's run ends" 0 "$(run root; echo $?)"
check "nothing written through the link" precious "$(cat "$work/system-ini")"
check "each value logged as not saved, and why" 5 \
  "$(log_messages "$own/Orvane.log" | grep -c '^設定ファイルに保存できません: [A-Za-z]* (ほかのユーザーのファイルへのリンクです)$')"

echo "links_and_owners: a settings file that is the user's link to a file of their own"
reset
printf '[Orvane]\r\nWarningSize=5\r\n' >"$work/theirs/real.ini"
chown nobody:nogroup "$work/theirs/real.ini"
as_nobody ln -s "$work/theirs/real.ini" "$own/Orvane.ini"
check "the user's run" 0 "$(run nobody; echo $?)"
check "written through the link" 1 "$(grep -c '^LimitSize=2097152' "$work/theirs/real.ini")"
check "which stays a link" "$work/theirs/real.ini" "$(readlink "$own/Orvane.ini")"
printf '[Orvane]\r\nWarningSize=5\r\n' >"$work/theirs/real.ini"
check "root's run" 0 "$(run root; echo $?)"
check "written through the link for root too" 1 "$(grep -c '^LimitSize=2097152' "$work/theirs/real.ini")"
check "the file still the user's" "nobody:nogroup" "$(stat -c %U:%G "$work/theirs/real.ini")"

echo "links_and_owners: root's run of the user's copy"
reset
printf '[Orvane]\r\nWarningSize=5\r\n' >"$own/Orvane.ini"
chown nobody:nogroup "$own/Orvane.ini"
chmod 640 "$own/Orvane.ini"
check "root's run" 0 "$(run root; echo $?)"
check "the defaults written" 1 "$(grep -c '^LimitSize=2097152' "$own/Orvane.ini")"
check "the user's value kept" 1 "$(grep -c '^WarningSize=5' "$own/Orvane.ini")"
check "owner, group and permissions kept" "nobody:nogroup 640" "$(stat -c '%U:%G %a' "$own/Orvane.ini")"

echo "links_and_owners: settings folders that are not the user's alone"
shared=$work/shared  # an install for every user: a folder of root's
mkdir -p "$shared" "$work/config/orvane"
cp "$orvane" "$shared/Orvane"
printf '[Orvane]\r\nWarningSize=2147483647\r\n' >"$work/config/orvane/Orvane.ini"
cp "$work/config/orvane/Orvane.ini" "$work/planted.ini"
as_user_in_shared() {
  as_nobody env -i HOME="$work/home" XDG_CONFIG_HOME="$work/config" WINEPREFIX="$work/none" LC_ALL="$LC_ALL" \
    "$shared/Orvane"
}
user_log=$work/home/.local/state/orvane/Orvane.log
check "the user's run" 0 "$(as_user_in_shared; echo $?)"
log=$(log_messages "$user_log")
check "another's folder is not used, and the log says so" \
  "フォルダを使用できません: $work/config/orvane (ほかのユーザーのフォルダです)" "$(sed -n 2p <<<"$log")"
check "the settings planted there are not read" 1 "$(grep -c '^警告サイズ取得：1572864$' <<<"$log")"
check "nor written" "" "$(cmp "$work/planted.ini" "$work/config/orvane/Orvane.ini" 2>&1)"
chown nobody:nogroup "$work/config/orvane"
chmod 777 "$work/config/orvane"
as_user_in_shared
check "a folder others may write is not used either" \
  "フォルダを使用できません: $work/config/orvane (ほかのユーザーも書き込めるフォルダです)" \
  "$(log_messages "$user_log" | sed -n 2p)"
check "and the run ends" "Orvane 終了" "$(log_messages "$user_log" | tail -n 1)"

[ "$failures" -eq 0 ] || { echo "links_and_owners: $failures check(s) failed" >&2; exit 1; }
echo "links_and_owners: no write through another's link or into another's folder, and owners kept"
