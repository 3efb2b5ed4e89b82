#!/usr/bin/env bash
# Static checks; each fails on any finding:
#  - clang-format (.clang-format) over every C++ file of ours, changing nothing;
#  - the include check: modules include only downwards (scripts/check_includes.sh);
#  - clang-tidy (.clang-tidy) over the Linux build's sources, then over the Windows
#    sources with the win64 build's compile database.
set -euo pipefail
cd "$(dirname "$0")/.."

git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror
echo "clang-format: clean"

scripts/check_includes.sh

cmake --preset linux >/dev/null
cmake --build --preset linux >/dev/null
git ls-files 'src/*.cpp' | grep -v '/win32/' | xargs -P "$(nproc)" -n 4 clang-tidy -p build/linux --quiet

# The MinGW compile lines name their target only through the compiler's name, and
# clang does not find that compiler's C++ and Windows headers by itself: both are
# said here (GCC's own intrinsics headers are left out; clang has its own).
cmake --preset win64 >/dev/null
cmake --build --preset win64 >/dev/null
mingw_args=(--extra-arg=--target=x86_64-w64-mingw32 --extra-arg=-Wno-unknown-warning-option)
while read -r dir; do
  mingw_args+=("--extra-arg=-isystem$dir")
done < <(x86_64-w64-mingw32-g++-posix -E -x c++ -v - </dev/null 2>&1 |
  sed -n '/#include <...> search starts/,/End of search/{s/^ //p}' | grep '^/' |
  grep -Ev '/lib/gcc/[^/]+/[^/]+/include(-fixed)?$')
git ls-files 'src/*.cpp' | grep -v '/posix/\|/fltk/' |
  xargs -P "$(nproc)" -n 4 clang-tidy -p build/win64 --quiet "${mingw_args[@]}"
echo "clang-tidy: clean"
