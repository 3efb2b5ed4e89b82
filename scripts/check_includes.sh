#!/usr/bin/env bash
# Fails when a source file includes a header of a layer above it, or of another
# layer at its own height. The layers of src, from the top:
#
#   main.cpp, report    the program; orvane-report, the administrators' program
#   ui                  the warning dialog, in both toolkits
#   check               the check run and its state
#   settings, profile   the settings file; the mail profile walk
#   log                 the run log
#   platform            the operating system; posix/ and win32/ never include each other
#
# Inside platform, emulation/ holds Windows' rules as Wine keeps them, over text
# alone: the Linux shells in posix/ include it, it includes neither posix/ nor
# win32/, and win32/ (Windows has the rules themselves) never includes it.
#
# Inside check, the run's state (RunState.h) is below everything that uses it: it
# includes nothing of check's but the history's types.
#
# A file may include its own layer and any layer below it. A file directly in src
# counts as main.cpp. Includes without a directory are not looked at.
# Usage: scripts/check_includes.sh [SOURCE_DIR]   (default: src; relative to the repository)
set -euo pipefail
cd "$(dirname "$0")/.."
src="${1:-src}"

declare -A rank=([main]=6 [report]=6 [ui]=5 [check]=4 [settings]=3 [profile]=3 [log]=2 [platform]=1)

include='^[[:space:]]*#[[:space:]]*include[[:space:]]*(["<])([^">]*)[">]'
bad=0
while IFS= read -r hit; do
  file="${hit%%:*}"
  rest="${hit#*:}"
  line="${rest%%:*}"
  text="${rest#*:}"
  [[ "$text" =~ $include ]] || continue
  quote="${BASH_REMATCH[1]}"
  target="${BASH_REMATCH[2]}"
  relative="${file#"$src"/}"
  if [[ "$relative" == */* ]]; then from="${relative%%/*}"; else from=main; fi
  to="${target%%/*}"

  why=""
  if [ -z "${rank[$from]:-}" ]; then
    why="$from is no known layer"
  elif [ -z "${rank[$to]:-}" ]; then
    # A system header with a directory (<sys/mman.h>, <gtest/gtest.h>) is none of ours.
    [ "$quote" = '"' ] && why="$to is no known layer"
  elif [ "$from" != "$to" ] && [ "${rank[$to]}" -ge "${rank[$from]}" ]; then
    why="$from may not include $to"
  elif [ "$relative" = check/RunState.h ] && [ "$to" = check ] && [ "$target" != check/History.h ]; then
    why="the run's state is below its users"
  elif [ "$from" = platform ]; then
    case "$relative:$target" in
      platform/posix/*:platform/win32/* | platform/win32/*:platform/posix/*) why="posix and win32 are apart" ;;
      platform/emulation/*:platform/posix/* | platform/emulation/*:platform/win32/*)
        why="the emulation is below the shells" ;;
      platform/win32/*:platform/emulation/*) why="Windows has the rules themselves" ;;
    esac
  fi
  if [ -n "$why" ]; then
    echo "$file:$line: ${text#"${text%%[![:space:]]*}"}  ($why)"
    bad=1
  fi
done < <(grep -rnE --include='*.h' --include='*.hpp' --include='*.cpp' --include='*.cc' \
  '^[[:space:]]*#[[:space:]]*include[[:space:]]*["<][^">]*/' "$src" | sort)

if [ "$bad" -ne 0 ]; then
  echo "check_includes: an include runs against the layers (main.cpp > ui > check > settings, profile > log > platform)"
  exit 1
fi
echo "check_includes: clean"
