#!/usr/bin/env bash
# The fleet end to end, as an administrator gathers it:
#   - a real rsyslog collects over TCP from one rsyslog on each of two computers
#     (host names of their own, in UTS namespaces), where the Linux program runs
#     as three users (root, nobody, and a user id with no name), each twice, the
#     archive grown in between; the collector writes the traditional, RFC 3339
#     and RFC 5424 file formats;
#   - a third computer's journal (a journald socket of the script's own, its
#     entries made a real journal by systemd-journal-remote) read back with
#     journalctl -o json;
#   - the Windows build's events as Wine records them, made the event XML that
#     wevtutil prints;
#   - orvane-report (Linux, and the Windows build under Wine) over all of them:
#     one row per computer, user and file, the newest winning, its exit status,
#     the page in headless Chromium, whose screenshot shows the rows and the chart;
#   - the engines' parsing pieces (installer/events/check_kit.py --events) over
#     the same events.
# Usage: fleet_report.sh LINUX_BUILD_DIR WINDOWS_BUILD_DIR
source "$(dirname "$0")/../lib/opening.sh"
root_only "host names, a /dev/log and a journal per computer, and other users need namespaces"
linux_build=$(realpath "$1")
windows_build=$(realpath "$2")
runs_here "$windows_build/Orvane.exe" || exit 0
throwaway_work
chmod 755 "$work"  # the other users reach their folders in it
source "$repo/scripts/lib/pst-file.sh"

