#!/usr/bin/env bash
# The 32-bit release, run as users receive it, on a Japanese desktop: the first
# run writes the default settings and shows one warning, answered with its box
# ticked; the next run honours the exclusion; each run's warning event carries
# its fields; with two weeks of history the file, grown urgent, is shown again
# with its stage and forecast. Where the kernel runs no 32-bit code, Wine's 32-bit loader runs
# under qemu-user: an i386 entry is registered with binfmt_misc for this check
# alone (as root) and removed when it ends, since while it is there every Wine
# program starts under emulation. ORVANE_RELEASE_EMULATED=1 takes that way on any
# machine. About a minute for each Wine program under emulation.
# Usage: release_run.sh WIN32_ORVANE_EXE
source "$(dirname "$0")/../lib/opening.sh"
program=$(realpath "$1")
binfmt=/proc/sys/fs/binfmt_misc
entry=$binfmt/orvane-i386
i386_magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
i386_mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'

emulated=no
if [ "${ORVANE_RELEASE_EMULATED:-}" = 1 ] || ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
  root_only "registers qemu-user with binfmt_misc to run 32-bit code"
  [ -e "$binfmt/register" ] || mount -t binfmt_misc binfmt_misc "$binfmt" 2>/dev/null || true
  [ ! -e "$entry" ] || echo -1 >"$entry"
  if ! echo ":orvane-i386:M::$i386_magic:$i386_mask:/usr/bin/qemu-i386:F" 2>/dev/null >"$binfmt/register"; then
    echo "SKIPPED: $(basename "$0"): this machine runs no 32-bit code and lets no binfmt_misc entry be registered"
    exit 0
  fi
  emulated=yes
fi
echo "== $program (emulated: $emulated)"
begin_with_wine_prefix
# Wine's server and the virtual display go first, the entry last.
trap 'wineserver -k 2>/dev/null || true; stop_virtual_display 2>/dev/null || true; rm -rf "$work"
      [ ! -e "'"$entry"'" ] || echo -1 >"'"$entry"'"' EXIT
export ANSWER_WAIT=600

uid=0A1B2C3D4E5F60718293A4B5C6D7E8F9
path='C:\Mail\個人用フォルダ.pst'
wineserver -w
profile_keys "$WINEPREFIX" "$uid 個人用フォルダ $path 1700000000" >>"$WINEPREFIX/user.reg"
mkdir "$work/release"
cp "$program" "$work/release/Orvane.exe"
log=$work/release/Orvane.log
ini=$work/release/Orvane.ini
start_virtual_display

run() {  # run TICK: a run of the release, its dialogs answered, its events in $work/stderr
  WINEDEBUG=-all,warn+eventlog,err+eventlog,fixme+advapi \
    answer_dialogs "$repo/build/screenshots/release-$1" "$1" wine "$work/release/Orvane.exe" 2>"$work/stderr"
  wineserver -w
}

status=0
run tick || status=$?
check "first run ends" "0 1" "$status $DIALOGS"
check "defaults written" "LimitSize=2097152|WarningSize=1572864|WarningTitle=WARNING!|Visible=1" \
  "$(iconv -f CP932 -t UTF-8 "$ini" | tr -d '\r' | grep -E '^(LimitSize|WarningSize|WarningTitle|Visible)=' | paste -sd '|')"
check "exclusion written" "$uid=$path" "$(iconv -f CP932 -t UTF-8 "$ini" | tr -d '\r' | grep "^$uid=")"
check "warned and excluded" "サイズ：1660157, 警告画面表示|次回よりチェックを省略" \
  "$(log_messages "$log" | grep -E '^サイズ|^次回' | paste -sd '|')"
fields() { events_of "$work/stderr" | grep 000003e8 | cut -d'|' -f3,4,7,8,9 | tr -d ' '; }
check "the warning's event" "1660157|1572864|excluded|ANSI|pst" "$(fields)"

run tick || status=$?
check "next run shows nothing" "0 0" "$status $DIALOGS"
check "the exclusion honoured" "サイズ：1660157, チェック省略対象" "$(log_messages "$log" | grep '^サイズ')"
check "still counted" "1660157|1572864|excluded-earlier|ANSI|pst" "$(fields)"

# Two weeks of history, and the file grown past 95 % of the client's stop: the
# exclusion gives way once, the dialog tells the stage and the forecast, and the
# box left unticked lifts the exclusion.
printf 'Orvane history 1\r\nfile\t%s\t-\t-\t-\r\npoint\t%s\t1730000\t1730000\r\npoint\t%s\t1780000\t1780000\r\n' \
  "$path" "$(date -d '14 days ago' +%F)" "$(date -d '7 days ago' +%F)" >"$work/release/Orvane.history"
truncate -s $((1830000 * 1024)) "$WINEPREFIX/drive_c/Mail/個人用フォルダ.pst"
run forecast || status=$?
check "the excluded file shown at its new stage" "0 1" "$status $DIALOGS"
check "the stage and the forecast logged" "予測：週に 50000 KB 増加、約 1 週間でメールソフトが受け取りを停止|サイズ：1830000, チェック省略対象ですが、段階が進んだため警告画面表示|段階：緊急 (メールソフトの停止サイズの 96%)|チェック省略を解除しました" \
  "$(log_messages "$log" | grep -E '^(予測|サイズ|段階|チェック省略)' | paste -sd '|')"
check "the dialog grew by the notice's three lines" 446x310 "$SIZES"
check "the forecast in the event's last fields" "1830000|shown|50000|1" \
  "$(events_of "$work/stderr" | grep 000003e8 | cut -d'|' -f3,7,12,13 | tr -d ' ')"
check "today's point remembered" "point	$(date +%F)	1830000	1830000" "$(tr -d '\r' <"$work/release/Orvane.history" | tail -n 1)"
[ "$failures" -eq 0 ]
