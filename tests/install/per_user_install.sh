#!/usr/bin/env bash
# The Linux build installed per user, in a throwaway home whose name holds a space,
# a dollar sign and quotes:
#   - "cmake --install BUILD --prefix ~/.local" puts the program into
#     ~/.local/lib/orvane, a valid autostart entry into ~/.config/autostart and
#     the daily re-check's timer, off, into ~/.config/systemd/user;
#     the program is one file that needs no library but the C library (with
#     libm) and the loader;
#   - the entry, started as the desktop starts it at logon (gio launch), runs the
#     installed program, which keeps its settings file and log beside itself;
#   - uninstalling (removing what the install manifest lists) removes the program
#     and the entry and keeps Orvane.ini;
#   - a second install keeps Orvane.ini as it was and follows XDG_CONFIG_HOME.
# Usage: per_user_install.sh BUILD_DIR
source "$(dirname "$0")/../lib/opening.sh"
build=$(realpath "$1")

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME="$work/home of \$USER \"x\""
mkdir -p "$HOME"
unset XDG_CONFIG_HOME
folder=$HOME/.local/lib/orvane
entry=$HOME/.config/autostart/orvane.desktop

install() { cmake --install "$build" --prefix "$HOME/.local" >/dev/null; }
uninstall() { xargs -d '\n' rm -f -- <"$build/install_manifest.txt"; }
# The log's messages once the run has ended (it writes "Orvane 終了" last).
wait_for_run() {
  for _ in $(seq 100); do
    iconv -f CP932 -t UTF-8 "$folder/Orvane.log" 2>/dev/null | grep -q 'Orvane 終了$' && break
    sleep 0.2
  done
  iconv -f CP932 -t UTF-8 "$folder/Orvane.log" 2>/dev/null | tr -d '\r' | cut -c29- | tail -n 1
}

echo "== install"
install
check "program" "$folder/Orvane" "$(find "$folder" -type f -executable)"
check "one file: it needs only the C library and the loader" "libc.so.6 libm.so.6" \
  "$(LC_ALL=C readelf -d "$folder/Orvane" | sed -n 's/.*Shared library: \[\(.*\)\]/\1/p' | grep -v '^ld-linux' | sort | paste -sd' ')"
check "autostart entry" "$entry" "$(ls "$entry" 2>&1)"
check "entry valid" "" "$(desktop-file-validate "$entry" 2>&1)"
units=$HOME/.config/systemd/user
check "the daily re-check's timer and service, valid" "" \
  "$(cd "$units" && systemd-analyze verify ./orvane-recheck.timer ./orvane-recheck.service 2>&1)"
check "the re-check starts the installed program" \
  "ExecStart=/usr/bin/env \"$(sed 's/\$/$$/g; s/"/\\"/g' <<<"$folder")/Orvane\"" \
  "$(grep '^ExecStart=' "$units/orvane-recheck.service")"

echo "== logon"
gio launch "$entry"
check "the run ends" "Orvane 終了" "$(wait_for_run)"
check "settings and log beside the program" "Orvane Orvane.ini Orvane.log" "$(ls "$folder" | paste -sd' ')"
printf '[No Check]\r\n0A1B2C3D4E5F60718293A4B5C6D7E8F9=C:\\a.pst\r\n' >>"$folder/Orvane.ini"
settings=$(cat "$folder/Orvane.ini")

echo "== uninstall"
uninstall
check "program, entry and re-check gone" "" "$(ls "$folder/Orvane" "$entry" "$units"/orvane-* 2>/dev/null)"
check "settings kept" "$settings" "$(cat "$folder/Orvane.ini")"

echo "== again, with XDG_CONFIG_HOME"
XDG_CONFIG_HOME="$HOME/config" install
check "entry in XDG_CONFIG_HOME" "$HOME/config/autostart/orvane.desktop" "$(ls "$HOME"/config/autostart/*.desktop 2>&1)"
check "settings untouched" "$settings" "$(cat "$folder/Orvane.ini")"
uninstall
[ "$failures" -eq 0 ]
