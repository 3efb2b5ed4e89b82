#!/usr/bin/env bash
# Builds every configuration and runs every test: the Linux suite, the Windows
# suite under Wine, and the 32-bit Windows release build (which cannot run here).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh

for preset in linux win64 win32; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
done

ctest --preset linux
ctest --preset win64
tests/profile/wine_end_to_end.sh build/linux/Orvane build/win64/Orvane.exe
