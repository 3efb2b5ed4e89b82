# Part of the install on Linux: the XDG autostart entry that starts the installed
# program at every logon, and for an install for every user the file that marks
# the program's folder as shared (so that no run, root's included, writes there). Installed into the home folder (a per-user install), it
# goes to $XDG_CONFIG_HOME/autostart (~/.config when that is not set); installed
# anywhere else (/usr/local, /opt: an install for every user of the machine), to
# /etc/xdg/autostart, where every desktop looks for everyone's. It goes into the
# install manifest with the program (as the manifest lists every file: without
# DESTDIR), so that removing what the manifest lists uninstalls both.
set(home "$ENV{HOME}")
cmake_path(IS_PREFIX home "${CMAKE_INSTALL_PREFIX}" NORMALIZE per_user)
if(NOT IS_ABSOLUTE "${home}" OR home STREQUAL "/")
  set(per_user FALSE)
endif()
if(NOT per_user)
  set(config "/etc/xdg")
elseif(IS_ABSOLUTE "$ENV{XDG_CONFIG_HOME}")
  set(config "$ENV{XDG_CONFIG_HOME}")
else()
  set(config "${home}/.config")
endif()
set(entry "${config}/autostart/orvane.desktop")

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

message(STATUS "Installing: $ENV{DESTDIR}${entry}")
file(WRITE "$ENV{DESTDIR}${entry}" "[Desktop Entry]
Type=Application
Name=Orvane
Comment=Warns before a personal-folder file grows too large to open
Exec=\"${exec}\"
Terminal=false
")
list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${entry}")

# The daily re-check, for sessions that stay open for days (a laptop that sleeps
# rather than logs off): a systemd user timer and its service, shipped off. The
# organisation turns it on for a user ("systemctl --user enable --now
# orvane-recheck.timer") or for everyone ("systemctl --global enable
# orvane-recheck.timer"). Installed beside the autostart entry's folder: the
# user's systemd/user, or /etc/systemd/user for everyone.
# The program's path in ExecStart, as env's argument (systemd takes no program
# path with quotes or backslashes, which a home may hold): in double quotes,
# where " and \ take a backslash, a specifier's % is written %% and a
# variable's $ is written $$.
set(unit_exec "${CMAKE_INSTALL_PREFIX}/lib/orvane/Orvane")
string(REPLACE "\\" "\\\\" unit_exec "${unit_exec}")
string(REPLACE "\"" "\\\"" unit_exec "${unit_exec}")
string(REPLACE "%" "%%" unit_exec "${unit_exec}")
string(REPLACE "\$" "\$\$" unit_exec "${unit_exec}")
set(units "${config}/systemd/user")
if(NOT per_user)
  set(units "/etc/systemd/user")
endif()
foreach(unit orvane-recheck.service orvane-recheck.timer)
  message(STATUS "Installing: $ENV{DESTDIR}${units}/${unit}")
  configure_file("${CMAKE_CURRENT_LIST_DIR}/${unit}.in" "$ENV{DESTDIR}${units}/${unit}" @ONLY)
  list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${units}/${unit}")
endforeach()

if(NOT per_user)
  set(marker "${CMAKE_INSTALL_PREFIX}/lib/orvane/Orvane.shared")
  message(STATUS "Installing: $ENV{DESTDIR}${marker}")
  file(COPY_FILE "${CMAKE_CURRENT_LIST_DIR}/../installer/Orvane.shared" "$ENV{DESTDIR}${marker}")
  list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${marker}")
endif()
