#!/usr/bin/env bash
# A desktop that is not Japanese, end to end on a virtual display: the Linux build
# with LANG=en_US.UTF-8, the Windows build under Wine with LC_ALL=en_US.UTF-8
# (code page 1252), one prefix whose profile holds one oversized ANSI file:
#   - at 96 dpi the first run writes the English defaults to a new settings file,
#     shows them in one dialog of 446 x 259 with English labels, and the box
#     ticked there excludes the file; settings file and log are plain ASCII, the
#     log English from "Orvane started" to "Orvane ended";
#   - the next run shows nothing and logs the file as excluded;
#   - at 144 dpi (Xft.dpi; the prefix's LogPixels) the dialog is 669 x 389, and
#     its box, where it stands there, excludes the file too;
#   - both builds leave the same log (date and time masked) and settings file;
#   - a store with a Japanese name and path (the profile's Unicode values) is
#     drawn with real glyphs: its dialog differs from the same dialog naming a
#     store in characters no face has (private use), which every face draws as
#     empty boxes, as it drew the Japanese ones before.
# Screenshots go to build/screenshots/english-<build>-<dpi>-1.png and
# english-<build>-{japanese,boxes}-1.png.
# Usage: english_desktop.sh LINUX_ORVANE WINDOWS_ORVANE_EXE
source "$(dirname "$0")/../lib/opening.sh"
two_builds "$@"
shots="$repo/build/screenshots"

begin_with_wine_prefix
export LC_ALL=en_US.UTF-8
mkdir -p "$shots"

uid=0A1B2C3D4E5F60718293A4B5C6D7E8F9
path='C:\users\demo\Mail\Personal Folders.pst'
reg_add "$profiles_nt" /v DefaultProfile /t REG_SZ /d Outlook
reg_add "$profiles_nt\\Outlook\\$store_list_key" /v 01023d00 /t REG_BINARY /d "$uid"
reg_add "$profiles_nt\\Outlook\\$uid" /v 001e3001 /t REG_BINARY /d "$(ansi 'Personal Folders')"
reg_add "$profiles_nt\\Outlook\\$uid" /v 001e6700 /t REG_BINARY /d "$(ansi "$path")"
mkdir -p "$WINEPREFIX/drive_c/users/demo/Mail"
pst_file "$WINEPREFIX/drive_c/users/demo/Mail/Personal Folders.pst" 1700000000
wineserver -w

messages() { tr -d '\r' <"$1" | cut -c29-; }
non_ascii() { LC_ALL=C grep -c '[^ -~]' <(tr -d '\r' <"$1") || true; }

# Tick the box and Close, where they stand at 144 dpi.
tick_at_144() {
  xdotool mousemove --window "$1" 33 348 click 1 && sleep 0.3
  xdotool mousemove --window "$1" 582 349 click 1
}

run() {  # run BUILD PROGRAM
  local build=$1 folder=$work/$1 status=0
  local log=$folder/Orvane.log ini=$folder/Orvane.ini
  shift
  echo "== $build at 96 dpi"
  echo "Xft.dpi: 96" | xrdb -merge
  answer_dialogs "$shots/english-$build-96" tick "$@" || status=$?
  check "first run ends" 0 "$status"
  check "one dialog" "446x259" "$SIZES"
  check "English defaults written" \
    "WarningTitle=WARNING!|WarningMsg=The personal folder has grown past the warning size. At around 2GB (about 2,097,152 KB) it can no longer be opened, so please delete the mail you do not need." \
    "$(tr -d '\r' <"$ini" | grep -E '^Warning(Title|Msg)=' | paste -sd '|')"
  check "exclusion written" "$uid=$path" "$(tr -d '\r' <"$ini" | grep "^$uid=")"
  check "the log in English" "Orvane started|Not checked again from the next run|Orvane ended" \
    "$(messages "$log" | grep -E '^Orvane|^Not checked' | paste -sd '|')"
  check "plain ASCII" "0 0" "$(non_ascii "$ini") $(non_ascii "$log")"

  answer_dialogs "$shots/english-$build-again" tick "$@" || status=$?
  check "next run shows nothing" "0 0" "$status $DIALOGS"
  check "excluded" 1 "$(messages "$log" | grep -c 'excluded from the check' || true)"

  echo "== $build at 144 dpi"
  echo "Xft.dpi: 144" | xrdb -merge
  quietly wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 144 /f
  wineserver -w
  mkdir "$folder-144"
  cp "$folder"/Orvane* "$folder-144/"
  sed -i '/No Check/,$d' "$folder-144/Orvane.ini"
  answer_dialogs "$shots/english-$build-144" tick_at_144 "${@/$folder/$folder-144}" || status=$?
  check "144-dpi run ends" 0 "$status"
  check "one dialog at 144 dpi" "669x389" "$SIZES"
  check "its box excludes the file" 1 "$(grep -c "^$uid=" "$folder-144/Orvane.ini" || true)"
  quietly wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 96 /f
  wineserver -w
}

# The profile's one store named `name` at `folder` (each in the profile's Unicode
# values), an oversized file there.
unicode_store() {
  local name=$1 folder=$2 uid=1B2C3D4E5F60718293A4B5C6D7E8F90A
  reg_add "$profiles_nt\\Outlook\\$store_list_key" /v 01023d00 /t REG_BINARY /d "$uid"
  reg_add "$profiles_nt\\Outlook\\$uid" /v 001f3001 /t REG_BINARY /d "$(utf16 "$name")"
  reg_add "$profiles_nt\\Outlook\\$uid" /v 001f6700 /t REG_BINARY /d "$(utf16 "C:\\users\\demo\\$folder\\$name.pst")"
  reg_add "$profiles_nt\\Outlook\\$uid" /v 001f3d09 /t REG_BINARY /d "$(utf16 'MSPST MS')"
  mkdir -p "$WINEPREFIX/drive_c/users/demo/$folder"
  pst_file "$WINEPREFIX/drive_c/users/demo/$folder/$name.pst" 1700000000
  wineserver -w
}

glyphs() {  # glyphs BUILD PROGRAM...
  local build=$1 kind differing
  shift
  echo "== $build: a Japanese name and path"
  for kind in japanese boxes; do
    if [ "$kind" = japanese ]; then
      unicode_store "個人用フォルダ" "メール"
    else
      unicode_store $'\ue000\ue001\ue002\ue003\ue004\ue005\ue006' $'\ue007\ue008\ue009'
    fi
    answer_dialogs "$shots/english-$build-$kind" close "$@" || true
  done
  differing=$(compare -metric AE "$shots/english-$build-japanese-1.png" "$shots/english-$build-boxes-1.png" null: 2>&1 || true)
  check "Japanese drawn, not empty boxes" yes "$([ "${differing%%[^0-9]*}" -gt 200 ] && echo yes || echo "no ($differing)")"
}

start_virtual_display
copy_two_builds
run linux env -u LC_ALL LANG=en_US.UTF-8 "$work/linux/Orvane"
run windows wine "$work/windows/Orvane.exe"
echo "== both builds"
check_same_run messages
glyphs linux env -u LC_ALL LANG=en_US.UTF-8 "$work/linux/Orvane"
glyphs windows wine "$work/windows/Orvane.exe"
ls "$shots"/english-*.png
[ "$failures" -eq 0 ]
