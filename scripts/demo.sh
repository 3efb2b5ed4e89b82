#!/usr/bin/env bash
# Runs Orvane once on a bundled demo mail profile: a Wine prefix whose registry
# holds a default profile, laid out as the current mail client writes it, with an
# oversized ANSI personal-folder file, a small one, a newer-format (Unicode) one
# and a server mailbox with its offline file. The folder files are sparse, so
# the 1.6 GB one costs nothing. With a display the warning dialog opens for you;
# without one the run shows it on a virtual display, saves a screenshot of it
# (build/demo/dialog-1.png) and presses Close. The log is printed at the end. The
# texts are in the desktop's language: LANG=ja_JP.UTF-8 scripts/demo.sh for Japanese.
# Last, orvane-report makes a page of the run's events (build/demo/report.html):
# as root they are caught on a system log of the demo's own; otherwise they are
# read back from the journal, where there is one.
#
# scripts/demo.sh 16.0 runs the same profile kept where the 2016-and-later mail
# client keeps it (demo/user-16.0.reg, in build/demo-16.0), with nothing at the
# older locations.
#
# LARGE_WARNING_SIZE=2000000 scripts/demo.sh sets LargeWarningSize in the demo's
# settings file: the Unicode file and the offline file are then measured and
# warned about too.
set -euo pipefail
cd "$(dirname "$0")/.."

case "${1:-}" in
  "") registry=demo/user.reg demo=build/demo ;;
  16.0) registry=demo/user-16.0.reg demo=build/demo-16.0 ;;
  *) echo "usage: scripts/demo.sh [16.0]" >&2; exit 2 ;;
esac

scripts/setup.sh
cmake --preset linux >/dev/null
cmake --build --preset linux >/dev/null

rm -rf "$demo"
mkdir -p "$demo/prefix/dosdevices" "$demo/prefix/drive_c"
ln -s ../drive_c "$demo/prefix/dosdevices/c:"
cp "$registry" "$demo/prefix/user.reg"
mail="$demo/prefix/drive_c/users/demo/Documents/Outlook ファイル"
source scripts/lib/pst-file.sh
pst_file "$mail/個人用フォルダ.pst" 1700000000
pst_file "$mail/archive2019.pst" 300000000
pst_file "$mail/new.pst" 3000000000 unicode
pst_file "$demo/prefix/drive_c/users/demo/AppData/Local/Microsoft/Outlook/demo@example.com.ost" 2500000000 unicode ost
cp build/linux/Orvane "$demo/"
if [ -n "${LARGE_WARNING_SIZE:-}" ]; then
  printf '[Orvane]\r\nLargeWarningSize=%s\r\n' "$LARGE_WARNING_SIZE" >"$demo/Orvane.ini"
fi

export WINEPREFIX="$PWD/$demo/prefix"
source tests/lib/system-log.sh
started=$(date +%s)
if [ -n "${DISPLAY:-}" ]; then
  with_system_log "$demo/syslog" "$demo/Orvane"
else
  source scripts/lib/virtual-display.sh
  trap stop_virtual_display EXIT
  start_virtual_display
  answer_dialogs "$demo/dialog" close with_system_log "$demo/syslog" "$demo/Orvane" ||
    echo "== Orvane did not end by itself and was stopped"
  stop_virtual_display
  for shot in "$demo"/dialog-*.png; do
    if [ -e "$shot" ]; then echo "== the dialog as it was shown: $shot"; fi
  done
fi

echo "== $demo/Orvane.log"
iconv -f CP932 -t UTF-8 "$demo/Orvane.log" | tr -d '\r'
echo "== $demo/Orvane.ini"
iconv -f CP932 -t UTF-8 "$demo/Orvane.ini" 2>/dev/null | tr -d '\r' || echo "(not written)"

echo "== the report of this run's events"
events="$demo/syslog"
if [ ! -s "$events" ] && command -v journalctl >/dev/null; then
  events="$demo/journal.json"
  journalctl -q -o json --since "@$started" SYSLOG_IDENTIFIER=orvane >"$events" 2>/dev/null || true
fi
build/linux/orvane-report -o "$demo/report.html" "$events" || true
echo "== open $PWD/$demo/report.html in a browser"
