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
