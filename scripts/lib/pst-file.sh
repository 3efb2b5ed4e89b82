# Sourced by the demo and the end-to-end scripts.

# pst_file FILE SIZE [ansi|unicode] [pst|ost]: a sparse file of SIZE bytes (its
# folder made) that starts as the mail client's files do: "!BDN", a checksum,
# "SM" (a personal-folder file) or "SO" (an offline file), and the version, 14
# for the ANSI format and 23 for Unicode.
pst_file() {
  local version='\x0e' client=SM
  [ "${3:-ansi}" = unicode ] && version='\x17'
  [ "${4:-pst}" = ost ] && client=SO
  mkdir -p "$(dirname "$1")"
  printf "!BDN\\x5a\\x3c\\x17\\x09$client$version\\x00\\x13\\x00\\x01\\x01" >"$1"
  truncate -s "$2" "$1"
}
