#!/usr/bin/env bash
# The Linux build's text rules are Windows' own: code page 932 decoded for every
# single byte and byte pair, encoded for every UTF-16 unit with and without best
# fit, and every unit's case, as the Linux build answers and as Windows answers
# under Wine (code page 932, in the Windows build tree's own prefix, as its tests
# run), must agree record by record.
# Usage: text_rules_match_windows.sh LINUX_DUMP_TEXT_RULES WINDOWS_DUMP_TEXT_RULES_EXE
source "$(dirname "$0")/../lib/opening.sh"
linux_dump=$(realpath "$1")
windows_dump=$(realpath "$2")
prefix=$(dirname "$windows_dump")/wineprefix

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
"$linux_dump" linux.txt
"$repo/cmake/wine-run.sh" "$prefix" "$windows_dump" windows.txt
if ! python3 "$repo/tools/wintext/compare.py" windows.txt linux.txt; then
  echo "text_rules_match_windows: the Linux build converts or compares text otherwise than Windows" >&2
  exit 1
fi
