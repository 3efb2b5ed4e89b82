#!/usr/bin/env bash
# Installs what building and testing Orvane needs on a Debian machine (as root, or
# through sudo): compilers for Linux and for Windows (MinGW-w64), Wine to run the
# Windows tests (32-bit Wine too, for the 32-bit release, and qemu-user to run it
# where the kernel runs no 32-bit code), wixl and msitools for the
# installer, FLTK, a Japanese and a Western font for the Linux dialog, and the
# ja_JP.UTF-8 and en_US.UTF-8 locales that give Wine code pages 932 and 1252. Does
# nothing that is already done.
set -euo pipefail

packages=(
  cmake ninja-build g++ libgtest-dev
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
  wine wine64 wine32:i386 qemu-user wixl msitools
  libfltk1.3-dev libfontconfig-dev fonts-ipafont-gothic fonts-dejavu-core xdg-utils
  locales xvfb xauth xdotool imagemagick openbox x11-utils x11-xserver-utils
  desktop-file-utils libglib2.0-bin libxml2-utils systemd
  chromium rsyslog systemd-journal-remote
  clang libclang-rt-14-dev clang-tidy clang-format hyperfine python3 file icoutils
)

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $sudo dpkg --add-architecture i386
  fi
  if [[ " ${missing[*]} " == *" wine32:i386 "* ]]; then
    # A Wine prefix made before 32-bit Wine was there lacks its 32-bit half: the
    # build trees' throwaway prefixes are made again at their next use.
    rm -rf "$(dirname "$0")"/../build/*/wineprefix "$(dirname "$0")"/../build/*/wineprefix.keeper
  fi
  # A mirror caught mid-sync fails one index or another now and then; the
  # install below uses what could be fetched, and fails by itself if that is
  # not enough.
  for attempt in 1 2 3; do
    $sudo apt-get update -qq && break
    echo "setup: apt-get update failed (attempt $attempt of 3)" >&2
    [ "$attempt" -eq 3 ] || sleep 10
  done
  install() {
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "$@" "${missing[@]}" >/dev/null
  }
  if ! install; then
    # A security index missing for one architecture (the mirror above) leaves the
    # two architectures' versions of a library apart, which packages for both
    # must not be: the release's own versions are taken for both instead.
    codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
    echo "setup: installing again with $codename's own versions preferred" >&2
    install -o APT::Default-Release="$codename"
  fi
fi

# Japanese and an English desktop's locales (the latter gives Wine code page 1252).
for lang in ja_JP en_US; do
  if ! locale -a 2>/dev/null | grep -qi "^$lang\.utf-\?8$"; then
    echo "setup: generating the $lang.UTF-8 locale"
    $sudo localedef -i "$lang" -f UTF-8 "$lang.UTF-8"
  fi
done
