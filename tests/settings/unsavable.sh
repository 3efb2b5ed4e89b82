#!/usr/bin/env bash
# Settings that cannot be saved, for the Linux build and the Windows build under
# Wine, each with its real dialog on a virtual display: a profile with one
# oversized ANSI personal-folder file whose warning the user answers by ticking
# "do not check again" and pressing Close, while the settings file
#   - is read-only: the user's own file, in the user's folder, since a read-only
#     file beside the program is the administrator's (the Linux program runs as
#     an ordinary user, as root may write any file; Wine takes a file without
#     write permission as read-only),
#   - is a folder,
#   - sits on a full disk (a small tmpfs, when this machine lets us mount one).
# Each run must log which key could not be saved and why, never claim the
# exclusion as made, leave the settings file as it was, and end as every run ends.
# Usage: unsavable.sh LINUX_ORVANE WINDOWS_ORVANE_EXE
source "$(dirname "$0")/../lib/opening.sh"
two_builds "$@"

work=$(mktemp -d)
chmod 755 "$work"
cleanup() {
  wineserver -k 2>/dev/null || true
  stop_virtual_display
  mountpoint -q "$work/full" 2>/dev/null && umount "$work/full"
  [ -n "${KEEP:-}" ] || rm -rf "$work"
}
trap cleanup EXIT
new_wine_prefix "$work/prefix"
start_virtual_display
# Any local user may show windows on the virtual display.
xhost +local: >/dev/null 2>&1 || true

uid=0A1B2C3D4E5F60718293A4B5C6D7E8F9
oversized_store Outlook "$uid" 'C:\Mail\個人用フォルダ.pst'
wineserver -w
# What the Linux program reads as an ordinary user: a prefix of its own (another
# account's is never read) with the same registry, whose drive C: is the one
# above. (Not Wine's own prefix: Wine writes its registry again, from before the
# changes above, when its own files' permissions change.)
nobody_prefix=$work/nobody-prefix
mkdir -p "$nobody_prefix/dosdevices"
cp "$WINEPREFIX/user.reg" "$nobody_prefix/"
ln -s "$WINEPREFIX/drive_c" "$nobody_prefix/dosdevices/c:"
chown -R nobody "$nobody_prefix"
chmod a+rx "$WINEPREFIX"
chmod -R a+rX "$WINEPREFIX/drive_c/Mail"

settings=$(printf '[Orvane]\r\nLimitSize=2097152\r\nWarningSize=1572864\r\nWarningTitle=WARNING!\r\nWarningMsg=m\r\n[No Check]\r\nVisible=1\r\n')
as_nobody() {
  setpriv --reuid=nobody --regid=nogroup --clear-groups \
    env HOME=/nonexistent WINEPREFIX="$nobody_prefix" XDG_CONFIG_HOME="$work/home/config" \
    XDG_STATE_HOME="$work/home/state" "$@"
}

# state FILE: what a file or folder is, its permissions and its bytes.
state() { { LC_ALL=C stat -c '%F %a' "$1"; [ -f "$1" ] && md5sum <"$1"; } 2>/dev/null || true; }

# try BUILD CASE FOLDER REASON COMMAND...: runs COMMAND, ticks and closes its
# dialog, and checks the log and the settings file, both in FOLDER (or in
# $user_config and $user_state when these are set).
try() {
  local build=$1 case=$2 ini=${user_config:-$3}/Orvane.ini log=${user_state:-$3}/Orvane.log reason=$4 before status=0
  shift 4
  before=$(state "$ini")
  answer_dialogs "$work/shot" tick "$@" || status=$?
  echo "== $build, $case"
  check "the run ends" 0 "$status"
  check "one dialog" 1 "$DIALOGS"
  check "why the exclusion is not saved" "設定ファイルに保存できません: $uid ($reason)" \
    "$(log_messages "$log" | grep "$uid (" || true)"
  check "not claimed as made" 0 "$(log_messages "$log" | grep -c 次回よりチェックを省略 || true)"
  check "last line" "Orvane 終了" "$(log_messages "$log" | tail -n 1)"
  check "the settings file as it was" "$before" "$(state "$ini")"
}

# install BUILD FOLDER: the program alone in FOLDER; prints how to start it.
install() {
  mkdir -p "$2"
  if [ "$1" = linux ]; then cp "$linux_exe" "$2/Orvane"; else cp "$windows_exe" "$2/Orvane.exe"; fi
}
start() {  # start BUILD FOLDER [nobody]
  if [ "$1" = linux ]; then
    if [ "${3:-}" = nobody ]; then echo as_nobody "$2/Orvane"; else echo "$2/Orvane"; fi
  else
    echo wine "$2/Orvane.exe"
  fi
}

appdata="$WINEPREFIX/drive_c/users/$(wine cmd /c echo %USERNAME% 2>/dev/null | tr -d '\r')/AppData/Roaming/Orvane"
for build in linux windows; do
  # Read-only: the administrator's file beside the program, and the user's own
  # file, in the user's folder, not writable either.
  folder=$work/$build-readonly
  install "$build" "$folder"
  printf '[Orvane]\r\nVisible=1\r\n' >"$folder/Orvane.ini"
  chmod 444 "$folder/Orvane.ini"
  if [ "$build" = linux ]; then
    user_config=$work/home/config/orvane user_state=$work/home/state/orvane
  else
    user_config=$appdata user_state=$appdata
  fi
  mkdir -p "$user_config" "$user_state"
  printf '%s' "$settings" >"$user_config/Orvane.ini"
  chmod 444 "$user_config/Orvane.ini"
  if [ "$build" = linux ]; then chown -R nobody "$folder" "$work/home"; fi
  try "$build" "a read-only settings file" "$folder" "書き込みが許可されていません" \
    $(start "$build" "$folder" nobody)
  unset user_config user_state

  # A folder where the settings file should be: the defaults cannot be saved either.
  folder=$work/$build-folder
  install "$build" "$folder"
  mkdir "$folder/Orvane.ini"
  try "$build" "a folder" "$folder" "ファイルではありません" $(start "$build" "$folder")
  check "and each default's" 6 "$(log_messages "$folder/Orvane.log" | grep -c '(ファイルではありません)$')"
done

# A full disk: a small file system that the program and a log of a few lines fill.
mkdir "$work/full"
if mount -t tmpfs -o size=2m tmpfs "$work/full" 2>/dev/null; then
  for build in linux windows; do
    folder=$work/full/$build
    rm -rf "$work/full"/*
    install "$build" "$folder"
    printf '%s' "$settings" >"$folder/Orvane.ini"
    # The log keeps one page of its own to write its lines into; nothing else has room.
    head -c 3000 /dev/zero >"$folder/Orvane.log"
    dd if=/dev/zero of="$work/full/filler" bs=4096 2>/dev/null || true
    try "$build" "a full disk" "$folder" "ディスクに空きがありません" $(start "$build" "$folder")
  done
  umount "$work/full"
else
  echo "== a full disk: SKIPPED, no file system can be mounted here"
fi
[ "$failures" -eq 0 ]
