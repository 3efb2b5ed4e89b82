#!/usr/bin/env bash
# The per-user installer under Wine, in a fresh prefix, as a user meets it:
#   - the package asks for no administrator rights and carries the version;
#   - msiexec /i ... /qn puts Orvane.exe in %LOCALAPPDATA%\Programs\Orvane, the quoted
#     path in HKCU\...\Run, and Orvane with its version, publisher and icon among the
#     installed programs;
#   - the Run value's command, run as at logon, writes Orvane.log and Orvane.ini beside
#     the installed program and warns about an oversized file;
#   - a newer package replaces the program and keeps a changed Orvane.ini and the
#     log byte for byte;
#   - msiexec /x ... /qn removes the program, the Run value and the entry, and leaves
#     exactly Orvane.ini (unchanged) and Orvane.log.
# Usage: msi_test.sh BUILD_DIR   (BUILD_DIR holds Orvane.exe and Orvane.msi)
source "$(dirname "$0")/../tests/lib/opening.sh"
here=$(cd "$(dirname "$0")" && pwd)
build=$(realpath "$1")
source "$here/msi-lib.sh"

version=$(sed -n 's/^set(ORVANE_VERSION \(.*\))$/\1/p' "$repo/CMakeLists.txt")
throwaway_work

run_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Run'
run_value() { wine reg query "$run_key" /v Orvane 2>/dev/null | tr -d '\r' | sed -n 's/^ *Orvane *REG_SZ *//p'; }
if [ "$(property "$build/Orvane.msi" ProductCode)" = "" ]; then echo "msi_test: no ProductCode" >&2; exit 1; fi
msi_platform "$build/Orvane.exe"
listed() { wine uninstaller --list 2>/dev/null | tr -d '\r' | grep -c '|||Orvane$' || true; }

echo "== the package"
msi=$build/Orvane.msi
code=$(property "$msi" ProductCode)
check "no administrator rights asked (word count bit 8)" 8 \
  "$(( $(msiinfo suminfo "$msi" | sed -n 's/^Source: \([0-9]*\).*/\1/p') & 8 ))"
check "per-user (no ALLUSERS)" "" "$(property "$msi" ALLUSERS)"
check "version" "$version" "$(property "$msi" ProductVersion)"
check "platform" "$arch" "$(msiinfo suminfo "$msi" | sed -n 's/^Template: \([^;]*\);.*/\1/p' | sed 's/Intel/x86/')"

new_wine_prefix "$work/prefix"
user=$(wine cmd /c echo %USERNAME% 2>/dev/null | tr -d '\r')
folder="$WINEPREFIX/drive_c/users/$user/AppData/Local/Programs/Orvane"
installed="C:\\users\\$user\\AppData\\Local\\Programs\\Orvane\\Orvane.exe"

echo "== install"
check "msiexec /i" 0 "$(wine msiexec /i "$msi" /qn >/dev/null 2>&1; echo $?)"
wineserver -w
check "the program" "" "$(cmp "$build/Orvane.exe" "$folder/Orvane.exe" 2>&1)"
check "Run value" "\"$installed\"" "$(run_value)"
check "installed programs" "Orvane|$version|Orvane" "$(entry "$code")"
check "listed once" 1 "$(listed)"
icon=$(wine reg query 'HKCU\Software\Microsoft\Installer\Products' /s 2>/dev/null | tr -d '\r' | sed -n 's/^ *ProductIcon *REG_SZ *//p' | head -1)
check "its icon" "" "$(cmp "$repo/src/ui/Orvane.ico" "$(wine winepath -u "$icon" 2>/dev/null)" 2>&1)"

echo "== at logon"
if runs_here "$build/Orvane.exe"; then
  oversized_store メール 0A1B2C3D4E5F60718293A4B5C6D7E8F9 'C:\mail\big.pst'
  wineserver -w
  start_virtual_display
  # The shell starts the program that the Run command line names (in quotes, as
  # its path may hold blanks), from the system folder.
  program=$(run_value)
  program=${program#\"}
  program=${program%%\"*}
  status=0
  cd "$WINEPREFIX/drive_c/windows/system32"
  answer_dialogs "$work/logon" keep wine "$program" || status=$?
  cd - >/dev/null
  check "the logon run ends" 0 "$status"
  check "one warning" 1 "$DIALOGS"
  check "its log beside the program" "Orvane 終了" "$(log_messages "$folder/Orvane.log" | tail -n 1)"
  check "the oversized file in the log" 1 "$(log_messages "$folder/Orvane.log" | grep -c 'C:\\mail\\big.pst')"
  check "its settings beside the program" "[Orvane]" "$(head -n 1 "$folder/Orvane.ini" | tr -d '\r')"
else
  printf '[Orvane]\r\nWarningSize=1572864\r\n[No Check]\r\nVisible=1\r\n' > "$folder/Orvane.ini"
  printf 'log\r\n' > "$folder/Orvane.log"
fi
# The user's own change: a lower warning size and an exclusion.
sed -i 's/^WarningSize=.*/WarningSize=1000\r/' "$folder/Orvane.ini"
printf '0A1B2C3D4E5F60718293A4B5C6D7E8F9=C:\\mail\\big.pst\r\n' >> "$folder/Orvane.ini"
cp "$folder/Orvane.ini" "$folder/Orvane.log" "$work/"

echo "== upgrade"
upgrade Orvane.wxs
check "listed once" 1 "$(listed)"
check "settings kept byte for byte" "" "$(cmp "$work/Orvane.ini" "$folder/Orvane.ini" 2>&1)"
check "log kept" "" "$(cmp "$work/Orvane.log" "$folder/Orvane.log" 2>&1)"

echo "== uninstall"
uninstall
check "left behind: the user's settings, log and history" "Orvane.history Orvane.ini Orvane.log" "$(ls "$folder" | paste -sd ' ')"
check "settings kept byte for byte" "" "$(cmp "$work/Orvane.ini" "$folder/Orvane.ini" 2>&1)"
check "gone from the installer's list" 0 "$(listed)"
[ "$failures" -eq 0 ]
