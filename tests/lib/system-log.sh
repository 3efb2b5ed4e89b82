# The system-log catchers of the scripts that read what the Linux build writes
# there: a /dev/log of the script's own, in a mount namespace (root only) where
# journald's socket is hidden, so that the host's log and journal see nothing.

# with_dev_log RECEIVER AFTER ARG COMMAND...: in a mount namespace with a /dev of
# its own, the Python code RECEIVER runs with a datagram socket `s` bound to
# /dev/log (and ARG as sys.argv[1]) and prints one line once it listens; COMMAND (a
# program, not a shell function) runs after that line, then the shell code AFTER,
# which has the line as $ready. Returns COMMAND's status. Without root, COMMAND
# runs alone.
with_dev_log() {
  local receiver=$1 after=$2 arg=$3
  shift 3
  if [ "$(id -u)" -ne 0 ]; then
    "$@"
    return
  fi
  unshare -m bash -c '
    mount -t tmpfs none /dev && mknod -m 666 /dev/null c 1 3
    # Where journald runs, the program would send to it rather than to /dev/log.
    [ ! -d /run/systemd/journal ] || mount -t tmpfs none /run/systemd/journal
    python3 -c "import os, socket, sys, time
s = socket.socket(socket.AF_UNIX, socket.SOCK_DGRAM); s.bind(\"/dev/log\")
$1" "$3" | { read -r ready; "${@:4}"; status=$?; eval "$2"; exit $status; }' _ "$receiver" "$after" "$arg" "$@"
}

# with_system_log FILE COMMAND...: runs COMMAND with the system log's lines caught
# in FILE (one a line, as syslog(3) sends them: "<12>Dec  8 20:32:21 orvane[18521]: ...").
# Without root, FILE stays empty.
with_system_log() {
  : >"$1"
  # Caught until the log has been quiet for 2 s, so that nothing sent is missed.
  with_dev_log 's.settimeout(2)
print("ready", flush=True)
out = open(sys.argv[1], "wb")
try:
    while True: out.write(s.recv(65536) + b"\n"); out.flush()
except socket.timeout: pass' 'cat >/dev/null' "$@"
}

# system_log FILE: the caught lines without their date and process id
# ("<12>orvane: id=1000 ...").
system_log() { sed -E 's/^(<[0-9]+>).{15} ([a-z]+)\[[0-9]+\]/\1\2/' "$1"; }

# with_deaf_system_log COMMAND...: runs COMMAND with a system log that takes the
# connection and never reads what it is sent.
with_deaf_system_log() {
  with_dev_log 'print(os.getpid(), flush=True)
time.sleep(600)' 'kill "$ready"' - "$@"
}
