#!/bin/sh
# Runs a Windows test program under Wine the way the tests expect: code page 932,
# a quiet Wine, and a throwaway prefix of the build tree's own (made on first use).
# CTest starts one process per test. Wine stops its own services once no program
# of the prefix runs, and starting them again costs about a second a test: a
# console reading an open pipe keeps them for 30 s after a test last found none.
# A 32-bit program needs Wine's 32-bit loader; where the kernel runs no 32-bit code
# the program is not run and the exit status is 77 (a skipped test).
# Usage: wine-run.sh PREFIX_DIR PROGRAM [ARGS...]
prefix=$1; shift
export WINEPREFIX="$prefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export LC_ALL=ja_JP.UTF-8
if /usr/lib/wine/wine --version >/dev/null 2>&1; then
  wine=wine
else
  # Wine's own starter tries the 32-bit loader first even for a 64-bit program.
  case $(file -b "$1") in
  *"Intel 80386"*)
    echo "wine-run.sh: this machine runs no 32-bit code: $1 not run" >&2
    exit 77 ;;
  esac
  export WINELOADER=/usr/lib/wine/wine64
  wine=$WINELOADER
fi
keeper="$prefix.keeper"
if [ -f "$prefix/system.reg" ] && ! { [ -f "$keeper" ] && kill -0 "$(cat "$keeper")" 2>/dev/null; }; then
  (sleep 30 | "$wine" cmd) </dev/null >/dev/null 2>&1 &
  echo $! > "$keeper"
  # The services start now, not with the test: they would hold its output open.
  "$wine" cmd /c exit </dev/null >/dev/null 2>&1
fi
exec "$wine" "$@"
