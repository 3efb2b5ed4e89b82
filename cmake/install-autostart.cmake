# Part of the per-user install on Linux: the XDG autostart entry that starts the
# installed program at every logon, in $XDG_CONFIG_HOME/autostart (~/.config when
# that is not set). It goes into the install manifest with the program, so that
# removing what the manifest lists uninstalls both.
if(IS_ABSOLUTE "$ENV{XDG_CONFIG_HOME}")
  set(config "$ENV{XDG_CONFIG_HOME}")
else()
  set(config "$ENV{HOME}/.config")
endif()
set(entry "$ENV{DESTDIR}${config}/autostart/orvane.desktop")

# The program's path in Exec: in double quotes, where ", `, $ and \ take a
# backslash; then, as in every value of the file, each backslash is doubled, and a
# field code's % is written %%.
set(exec "${CMAKE_INSTALL_PREFIX}/lib/orvane/Orvane")
string(REPLACE "\\" "\\\\" exec "${exec}")
string(REPLACE "\"" "\\\"" exec "${exec}")
string(REPLACE "`" "\\`" exec "${exec}")
string(REPLACE "\$" "\\\$" exec "${exec}")
string(REPLACE "\\" "\\\\" exec "${exec}")
string(REPLACE "%" "%%" exec "${exec}")

message(STATUS "Installing: ${entry}")
file(WRITE "${entry}" "[Desktop Entry]
Type=Application
Name=Orvane
Comment=Warns before a personal-folder file grows too large to open
Exec=\"${exec}\"
Terminal=false
")
list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${entry}")