# The collector: every message it takes over TCP, in three files.
collected=$work/collected
mkdir -p "$collected" "$work/central"
port=$((20000 + RANDOM % 20000))
cat >"$work/central.conf" <<CONF
global(workDirectory="$work/central")
module(load="imtcp")
input(type="imtcp" port="$port" address="127.0.0.1")
*.* action(type="omfile" file="$collected/traditional.log" template="RSYSLOG_TraditionalFileFormat")
*.* action(type="omfile" file="$collected/rfc3339.log" template="RSYSLOG_FileFormat")
*.* action(type="omfile" file="$collected/rfc5424.log" template="RSYSLOG_SyslogProtocol23Format")
CONF
rsyslogd -n -f "$work/central.conf" -i "$work/central.pid" &
central=$!
trap 'kill $central 2>/dev/null; wineserver -k 2>/dev/null || true; rm -rf "$work"' EXIT
for _ in $(seq 100); do (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null && break; sleep 0.1; done

# A computer's rsyslog: the system log's socket, sent on to the collector.
cat >"$work/client.conf" <<CONF
module(load="imuxsock" SysSock.Name="/dev/log")
*.* action(type="omfwd" target="127.0.0.1" port="$port" protocol="tcp" template="RSYSLOG_ForwardFormat")
CONF

# A user's copy of the program and of a mail profile (the demo's), owned by
# them; the machine's policy reports every file over 1000 KB without a dialog.
prepare_user() { # FOLDER UID BIG_BYTES
  local folder=$1 prefix=$1/prefix mail
  mkdir -p "$prefix/dosdevices" "$prefix/drive_c"
  ln -s ../drive_c "$prefix/dosdevices/c:"
  cp "$repo/demo/user.reg" "$prefix/user.reg"
  printf 'WINE REGISTRY Version 2\n\n[Software\\\\Policies\\\\Orvane] 1\n"ReportOnly"=dword:00000001\n"WarningSize"=dword:000003e8\n' \
    >"$prefix/system.reg"
  mail="$prefix/drive_c/users/demo/Documents/Outlook ファイル"
  pst_file "$mail/個人用フォルダ.pst" "$3"
  pst_file "$mail/archive2019.pst" 300000000
  cp "$linux_build/Orvane" "$folder/"
  chown -R "$2:$2" "$folder"
}

# on_computer HOST COMMANDS: COMMANDS (bash) on computer HOST, its system log
# forwarded to the collector.
on_computer() {
  unshare -m -u bash -c '
    hostname "$1"
    mount -t tmpfs none /dev && mknod -m 666 /dev/null c 1 3 && mknod -m 666 /dev/urandom c 1 9
    [ ! -d /run/systemd/journal ] || mount -t tmpfs none /run/systemd/journal
    rsyslogd -n -f "$2" -i /dev/rsyslog.pid & client=$!
    for _ in $(seq 100); do [ -S /dev/log ] && break; sleep 0.05; done
    eval "$3"
    sleep 0.5
    kill $client; wait $client' _ "$1" "$work/client.conf" "$2"
}

echo "fleet_report: two computers, three users each, through rsyslog"
export work
for host in pc-01 pc-02; do
  big=1700000000
  [ $host = pc-01 ] && big=1950000000  # 99.98 % of where the client stops
  for user in 0 65534 4242; do prepare_user "$work/$host/$user" $user $big; done
  on_computer $host '
    for run in 1 2; do
      for user in 0 65534 4242; do
        folder=$work/$(hostname)/$user
        [ $run = 1 ] || truncate -s 320000000 "$folder/prefix/drive_c/users/demo/Documents/Outlook ファイル/archive2019.pst"
        setpriv --reuid=$user --regid=$user --clear-groups env -i HOME="$folder" WINEPREFIX="$folder/prefix" \
          LANG=ja_JP.UTF-8 "$folder/Orvane"
      done
    done'
done
for _ in $(seq 100); do [ "$(grep -c 'orvane\[' "$collected/rfc5424.log" 2>/dev/null)" -ge 24 ] && break; sleep 0.1; done
check "each run's two warnings collected, in each format" "24 24 24" \
  "$(grep -c 'orvane\[' "$collected/traditional.log") $(grep -c 'orvane\[' "$collected/rfc3339.log") $(grep -c ' orvane ' "$collected/rfc5424.log")"

echo "fleet_report: a computer with a journal"
mkdir -p "$work/pc-03"
prepare_user "$work/pc-03/0" 0 1800000000
# Two weeks of its big file's growth: its events carry a forecast.
printf 'Orvane history 1\r\nfile\t%s\t-\t-\t-\r\npoint\t%s\t1600000\t1600000\r\npoint\t%s\t1680000\t1680000\r\n' \
  'C:\users\demo\Documents\Outlook ファイル\個人用フォルダ.pst' "$(date -d '14 days ago' +%F)" \
  "$(date -d '7 days ago' +%F)" >"$work/pc-03/0/Orvane.history"
on_computer pc-03 '
  mount -t tmpfs none /run 2>/dev/null; mkdir -p /run/systemd/journal
  python3 -c "
import os, socket, sys, time
s = socket.socket(socket.AF_UNIX, socket.SOCK_DGRAM); s.bind(\"/run/systemd/journal/socket\"); s.settimeout(2)
print(\"ready\", flush=True)
out = open(sys.argv[1], \"wb\")
n = 0
try:
    while True:
        entry = s.recv(65536); n += 1; now = int(time.time() * 1e6)
        out.write(b\"__REALTIME_TIMESTAMP=%d\n__MONOTONIC_TIMESTAMP=%d\n_BOOT_ID=0123456789abcdef0123456789abcdef\n_HOSTNAME=pc-03\n_UID=0\n\" % (now, n) + entry + b\"\n\")
except socket.timeout: pass" "$work/journal.export" | { read -r ready
    env -i HOME="$work/pc-03/0" WINEPREFIX="$work/pc-03/0/prefix" "$work/pc-03/0/Orvane"; cat >/dev/null; }'
/usr/lib/systemd/systemd-journal-remote --output="$work/remote.journal" "$work/journal.export" 2>/dev/null
journalctl --file="$work/remote.journal" -o json >"$collected/journal.json"
check "the journal's entries, each field named" "2 2" \
  "$(grep -c '"ORVANE_ID":"1000"' "$collected/journal.json") $(grep -c '"ORVANE_STOP_KB":"1904657"' "$collected/journal.json")"

echo "fleet_report: a Windows computer under Wine"
new_wine_prefix "$work/wineprefix"
wineserver -w
sed -n '/^\[Software/,$p' "$repo/demo/user.reg" >>"$WINEPREFIX/user.reg"
printf '\n[Software\\\\Policies\\\\Orvane] 1\n"ReportOnly"=dword:00000001\n"WarningSize"=dword:000003e8\n' \
  >>"$WINEPREFIX/system.reg"
mail="$WINEPREFIX/drive_c/users/demo/Documents/Outlook ファイル"
pst_file "$mail/個人用フォルダ.pst" 1990000000
pst_file "$mail/archive2019.pst" 300000000
mkdir "$work/windows"
cp "$windows_build/Orvane.exe" "$work/windows/"
WINEDEBUG=-all,warn+eventlog,fixme+advapi wine "$work/windows/Orvane.exe" 2>"$work/windows/trace"
wineserver -w
python3 "$repo/tests/lib/wine_events_xml.py" "$work/windows/trace" WINPC-01 S-1-5-21-0-0-0-1000 \
  "$(date -u +%FT%T)" >"$collected/events.xml"
check "Wine's events as event XML" 2 "$(grep -o '<EventID[^>]*>1000<' "$collected/events.xml" | wc -l)"

echo "fleet_report: the report"
cd "$collected"
status=0
"$linux_build/orvane-report" -o "$work/report.html" traditional.log rfc5424.log journal.json events.xml \
  >"$work/summary" || status=$?
check "a file near its stop: status 1" 1 "$status"
check "what it read" "52 events, 16 files (1 at or past the stop, 3 at 95 % or more), 0 failures" \
  "$(head -n 1 "$work/summary")"
rows=$(tail -n +2 "$work/report.csv" | tr -d '\r')
check "one row per computer, user and file" \
  "WINPC-01 S-1-5-21-0-0-0-1000 2|pc-01 4242 2|pc-01 nobody 2|pc-01 root 2|pc-02 4242 2|pc-02 nobody 2|pc-02 root 2|pc-03 root 2" \
  "$(cut -d, -f1,2 <<<"$rows" | LC_ALL=C sort | uniq -c | awk '{print $2, $1}' | tr , ' ' | paste -sd '|')"
check "each archive's newest size wins (320 MB on pc-01 and pc-02, grown after the first run)" "3 3 2" \
  "$(grep -c '^pc-01,.*archive2019.pst,312500,' <<<"$rows") $(grep -c '^pc-02,.*archive2019.pst,312500,' <<<"$rows"
    ) $(grep -c 'archive2019.pst,292969,' <<<"$rows")"
check "the soonest to stop first: the Windows file past its stop, pc-03's within a week or two, then pc-01's" \
  "WINPC-01 pc-03 pc-01 pc-01" "$(head -n 4 <<<"$rows" | cut -d, -f1 | paste -sd ' ')"

echo "fleet_report: the Windows build of the report, under Wine, reads the same"
cp "$collected"/{traditional.log,rfc5424.log,journal.json,events.xml} "$work/windows/"
(cd "$work/windows" && wine "$windows_build/orvane-report.exe" -o report.html traditional.log rfc5424.log \
  journal.json events.xml >/dev/null 2>&1) || true
wineserver -w
check "the same CSV" "" "$(cmp "$work/report.csv" "$work/windows/report.csv" 2>&1)"

echo "fleet_report: the engines' parsing pieces on these events"
mkdir "$work/engines"
cp "$collected/events.xml" "$collected/journal.json" "$work/engines/"
cp "$collected/traditional.log" "$work/engines/linux.log"
check "read as the table names them" "" "$(python3 "$repo/installer/events/check_kit.py" "$repo" --events "$work/engines" |
  grep FAIL || true)"

echo "fleet_report: the page in headless Chromium"
chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run --disable-background-networking \
  --disable-component-update --disable-sync --user-data-dir="$work/chromium" --hide-scrollbars \
  --window-size=1500,1000 --screenshot="$work/report.png" "file://$work/report.html" >/dev/null 2>&1
# The chart's bars and the rows' band marks, by their colours: every band but
# "stop not known" has files (Windows' past the stop, pc-01's at 95 %, pc-03's at
# 90 %, pc-02's at 80 %, the archives below).
colour_pixels() { convert "$work/report.png" -fill black +opaque "$1" -fill white -opaque "$1" -format '%[fx:round(mean*w*h)]' info:; }
check "the chart and the rows drawn" "past yes, 95 yes, 90 yes, 80 yes, below yes" \
  "past $( [ "$(colour_pixels '#b00020')" -gt 200 ] && echo yes || echo no), 95 $(
    [ "$(colour_pixels '#e4572e')" -gt 200 ] && echo yes || echo no), 90 $(
    [ "$(colour_pixels '#f3a712')" -gt 200 ] && echo yes || echo no), 80 $(
    [ "$(colour_pixels '#e9d758')" -gt 200 ] && echo yes || echo no), below $(
    [ "$(colour_pixels '#76b041')" -gt 200 ] && echo yes || echo no)"
[ -z "${ORVANE_REPORT_SHOT:-}" ] || cp "$work/report.png" "$ORVANE_REPORT_SHOT"

[ "$failures" -eq 0 ] || { echo "fleet_report: $failures check(s) failed" >&2; exit 1; }
echo "fleet_report: the fleet's events collected, read and shown as expected"
