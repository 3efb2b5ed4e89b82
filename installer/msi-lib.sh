# Sourced by the installer tests: what they ask of a package and of Wine's registry.

# property MSI NAME: the value of NAME in the package's Property table.
property() { msiinfo export "$1" Property | tr -d '\r' | sed -n "s/^$2\t//p"; }

# msi_platform EXE: sets view (the registry view reg.exe is to read: /reg:64 or
# /reg:32) and arch (the package's platform: x64 or x86) for the build of EXE.
msi_platform() {
  if file -b "$1" | grep -q x86-64; then view=/reg:64 arch=x64; else view=/reg:32 arch=x86; fi
}

# entry PRODUCT_CODE: the product's entry among the installed programs,
# "name|version|publisher", empty when it is not there.
entry() {
  wine reg query "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$1" $view 2>/dev/null | tr -d '\r' |
    awk '$2 == "REG_SZ" && ($1 == "DisplayName" || $1 == "DisplayVersion" || $1 == "Publisher") {sub(/^ *[A-Za-z]+ +REG_SZ +/, ""); print}' |
    paste -sd '|'
}

# upgrade WXS [-D NAME=VALUE]...: the package of WXS made again for the next
# version ($next, into $work/next.msi) and installed over the one installed
# ($code): it replaces the program in $folder, lists itself instead and keeps the
# Run value ($installed). Needs version, build, arch, here, work, folder, code,
# installed and run_value from the script.
upgrade() {
  local wxs=$1
  shift
  next=${version%.*}.$(printf '%04d' $((10#${version##*.} + 1)))
  (cd "$build" && wixl -a "$arch" -D Version="$next" -D Exe=Orvane.exe "$@" \
    -D Icon="$(realpath --relative-to="$build" "$here/../src/ui/Orvane.ico")" -o "$work/next.msi" "$here/$wxs")
  check "msiexec /i (newer)" 0 "$(wine msiexec /i "$work/next.msi" /qn >/dev/null 2>&1; echo $?)"
  wineserver -w
  check "the program" "" "$(cmp "$build/Orvane.exe" "$folder/Orvane.exe" 2>&1)"
  check "installed programs" "Orvane|$next|Orvane" "$(entry "$(property "$work/next.msi" ProductCode)")"
  check "the old version gone" "" "$(entry "$code")"
  check "Run value" "\"$installed\"" "$(run_value)"
}

# uninstall: $work/next.msi removed again: the Run value and the entry go.
uninstall() {
  check "msiexec /x" 0 "$(wine msiexec /x "$work/next.msi" /qn >/dev/null 2>&1; echo $?)"
  wineserver -w
  check "Run value gone" "" "$(run_value)"
  check "not listed" "" "$(entry "$(property "$work/next.msi" ProductCode)")"
}
