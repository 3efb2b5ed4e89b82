# Sourced by the scripts that read what the Linux build writes to the system log:
# a /dev/log of the script's own, in a mount namespace (root only), so that the
# host's log and journal see nothing.

# with_system_log FILE COMMAND...: runs COMMAND (a program, not a shell function)
# with the system log's lines caught
# in FILE (one a line, as syslog(3) sends them: "<12>Dec  8 20:32:21 orvane[18521]: ...").
# Without root, runs COMMAND alone and leaves FILE empty.
with_system_log() {
  local file=$1
  shift
  : >"$file"
  if [ "$(id -u)" -ne 0 ]; then
    "$@"
    return
  fi
  unshare -m bash -c '
    mount -t tmpfs none /dev && mknod -m 666 /dev/null c 1 3
    python3 -c "
import socket, sys
s = socket.socket(socket.AF_UNIX, socket.SOCK_DGRAM); s.bind(\"/dev/log\"); s.settimeout(2)
print(\"ready\", flush=True)
out = open(sys.argv[1], \"wb\")
try:
    while True: out.write(s.recv(65536) + b\"\\n\"); out.flush()
except socket.timeout: pass
" "$0" | { read -r _; "$@"; status=$?; cat >/dev/null; exit $status; }' "$file" "$@"
}

# system_log FILE: the caught lines without their date and process id
# ("<12>orvane: id=1000 ...").
system_log() { sed -E 's/^(<[0-9]+>).{15} ([a-z]+)\[[0-9]+\]/\1\2/' "$1"; }

# with_deaf_system_log COMMAND...: runs COMMAND (a program) with a system log that
# takes the connection and never reads what it is sent (root only; otherwise
# COMMAND alone).
with_deaf_system_log() {
  if [ "$(id -u)" -ne 0 ]; then
    "$@"
    return
  fi
  unshare -m bash -c '
    mount -t tmpfs none /dev && mknod -m 666 /dev/null c 1 3
    python3 -c "
import os, socket, time
s = socket.socket(socket.AF_UNIX, socket.SOCK_DGRAM); s.bind(\"/dev/log\")
print(os.getpid(), flush=True)
time.sleep(600)
" | { read -r deaf; "$@"; status=$?; kill "$deaf"; exit $status; }' _ "$@"
}
