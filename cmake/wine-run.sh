#!/bin/sh
# Runs a Windows test program under Wine the way the tests expect: code page 932,
# a quiet Wine, and a throwaway prefix of the build tree's own (made on first use).
# Usage: wine-run.sh PREFIX_DIR PROGRAM [ARGS...]
prefix=$1; shift
export WINEPREFIX="$prefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export LC_ALL=ja_JP.UTF-8
exec wine "$@"
