#!/usr/bin/env bash
# A Windows build as a user receives it: one GUI program for the given machine
# that needs no DLL beyond Windows' own and carries no debug sections, with its
# Japanese version block, the same version in its manifest, and its icon of two
# 32 x 32 images (256 colours and 24-bit).
# Usage: release_check.sh ORVANE_EXE MACHINE   (MACHINE as `file` names it:
#        "Intel 80386" for the 32-bit release, "x86-64" for the 64-bit build)
source "$(dirname "$0")/../lib/opening.sh"
exe=$1
machine=$2
echo "== $exe"

check "GUI program for $machine" yes "$(file -b "$exe" | grep -q "(GUI) $machine" && echo yes || echo no)"
system_dlls='^(ADVAPI32|COMCTL32|COMDLG32|GDI32|KERNEL32|msvcrt|SHELL32|USER32)\.dll$'
check "only Windows' own DLLs" "" \
  "$(LC_ALL=C objdump -p "$exe" | awk '/DLL Name:/ {print $3}' | grep -viE "$system_dlls" | paste -sd ' ')"
check "no debug sections" "" \
  "$(LC_ALL=C objdump -h "$exe" | awk '$2 ~ /^\.debug/ {print $2}' | paste -sd ' ')"

# The version block's strings: a tree of (length, value length, type, UTF-16 key,
# value, children), each part on a 32-bit boundary; text values count in UTF-16 units.
strings=$(wrestool -x --raw --type=version "$exe" | python3 -c '
import struct, sys
data = sys.stdin.buffer.read()
align = lambda n: (n + 3) & ~3
def walk(at, end):
    while at + 6 <= end:
        length, value_length, text = struct.unpack_from("<HHH", data, at)
        if length == 0:
            return
        key_end = at + 6
        while data[key_end:key_end + 2] not in (b"\0\0", b""):
            key_end += 2
        key = data[at + 6:key_end].decode("utf-16-le")
        value_at = align(key_end + 2)
        value_size = value_length * 2 if text else value_length
        if text:
            print(key + "=" + data[value_at:value_at + value_size].decode("utf-16-le").rstrip("\0"))
        walk(align(value_at + value_size), at + length)
        at = align(at + length)
walk(0, len(data))')
value() { printf '%s\n' "$strings" | sed -n "s/^$1=//p"; }
check "version resource in Japanese" 1041 "$(wrestool -l --type=version "$exe" | sed -n 's/.*--language=\([0-9]*\).*/\1/p')"
check "FileVersion" "1.01.0001" "$(value FileVersion)"
check "ProductVersion" "1.01.0001" "$(value ProductVersion)"
check "FileDescription" "Outlook の個人用フォルダ(pst)のサイズをチェックする" "$(value FileDescription)"
check "ProductName" "Orvane" "$(value ProductName)"
check "InternalName" "Orvane" "$(value InternalName)"
check "manifest version" 'version="1.1.0.1"' \
  "$(wrestool -x --raw --type=24 "$exe" | grep -o 'name="Orvane" version="[0-9.]*"' | sed 's/name="Orvane" //')"
check "icon" "32x32x8 32x32x24" \
  "$(wrestool -x --type=group_icon "$exe" | icotool -l - | sed -n 's/.*--width=\([0-9]*\) --height=\([0-9]*\) --bit-depth=\([0-9]*\).*/\1x\2x\3/p' | paste -sd ' ')"
[ "$failures" -eq 0 ]
