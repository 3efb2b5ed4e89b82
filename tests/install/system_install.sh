#!/usr/bin/env bash
# The Linux build installed for every user of a machine, into a throwaway root
# (DESTDIR) as an administrator would into /usr/local:
#   - "cmake --install BUILD --prefix /usr/local" puts the program into
#     /usr/local/lib/orvane, a valid autostart entry for everyone into
#     /etc/xdg/autostart and the daily re-check, off, into /etc/systemd/user, and
#     nothing into the installing user's home;
#   - an ordinary user's run of the installed program, which cannot write its
#     folder, keeps its settings file in ~/.config/orvane and its log in
#     ~/.local/state/orvane (or in XDG_CONFIG_HOME and XDG_STATE_HOME), and reads
#     the administrator's Orvane.ini beside the program;
#   - root's run of it keeps root's files in root's folders and leaves the
#     program's folder as it was;
#   - uninstalling (removing what the install manifest lists, in the root)
#     removes the program
#     and the entry, and the administrator's settings file stays.
# Usage: system_install.sh BUILD_DIR
source "$(dirname "$0")/../lib/opening.sh"
build=$(realpath "$1")

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
chmod 755 "$work"
root=$work/root
folder=$root/usr/local/lib/orvane
entry=$root/etc/xdg/autostart/orvane.desktop
export HOME=$work/admin
mkdir -p "$HOME"

echo "== install"
DESTDIR=$root cmake --install "$build" --prefix /usr/local >/dev/null
check "the program, and orvane-report for administrators" "$root/usr/local/bin/orvane-report
$folder/Orvane" "$(find "$root" -type f -executable | LC_ALL=C sort)"
check "its folder marked as shared" "$folder/Orvane.shared" "$(ls "$folder/Orvane.shared" 2>&1)"
check "autostart entry for everyone" "$entry" "$(ls "$entry" 2>&1)"
check "entry valid" "" "$(desktop-file-validate "$entry" 2>&1)"
check "entry starts the installed program" 'Exec="/usr/local/lib/orvane/Orvane"' "$(grep '^Exec=' "$entry")"
units=$root/etc/systemd/user
check "everyone's daily re-check, off, starts the installed program" 'ExecStart=/usr/bin/env "/usr/local/lib/orvane/Orvane"' \
  "$(grep '^ExecStart=' "$units/orvane-recheck.service")"
check "and its timer" "[Install] WantedBy=timers.target" "$(grep -A1 '^\[Install\]' "$units/orvane-recheck.timer" | paste -sd' ')"
check "nothing in the installer's home" "" "$(ls -A "$HOME")"

# An ordinary user's logon: a profile with no personal-folder file, no display.
user=$work/user
mkdir -p "$user/prefix"
printf 'WINE REGISTRY Version 2\n\n[Software\\\\Microsoft\\\\Windows NT\\\\CurrentVersion\\\\Windows Messaging Subsystem\\\\Profiles] 1\n"DefaultProfile"="Outlook"\n' \
  >"$user/prefix/user.reg"
chown -R nobody "$user"
printf '[Orvane]\r\nWarningSize=1000\r\n' >"$folder/Orvane.ini"
logon() {
  (cd / && setpriv --reuid=nobody --regid=nogroup --clear-groups \
    env -i HOME="$user" WINEPREFIX="$user/prefix" LC_ALL="$LC_ALL" "$@" "$folder/Orvane")
}

echo "== a user's logon"
check "the run" 0 "$(logon; echo $?)"
check "the program's folder as installed" "Orvane Orvane.ini Orvane.shared" "$(ls "$folder" | paste -sd' ')"
check "the user's settings file" "$user/.config/orvane/Orvane.ini" "$(ls "$user"/.config/orvane/*)"
check "the user's log" "$user/.local/state/orvane/Orvane.log" "$(ls "$user"/.local/state/orvane/*)"
check "which settings file" \
  "設定ファイル：$user/.config/orvane/Orvane.ini (管理者の設定ファイル：$folder/Orvane.ini)" \
  "$(log_messages "$user/.local/state/orvane/Orvane.log" | grep '^設定ファイル：')"
check "the user's folders for the user alone" "700 700" \
  "$(stat -c %a "$user/.config/orvane" "$user/.local/state/orvane" | paste -sd' ')"
check "the run ends" "Orvane 終了" "$(log_messages "$user/.local/state/orvane/Orvane.log" | tail -n 1)"

echo "== with XDG_CONFIG_HOME and XDG_STATE_HOME"
check "the run" 0 "$(logon XDG_CONFIG_HOME="$user/config" XDG_STATE_HOME="$user/state"; echo $?)"
check "the user's files there" "$user/config/orvane/Orvane.ini $user/state/orvane/Orvane.log" \
  "$(ls "$user"/config/orvane/* "$user"/state/orvane/* | paste -sd' ')"

echo "== root's run"
# Root may write the folder, and still keeps its files in its own folders: the
# administrator's file beside the program never gains root's defaults.
check "the run" 0 "$(cd / && env -i HOME="$HOME" WINEPREFIX="$user/prefix" LC_ALL="$LC_ALL" "$folder/Orvane"; echo $?)"
check "the program's folder as it was" "Orvane Orvane.ini Orvane.shared" "$(ls "$folder" | paste -sd' ')"
check "the administrator's file as it was" "[Orvane]
WarningSize=1000" "$(tr -d '\r' <"$folder/Orvane.ini")"
check "root's files in root's folders" "$HOME/.config/orvane/Orvane.ini $HOME/.local/state/orvane/Orvane.log" \
  "$(ls "$HOME"/.config/orvane/* "$HOME"/.local/state/orvane/* | paste -sd' ')"

echo "== uninstall"
sed "s|^|$root|" "$build/install_manifest.txt" | xargs -d '\n' rm -f --
check "program, entry and re-check gone" "" "$(ls "$folder/Orvane" "$root/usr/local/bin/orvane-report" "$entry" \
  "$units"/orvane-* 2>/dev/null)"
check "the administrator's settings kept" "Orvane.ini" "$(ls "$folder")"
[ "$failures" -eq 0 ]
