#!/usr/bin/env bash
# clang-tidy over the Linux build's sources (the portable code and the posix
# platform layer), with the checks of .clang-tidy; fails on any finding.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset linux >/dev/null
cmake --build --preset linux >/dev/null
git ls-files 'src/*.cpp' | grep -v '/win32/' | xargs -P "$(nproc)" -n 4 clang-tidy -p build/linux --quiet
echo "clang-tidy: clean"
