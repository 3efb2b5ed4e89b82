#!/usr/bin/env bash
# The Linux build's administrators' settings files, as root sets them up and users
# meet them: /etc/orvane/Orvane.ini (in an /etc of this script's own: an overlay in
# a mount namespace) and the file beside a program installed for every user.
#   - /etc/orvane/Orvane.ini holds for a copy of the user's own too, and wins over
#     the file beside the program where both set a key; the log names each file
#     that was read, and no other;
#   - one that is there and cannot be read (root's alone, or a folder) is logged
#     with why, and the run goes on with what it can read.
# Runs as root (the users are real accounts, through setpriv); skipped otherwise.
# Usage: administrators_files.sh LINUX_ORVANE
source "$(dirname "$0")/../lib/opening.sh"
orvane=$(realpath "$1")
root_only "an /etc of its own, runs as another user"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
chmod 755 "$work"
mkdir -p "$work/etc/upper" "$work/etc/work" "$work/home" "$work/own" "$work/shared"
chown nobody:nogroup "$work/home" "$work/own"
cp "$orvane" "$work/own/Orvane"
cp "$orvane" "$work/shared/Orvane"
chown nobody:nogroup "$work/own/Orvane"

# as_user ETC_SETUP FOLDER: with /etc/orvane as ETC_SETUP makes it, runs the
# program in FOLDER as the ordinary user nobody.
as_user() {
  unshare -m bash -c '
    mount -t overlay overlay -o "lowerdir=/etc,upperdir=$1/etc/upper,workdir=$1/etc/work" /etc
    eval "$2"
    setpriv --reuid=nobody --regid=nogroup --clear-groups \
      env -i HOME="$1/home" WINEPREFIX="$1/prefix" PATH=/usr/bin:/bin LC_ALL=ja_JP.UTF-8 "$3/Orvane"' _ "$work" "$1" "$2"
  rm -rf "$work/etc/upper" "$work/etc/work"
  mkdir -p "$work/etc/upper" "$work/etc/work"
}
user_log="$work/home/.local/state/orvane/Orvane.log"
user_ini="$work/home/.config/orvane/Orvane.ini"
etc_file='mkdir -p /etc/orvane; printf "[Orvane]\r\nWarningSize=1000\r\n" >/etc/orvane/Orvane.ini'

echo "administrators_files: a copy of the user's own"
printf '[Orvane]\r\nWarningSize=5000\r\n' >"$work/own/Orvane.ini"
chown nobody:nogroup "$work/own/Orvane.ini"
as_user "$etc_file" "$work/own"
log=$(log_messages "$work/own/Orvane.log")
check "the log names /etc's file" "設定ファイル：$work/own/Orvane.ini (管理者の設定ファイル：/etc/orvane/Orvane.ini)" \
  "$(sed -n 2p <<<"$log")"
check "and its warning size holds" 1 "$(grep -c '^警告サイズ取得：1000$' <<<"$log")"

echo "administrators_files: an install for every user"
printf '[Orvane]\r\nWarningSize=2000\r\nWarningTitle=beside\r\n' >"$work/shared/Orvane.ini"
as_user "$etc_file" "$work/shared"
log=$(log_messages "$user_log")
check "both files named, /etc's first" \
  "設定ファイル：$user_ini (管理者の設定ファイル：/etc/orvane/Orvane.ini, $work/shared/Orvane.ini)" "$(sed -n 2p <<<"$log")"
check "/etc's warning size over the one beside the program" 1 "$(grep -c '^警告サイズ取得：1000$' <<<"$log")"
check "the title of the file beside the program" 1 "$(grep -c '^警告タイトル取得：beside$' <<<"$log")"

as_user "$etc_file; chmod 600 /etc/orvane/Orvane.ini" "$work/shared"
log=$(log_messages "$user_log")
check "one that cannot be read says so" \
  "管理者の設定ファイルを読み込めません: /etc/orvane/Orvane.ini (読み取りが許可されていません)
設定ファイル：$user_ini (管理者の設定ファイル：$work/shared/Orvane.ini)" "$(sed -n 2,3p <<<"$log")"
check "and the one that can be read holds" 1 "$(grep -c '^警告サイズ取得：2000$' <<<"$log")"

as_user "mkdir -p /etc/orvane/Orvane.ini" "$work/shared"
check "a folder in its place says so" \
  "管理者の設定ファイルを読み込めません: /etc/orvane/Orvane.ini (ファイルではありません)" \
  "$(log_messages "$user_log" | sed -n 2p)"

rm "$work/shared/Orvane.ini"
as_user ":" "$work/shared"
log=$(log_messages "$user_log")
check "no administrator's file: none named" "設定ファイル：$user_ini" "$(sed -n 2p <<<"$log")"
check "and the run ends" "Orvane 終了" "$(tail -n 1 <<<"$log")"

[ "$failures" -eq 0 ] || { echo "administrators_files: $failures check(s) failed" >&2; exit 1; }
echo "administrators_files: every administrator's file read, named or reported as it should be"
