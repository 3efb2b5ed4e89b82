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
# The 32-bit release run, under qemu-user where this machine runs no 32-bit code.
tests/windows/release_run.sh build/win32/Orvane.exe

ctest --preset linux
ctest --preset win64
ctest --preset win32
# Both builds on one Wine prefix, the Linux one against each Windows one: a
# profile written by Wine itself; every dialog answered on a virtual display; an
# English desktop at 96 and 144 dpi; settings that cannot be saved (read-only, a
# folder, a full disk); policy, report-only and the system's log.
for windows in build/win64/Orvane.exe build/win32/Orvane.exe; do
  tests/profile/wine_end_to_end.sh build/linux/Orvane "$windows"
  tests/ui/dialog_end_to_end.sh build/linux/Orvane "$windows"
  tests/ui/english_desktop.sh build/linux/Orvane "$windows"
  tests/ui/forecast_dialogs.sh build/linux/dialog_preview "$(dirname "$windows")/dialog_preview.exe"
  tests/settings/unsavable.sh build/linux/Orvane "$windows"
  tests/settings/policy_events.sh build/linux/Orvane "$windows"
done
# The fleet: a real rsyslog collecting from several computers and users, a
# journal, the 32-bit release's events under Wine, and orvane-report over them all
# (both builds), the page seen in headless Chromium.
tests/report/fleet_report.sh build/linux build/win32
# Both builds' services answer the same generated queries; see tests/differential/run.py.
tests/differential/run.py build/linux/orvane_probe build/win64/orvane_probe.exe
tests/platform/text_rules_match_windows.sh build/linux/dump_text_rules build/win64/dump_text_rules.exe
# The Linux administrators' files, root's runs among others' links and folders,
# nothing left hanging, and the display going away during a warning.
tests/settings/administrators_files.sh build/linux/Orvane
tests/settings/links_and_owners.sh build/linux/Orvane
tests/ui/hangs.sh build/linux/Orvane
tests/ui/display_lost.sh build/linux/Orvane
# The Linux dialog at 100 and 144 dpi, and the installs for one user and for every user.
tests/ui/fltk/dialog_dpi.sh build/linux/dialog_preview
tests/install/per_user_install.sh build/linux
tests/install/system_install.sh build/linux
# The per-user and per-machine installers; the latter's logon run from a Program
# Files the user cannot write.
for windows in build/win32 build/win64; do
  installer/msi_test.sh "$windows"
  installer/msi_machine_test.sh "$windows"
done

# The Linux suite again under AddressSanitizer and UndefinedBehaviorSanitizer.
cmake --preset asan >/dev/null
cmake --build --preset asan
ctest --preset asan

# Static analysis, then every fuzz target for a bounded time.
scripts/lint.sh
fuzz/run.sh "${ORVANE_FUZZ_SECONDS:-60}"
