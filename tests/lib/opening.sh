# The opening of every scripted check, sourced before anything else:
#   source "$(dirname "$0")/../lib/opening.sh"   (as many ../ as reach tests/)
# Strict mode; $repo, the repository's folder; and the checks' helpers: check,
# log_messages and pst_file, the virtual display and its dialog answerer, a Wine
# prefix with a mail profile in it, and the system-log catchers.
set -euo pipefail
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
source "$repo/scripts/lib/check.sh"
source "$repo/scripts/lib/virtual-display.sh"
source "$repo/tests/lib/wine-profile.sh"
source "$repo/tests/lib/system-log.sh"

# two_builds LINUX_ORVANE WINDOWS_ORVANE_EXE: the programs of a check that runs
# both builds, as $linux_exe and $windows_exe; the check is skipped where this
# machine cannot run the Windows one.
two_builds() {
  linux_exe=$(realpath "$1")
  windows_exe=$(realpath "$2")
  runs_here "$windows_exe" || exit 0
}

# root_only WHY: skips the check unless it runs as root, saying WHY it needs root.
root_only() {
  [ "$(id -u)" -eq 0 ] && return
  echo "SKIPPED: $(basename "$0") needs root ($1)"
  exit 0
}

# copy_two_builds: the two programs in folders of their own under $work,
# linux/Orvane and windows/Orvane.exe, each to keep its own settings file and log.
copy_two_builds() {
  mkdir "$work/linux" "$work/windows"
  cp "$linux_exe" "$work/linux/Orvane"
  cp "$windows_exe" "$work/windows/Orvane.exe"
}

# check_same_run [MESSAGES]: both copies left the same log, as the function
# MESSAGES reads it (log_messages unless named), and the same settings file.
check_same_run() {
  local messages=${1:-log_messages}
  check "same log" "" "$(diff <("$messages" "$work/windows/Orvane.log") <("$messages" "$work/linux/Orvane.log"))"
  check "same settings file" "" "$(cmp "$work/windows/Orvane.ini" "$work/linux/Orvane.ini" 2>&1)"
}
