#!/usr/bin/env bash
# The warning with a notice below its size (a file near the client's stop, its
# stage and its forecast), from both builds' dialog previews, at 96 and 144 dpi,
# in Japanese and in English: the form grows by the notice's two lines (446 x 294
# and 669 x 441), every other control where it was, and the notice is drawn.
# Screenshots go to build/screenshots/forecast-<build>-<language>-<dpi>.png.
# Usage: forecast_dialogs.sh LINUX_DIALOG_PREVIEW WINDOWS_DIALOG_PREVIEW_EXE
source "$(dirname "$0")/../lib/opening.sh"
two_builds "$@"
shots="$repo/build/screenshots"
mkdir -p "$shots"
begin_with_wine_prefix
trap 'wineserver -k 2>/dev/null || true; stop_virtual_display 2>/dev/null || true; rm -rf "$work"' EXIT

# show SHOT COMMAND...: the preview's dialog with its notice, its picture taken,
# closed with Enter.
show() {
  local shot=$1
  shift
  show_and_enter "$shot" "$work/out" "$@" forecast
}

# The notice's band, below the size line and above the bottom row: red text in it.
red_in_notice() {
  local top=$(($2 * 3075 / 1440)) height=$(($2 * 480 / 1440))
  convert "$1" -crop "100%x${height}+0+${top}" +repage -fuzz 25% -fill white +opaque red \
    -fill black -opaque red -format '%[fx:mean<1]' info:
}

for dpi in 96 144; do
  start_virtual_display "$dpi"
  echo "Xft.dpi: $dpi" | xrdb -merge
  quietly wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f
  wineserver -w
  size=$([ "$dpi" = 96 ] && echo 446x294 || echo 669x441)
  for language in ja_JP en_US; do
    name=$([ "$language" = ja_JP ] && echo japanese || echo english)
    echo "== $name at $dpi dpi"
    # Each language its own settings, written in its own words.
    mkdir -p "$work/linux-$name" "$work/windows-$name"
    LC_ALL=$language.UTF-8 show "$shots/forecast-linux-$name-$dpi.png" "$linux_exe" "$work/linux-$name" 1 1
    check "Linux: grown by the notice" "$size" "$SIZE"
    check "Linux: the notice drawn in red" 1 "$(red_in_notice "$shots/forecast-linux-$name-$dpi.png" "$dpi")"
    LC_ALL=$language.UTF-8 LANG=$language.UTF-8 show "$shots/forecast-windows-$name-$dpi.png" \
      wine "$windows_exe" 'Z:'"${work//\//\\}"'\windows-'"$name" 1 1
    check "Windows: grown by the notice" "$size" "$SIZE"
    check "Windows: the notice drawn in red" 1 "$(red_in_notice "$shots/forecast-windows-$name-$dpi.png" "$dpi")"
  done
  wineserver -k 2>/dev/null || true
  stop_virtual_display
done
[ "$failures" -eq 0 ]
