#!/bin/sh
# Runs a Windows test program under Wine the way the tests expect: code page 932,
# a quiet Wine, and a throwaway prefix of the build tree's own (made on first use).
# CTest starts one process per test: a wineserver kept alive for a while between
# them saves starting Wine's services each time.
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
wineserver -p20 2>/dev/null
exec "$wine" "$@"
