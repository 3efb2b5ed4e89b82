#!/usr/bin/env bash
# Builds every configuration and runs every test: the Linux suite, the Windows
# suite under Wine, both programs end to end (on one profile, and answering their
# dialogs on a virtual display), the Linux build's text rules and services against
# Windows' own, all of it for the 32-bit Windows release too, the installers for
# one user and for every user of a machine (under Wine, and the Linux installs),
# the Linux dialog at 144 dpi, the Linux suite under sanitizers, clang-tidy, and
# each fuzz target for a minute (ORVANE_FUZZ_SECONDS changes that).
#
# With --quick: only the Linux build and its suite, for the edit-compile-test loop.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ "${1:-}" = "--quick" ]; then
  cmake --preset linux >/dev/null
  cmake --build --preset linux
  ctest --preset linux -j "$(nproc)"
  exit
fi

scripts/setup.sh

for preset in linux win64 win32; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
done

# The Windows programs as a user receives them: version block, icon, no DLLs of ours.
tests/windows/release_check.sh build/win32/Orvane.exe "Intel 80386"
tests/windows/release_check.sh build/win64/Orvane.exe x86-64

ctest --preset linux
ctest --preset win64
ctest --preset win32
tests/profile/wine_end_to_end.sh build/linux/Orvane build/win64/Orvane.exe
tests/profile/wine_end_to_end.sh build/linux/Orvane build/win32/Orvane.exe
# Both builds' services answer the same generated queries; see tests/differential/run.py.
tests/differential/run.py build/linux/orvane_probe build/win64/orvane_probe.exe
tests/platform/text_rules_match_windows.sh build/linux/dump_text_rules build/win64/dump_text_rules.exe
tests/ui/dialog_end_to_end.sh build/linux/Orvane build/win64/Orvane.exe
tests/ui/dialog_end_to_end.sh build/linux/Orvane build/win32/Orvane.exe
# An English desktop: defaults, dialog at 96 and 144 dpi, log and exclusion.
tests/ui/english_desktop.sh build/linux/Orvane build/win64/Orvane.exe
tests/ui/english_desktop.sh build/linux/Orvane build/win32/Orvane.exe
# Settings that cannot be saved (read-only, a folder, a full disk), both builds.
tests/settings/unsavable.sh build/linux/Orvane build/win64/Orvane.exe
tests/settings/unsavable.sh build/linux/Orvane build/win32/Orvane.exe
# Policy, report-only and the system's log, both builds; the Linux administrators' files.
tests/settings/policy_events.sh build/linux/Orvane build/win64/Orvane.exe
tests/settings/policy_events.sh build/linux/Orvane build/win32/Orvane.exe
tests/settings/administrators_files.sh build/linux/Orvane
# Root's runs among others' links and folders, and nothing left hanging (Linux).
tests/settings/links_and_owners.sh build/linux/Orvane
tests/ui/hangs.sh build/linux/Orvane
# The Linux build when its display goes away during a warning.
tests/ui/display_lost.sh build/linux/Orvane
# The Linux dialog at 144 dpi, and the installs for one user and for every user.
tests/ui/fltk/dialog_dpi.sh build/linux/dialog_preview
tests/install/per_user_install.sh build/linux
tests/install/system_install.sh build/linux
installer/msi_test.sh build/win32
installer/msi_test.sh build/win64
# The per-machine installers, and a logon run from a Program Files the user cannot write.
installer/msi_machine_test.sh build/win32
installer/msi_machine_test.sh build/win64

# The Linux suite again under AddressSanitizer and UndefinedBehaviorSanitizer.
cmake --preset asan >/dev/null
cmake --build --preset asan
ctest --preset asan

# Static analysis, then every fuzz target for a bounded time.
scripts/lint.sh
fuzz/run.sh "${ORVANE_FUZZ_SECONDS:-60}"
