#!/usr/bin/env bash
# The per-machine installer under Wine, in a fresh prefix, as an administrator
# deploys it and a user then meets it:
#   - the package is for every user (ALLUSERS=1), asks for administrator rights and
#     carries the version;
#   - msiexec /i ... /qn puts Orvane.exe into Program Files (Program Files (x86) for
#     the 32-bit build), the quoted path under HKLM\...\Run, and Orvane among the
#     installed programs;
#   - with the program's folder read-only and the administrator's Orvane.ini beside
#     the program (WarningSize=1000), the Run value's command, run as at logon, keeps
#     its log and settings in the user's %APPDATA%\Orvane, warns at the
#     administrator's WarningSize although the user's own file says otherwise,
#     records the user's exclusion there, honours it at the next run, and never
#     adds a line to the administrator's file;
#   - a newer package replaces the program in place and keeps the administrator's file;
#   - it registers the program as the Application log's event source "Orvane";
#   - msiexec /x ... /qn removes the program, the Run value, the event source and the entry, and leaves
#     the user's folder as it was.
# Usage: msi_machine_test.sh BUILD_DIR   (BUILD_DIR holds Orvane.exe and Orvane-machine.msi)
source "$(dirname "$0")/../tests/lib/opening.sh"
here=$(cd "$(dirname "$0")" && pwd)
build=$(realpath "$1")
source "$here/msi-lib.sh"

version=$(sed -n 's/^set(ORVANE_VERSION \(.*\))$/\1/p' "$repo/CMakeLists.txt")
work=$(mktemp -d)
folder=""
cleanup() {
  wineserver -k 2>/dev/null || true
  stop_virtual_display
  [ -n "$folder" ] && mountpoint -q "$folder" 2>/dev/null && umount "$folder"
  rm -rf "$work"
}
trap cleanup EXIT

msi=$build/Orvane-machine.msi
run_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Run'
msi_platform "$build/Orvane.exe"
if [ "$arch" = x64 ]; then program_files="Program Files"; else program_files="Program Files (x86)"; fi
run_value() { wine reg query "$run_key" /v Orvane $view 2>/dev/null | tr -d '\r' | sed -n 's/^ *Orvane *REG_SZ *//p'; }

# read_only DIR / writable DIR: closes the folder to everyone, root included (a
# read-only bind mount), or, for a user who may not mount, to this user.
read_only() {
  if mount --bind "$1" "$1" 2>/dev/null; then
    mount -o remount,bind,ro "$1"
  else
    chmod a-w "$1"
  fi
}
writable() { if mountpoint -q "$1"; then umount "$1"; else chmod u+w "$1"; fi; }

echo "== the package"
code=$(property "$msi" ProductCode)
check "for every user" 1 "$(property "$msi" ALLUSERS)"
check "administrator rights asked (word count bit 8 clear)" 0 \
  "$(($(msiinfo suminfo "$msi" | sed -n 's/^Source: \([0-9]*\).*/\1/p') & 8))"
check "version" "$version" "$(property "$msi" ProductVersion)"
check "platform" "$arch" "$(msiinfo suminfo "$msi" | sed -n 's/^Template: \([^;]*\);.*/\1/p' | sed 's/Intel/x86/')"
check "another product than the per-user one" "" \
  "$(comm -12 <(property "$msi" UpgradeCode) <(property "$build/Orvane.msi" UpgradeCode))"

new_wine_prefix "$work/prefix"
user=$(wine cmd /c echo %USERNAME% 2>/dev/null | tr -d '\r')
folder="$WINEPREFIX/drive_c/$program_files/Orvane"
installed="C:\\$program_files\\Orvane\\Orvane.exe"
appdata="$WINEPREFIX/drive_c/users/$user/AppData/Roaming/Orvane"

echo "== install"
check "msiexec /i" 0 "$(wine msiexec /i "$msi" /qn >/dev/null 2>&1; echo $?)"
wineserver -w
check "the program in Program Files" "" "$(cmp "$build/Orvane.exe" "$folder/Orvane.exe" 2>&1)"
check "Run value for every user" "\"$installed\"" "$(run_value)"
check "installed programs" "Orvane|$version|Orvane" "$(entry "$code")"
source_key='HKLM\SYSTEM\CurrentControlSet\Services\EventLog\Application\Orvane'
event_source() {
  wine reg query "$source_key" 2>/dev/null | tr -d '\r' | sed -n 's/^ *\([A-Za-z]*\) *\(REG_[A-Z_]*\) *\(.*\)$/\1 \2 \3/p' | sort
}
check "the event source, the program its message file" "EventMessageFile REG_EXPAND_SZ $installed
TypesSupported REG_DWORD 0x7" "$(event_source)"
check "no per-user Run value" "" \
  "$(wine reg query 'HKCU\Software\Microsoft\Windows\CurrentVersion\Run' /v Orvane 2>/dev/null | tr -d '\r' | grep Orvane || true)"

