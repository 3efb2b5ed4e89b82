# Sourced by the end-to-end scripts: a throwaway Wine prefix under code page 932,
# and a mail profile written into its registry by Wine's own "reg add", in the
# form the mail client stores it.
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/lib/pst-file.sh"

# Wine's own starter runs its 32-bit loader first, even for a 64-bit program; where
# the kernel runs no 32-bit code that fails, and the 64-bit loader is called itself.
if ! /usr/lib/wine/wine --version >/dev/null 2>&1 && [ -x /usr/lib/wine/wine64 ]; then
  wine() { WINELOADER=/usr/lib/wine/wine64 /usr/lib/wine/wine64 "$@"; }
  wineboot() { wine wineboot "$@"; }
fi

# runs_here EXE: whether this machine can run the Windows program EXE (a 32-bit one
# needs a kernel that runs 32-bit code). Otherwise says so, for a script to skip it.
runs_here() {
  case $(file -b "$1") in
  *"Intel 80386"*)
    /usr/lib/wine/wine --version >/dev/null 2>&1 && return 0
    echo "SKIPPED: $1 is a 32-bit program and this machine runs no 32-bit code" >&2
    return 1 ;;
  esac
}

# new_wine_prefix DIR: makes DIR a fresh prefix and points Wine at it.
new_wine_prefix() {
  export WINEPREFIX=$1 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LC_ALL=ja_JP.UTF-8
  quietly wineboot -i
}

# throwaway_work: a folder $work for the check, removed when it ends, with the
# Wine server of the prefix in use and the virtual display, if one was started.
throwaway_work() {
  work=$(mktemp -d)
  trap 'wineserver -k 2>/dev/null || true; stop_virtual_display 2>/dev/null || true; rm -rf "$work"' EXIT
}

# begin_with_wine_prefix: throwaway_work, and a fresh prefix $work/prefix in it.
begin_with_wine_prefix() {
  throwaway_work
  new_wine_prefix "$work/prefix"
}

# quietly COMMAND...: runs a Wine command without its chatter, unless it fails:
# then says which command, its status and what it printed. Now and then Wine
# cannot start a program at all ("ShellExecuteEx failed: internal error": a
# "reg add" of the end-to-end script, once in a few full test runs here); such a
# command is run once more, after the Wine server has stopped.
quietly() {
  local output status=0
  output=$("$@" 2>&1) || status=$?
  if [ "$status" -ne 0 ] && [[ $output == *ShellExecuteEx* ]]; then
    wineserver -w
    status=0
    output=$("$@" 2>&1) || status=$?
  fi
  [ "$status" -eq 0 ] && return
  printf '%s: "%s" failed with status %s:\n%s\n' "$(basename "$0")" "$*" "$status" "$output" >&2
  return "$status"
}

# Hex of text in code page 932 or UTF-16LE, with its terminator.
ansi() { printf '%s' "$1" | iconv -f UTF-8 -t CP932 | od -An -v -tx1 | tr -d ' \n'; printf 00; }
utf16() { printf '%s' "$1" | iconv -f UTF-8 -t UTF-16LE | od -An -v -tx1 | tr -d ' \n'; printf 0000; }
reg_add() { quietly wine reg add "$@" /f; }

profiles_nt='HKCU\Software\Microsoft\Windows NT\CurrentVersion\Windows Messaging Subsystem\Profiles'
profiles_old='HKCU\Software\Microsoft\Windows Messaging Subsystem\Profiles'
store_list_key=9207f3e0a3b11019908b08002b2a56c2

# The messages of an Orvane log, after the date and time (two print zones of 14).
log_messages() { iconv -f CP932 -t UTF-8 "$1" | tr -d '\r' | cut -c29-; }

# oversized_store PROFILE UID PATH: a default profile PROFILE (under the NT-family
# key) holding one personal-folder store UID, named 個人用フォルダ, whose ANSI file
# at the Windows PATH on drive C: is 1.7 GB (sparse), over the warning size.
oversized_store() {
  reg_add "$profiles_nt" /v DefaultProfile /t REG_SZ /d "$1"
  reg_add "$profiles_nt\\$1\\$store_list_key" /v 01023d00 /t REG_BINARY /d "$2"
  reg_add "$profiles_nt\\$1\\$2" /v 001e3001 /t REG_BINARY /d "$(ansi 個人用フォルダ)"
  reg_add "$profiles_nt\\$1\\$2" /v 001e6700 /t REG_BINARY /d "$(ansi "$3")"
  local file="$WINEPREFIX/drive_c/${3#C:\\}"
  pst_file "${file//\\//}" 1700000000
}

# user_reg_prefix PREFIX "UID NAME PATH SIZE"...: a prefix written by hand, without
# Wine: drive C:, and a user.reg whose default profile "Outlook" holds these stores
# (8-bit names and paths), each an ANSI file of SIZE bytes (sparse) on drive C:.
user_reg_prefix() {
  local prefix=$1
  shift
  mkdir -p "$prefix/dosdevices" "$prefix/drive_c"
  ln -sfn ../drive_c "$prefix/dosdevices/c:"
  { printf 'WINE REGISTRY Version 2\n'; profile_keys "$prefix" "$@"; } >"$prefix/user.reg"
}

# profile_keys PREFIX "UID NAME PATH SIZE"...: user.reg's keys (for its end) of a
# default profile "Outlook" holding these stores, each file made on PREFIX's drive C:.
profile_keys() {
  local prefix=$1 list="" uid name path size body=""
  shift
  hex() { printf '%s\0' "$1" | iconv -f UTF-8 -t CP932 | od -An -v -tx1 | tr -s ' \n' ',' | sed 's/^,//; s/,$//'; }
  local key='Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows Messaging Subsystem\\Profiles'
  for store in "$@"; do
    read -r uid name path size <<<"$store"
    list+=$(printf '%s' "$uid" | sed 's/../&,/g')
    body+=$(printf '\n[%s]\n"001e3001"=hex:%s\n"001e6700"=hex:%s\n' "$key\\\\Outlook\\\\$uid" "$(hex "$name")" \
      "$(hex "$path")")
    local file="$prefix/drive_c/${path#C:\\}"
    pst_file "${file//\\//}" "$size"
  done
  printf '\n[%s]\n"DefaultProfile"="Outlook"\n\n[%s]\n"01023d00"=hex:%s\n%s\n' \
    "$key" "$key\\\\Outlook\\\\$store_list_key" "${list%,}" "$body"
}

# events_of STDERR: the events Wine printed, one line each: the type and ID,
# whether a user's SID came with it, then the insertion strings (non-ASCII as Wine
# escapes it, \xxxx).
events_of() {
  awk '/fixme:advapi:ReportEventW/ { if (e) print e; split($0, f, ",");
                                     e = f[2] " " f[4] " " (f[5] ~ /^(0+|\(nil\))$/ ? "no-sid" : "sid") }
       /:eventlog:ReportEventW/ { s = $0; sub(/.*ReportEventW L"/, "", s); sub(/"$/, "", s); e = e " | " s }
       END { if (e) print e }' "$1"
}