if runs_here "$build/Orvane.exe"; then
  echo "== at a user's logon"
  uid=0A1B2C3D4E5F60718293A4B5C6D7E8F9
  oversized_store メール "$uid" 'C:\mail\big.pst'
  wineserver -w
  # An administrator starts the program from the folder, which they may write: it
  # keeps their files in their own folder all the same.
  wine "$folder/Orvane.exe"
  wineserver -w
  check "an administrator's run writes nothing beside the program" "Orvane.exe Orvane.shared" \
    "$(ls "$folder" | paste -sd ' ')"
  check "but in their own folder" "Orvane.history Orvane.ini Orvane.log" "$(ls "$appdata" | paste -sd ' ')"
  # The administrator's settings beside the program, the user's own in their folder.
  admin=$(printf '[Orvane]\r\nWarningSize=1000\r\n')
  printf '%s' "$admin" >"$folder/Orvane.ini"
  mkdir -p "$appdata"
  printf '[Orvane]\r\nWarningSize=5000000\r\n' >"$appdata/Orvane.ini"
  read_only "$folder"
  start_virtual_display
  program=$(run_value)
  program=${program#\"}
  program=${program%%\"*}
  cd "$WINEPREFIX/drive_c/windows/system32"
  status=0
  answer_dialogs "$work/logon" tick wine "$program" || status=$?
  check "the logon run ends" 0 "$status"
  check "one warning, at the administrator's size" 1 "$DIALOGS"
  check "its log in the user's folder" "Orvane 終了" "$(log_messages "$appdata/Orvane.log" | tail -n 1)"
  check "which settings file" 1 "$(log_messages "$appdata/Orvane.log" | grep -c '^設定ファイル：C:\\users\\.*\\AppData\\Roaming\\Orvane\\Orvane.ini (管理者の設定ファイル：C:\\Program Files.*\\Orvane\\Orvane.ini)$')"
  check "the administrator's warning size" 1 "$(log_messages "$appdata/Orvane.log" | grep -c '^警告サイズ取得：1000$')"
  check "the exclusion in the user's file" 1 "$(grep -ac "^$uid=C:\\\\mail\\\\big.pst" "$appdata/Orvane.ini")"
  check "the user's own warning size kept" 1 "$(grep -ac '^WarningSize=5000000' "$appdata/Orvane.ini")"
  answer_dialogs "$work/again" tick wine "$program" || status=$?
  cd - >/dev/null
  check "the next run shows nothing" 0 "$DIALOGS"
  check "and says why" 1 "$(log_messages "$appdata/Orvane.log" | grep -c 'チェック省略対象')"
  stop_virtual_display
  writable "$folder"
  check "the administrator's file as it was" "$admin" "$(cat "$folder/Orvane.ini")"
  check "nothing else beside the program" "Orvane.exe Orvane.ini Orvane.shared" "$(ls "$folder" | paste -sd ' ')"
else
  printf '[Orvane]\r\nWarningSize=1000\r\n' >"$folder/Orvane.ini"
  mkdir -p "$appdata"
  printf 'mine\r\n' >"$appdata/Orvane.ini"
fi
cp "$folder/Orvane.ini" "$work/admin.ini"
(cd "$appdata" && ls -A | paste -sd ' ') >"$work/user-files"

echo "== upgrade"
if [ "$arch" = x64 ]; then pf=ProgramFiles64Folder win64=yes; else pf=ProgramFilesFolder win64=no; fi
upgrade Orvane-machine.wxs -D ProgramFiles=$pf -D Win64=$win64 \
  -D Marker="$(realpath --relative-to="$build" "$here/Orvane.shared")"
check "the administrator's file kept" "" "$(cmp "$work/admin.ini" "$folder/Orvane.ini" 2>&1)"

echo "== uninstall"
uninstall
check "the program and its marker gone" "" "$(ls "$folder/Orvane.exe" "$folder/Orvane.shared" 2>/dev/null)"
check "the event source gone" "" "$(event_source)"
check "the user's folder untouched" "$(cat "$work/user-files")" "$(cd "$appdata" && ls -A | paste -sd ' ')"
[ "$failures" -eq 0 ]
