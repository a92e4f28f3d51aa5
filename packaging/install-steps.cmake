# Install-time steps of the suite, run by cmake --install and by cpack after
# the program files are in place. Set before this script runs:
#   ORVANT_CONFIGURED_PREFIX  the prefix the build was configured for
#   ORVANT_PACKAGING_DIR      packaging/ in the source tree
#   ORVANT_INSTALL_WORK_DIR   a build-tree folder for generated files
#   ORVANT_PACKAGE_DATA_DIR   the shared data directory of a system install
#   ORVANT_MAN_PAGE_FILES     the gzip'd manual pages the build made
#   ORVANT_DEB_CHANGELOG      the package's gzip'd changelog.Debian
#
# Three kinds of run:
#   cpack (ORVANT_CPACK=DEB)  stage a package: menu entries in /usr/share;
#                             database and capability are the postinst's.
#   DESTDIR set               stage for some other packager: everything under
#                             the prefix; database and capability left to the
#                             packager (said so).
#   otherwise                 a real install: database, capability, and for
#                             root installs under /opt, menu links in
#                             /usr/local/share.
# Environment for tests and administrators:
#   ORVANT_DATA_DIR     where the database lives; empty: in the program
#                       directory. Default: /var/opt/orvant for root installs
#                       under /opt, else the program directory.
#   ORVANT_MENU_PREFIX  where to link the menu entries and icons (empty: no
#                       links). Default: /usr/local for root installs under
#                       /opt, else none.
#   ORVANT_TOOLS_PREFIX where to link the commands: the tools and the
#                       programs orvant, orvant-admin, orvant-grapher (bin/
#                       under it; empty: no links). Default as
#                       ORVANT_MENU_PREFIX; the package links them into
#                       /usr/bin.
#   ORVANT_SETCAP, ORVANT_PING_GROUP_RANGE_FILE: see orvant-setup.

get_filename_component(_prefix "${CMAKE_INSTALL_PREFIX}" ABSOLUTE)
set(_destdir "$ENV{DESTDIR}")
set(_cpack "$ENV{ORVANT_CPACK}")
set(_staged FALSE)
if(NOT _destdir STREQUAL "" OR NOT _cpack STREQUAL "")
  set(_staged TRUE)
endif()
set(_apps orvant orvant-admin orvant-grapher)
set(_icon_sizes 16 32 48 64 128 256)

execute_process(COMMAND id -u OUTPUT_VARIABLE _uid OUTPUT_STRIP_TRAILING_WHITESPACE)
set(_system_opt FALSE)
if(_uid STREQUAL "0" AND NOT _staged AND _prefix MATCHES "^/opt/")
  set(_system_opt TRUE)
endif()

# --- the monitor's RUNPATH -------------------------------------------------
# Configured as "$ORIGIN:<configured prefix>" (see OrvantInstall.cmake): make
# the absolute entry name the real prefix. The linker left room for the
# configured string only; a longer prefix gets "$ORIGIN" alone, and then
# orvant-setup will not give the monitor a capability.
set(_monitor "${_destdir}${_prefix}/orvant")
if(EXISTS "${_monitor}" AND NOT _prefix STREQUAL ORVANT_CONFIGURED_PREFIX)
  file(READ_ELF "${_monitor}" RUNPATH _old_runpath CAPTURE_ERROR _elf_error)
  string(REPLACE ";" ":" _old_runpath "${_old_runpath}")
  set(_want "\$ORIGIN:${_prefix}")
  string(LENGTH "${_want}" _want_len)
  string(LENGTH "${_old_runpath}" _old_len)
  if(_prefix MATCHES ":" OR _want_len GREATER _old_len)
    set(_want "\$ORIGIN")
    message(STATUS "orvant: prefix ${_prefix} does not fit the monitor's RUNPATH (configured for ${ORVANT_CONFIGURED_PREFIX}): RUNPATH is \$ORIGIN alone")
  endif()
  if(NOT _elf_error AND NOT _old_runpath STREQUAL _want)
    file(RPATH_CHANGE FILE "${_monitor}" OLD_RPATH "${_old_runpath}" NEW_RPATH "${_want}")
  endif()
endif()

# --- menu entries and icons ------------------------------------------------
if(_cpack STREQUAL "DEB")
  # Where the desktop's menu looks; dpkg triggers of desktop-file-utils and
  # the icon theme refresh their caches.
  set(_share "/usr/share")
else()
  set(_share "${_prefix}/share")
endif()

# Exec is a command line: a path with blanks goes in double quotes; the
# characters that would need escaping inside those are refused.
set(_exec_dir "${_prefix}")
if(_prefix MATCHES "[\"`$\\\\]")
  message(WARNING "orvant: the prefix ${_prefix} holds characters a desktop entry cannot quote; the menu entries will not start the programs")
elseif(_prefix MATCHES "[ \t'<>~|&;*?#()]")
  set(_exec_quote "\"")
endif()
string(MD5 _work_key "${_destdir}|${_prefix}")
set(_work "${ORVANT_INSTALL_WORK_DIR}/desktop-${_work_key}")
file(MAKE_DIRECTORY "${_work}")
foreach(_app IN LISTS _apps)
  file(READ "${ORVANT_PACKAGING_DIR}/desktop/${_app}.desktop.in" _entry)
  string(REGEX REPLACE "Exec=@ORVANT_EXEC_DIR@/([a-z]+)" "Exec=${_exec_quote}${_exec_dir}/\\1${_exec_quote}" _entry "${_entry}")
  string(REPLACE "@ORVANT_TRY_DIR@" "${_prefix}" _entry "${_entry}")
  file(WRITE "${_work}/${_app}.desktop" "${_entry}")
endforeach()
list(TRANSFORM _apps APPEND ".desktop" OUTPUT_VARIABLE _desktop_names)
list(TRANSFORM _desktop_names PREPEND "${_work}/" OUTPUT_VARIABLE _desktop_files)
file(INSTALL ${_desktop_files} DESTINATION "${_share}/applications"
     FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
file(INSTALL "${ORVANT_PACKAGING_DIR}/icons/hicolor" DESTINATION "${_share}/icons"
     FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ
     FILES_MATCHING PATTERN "*.png")
foreach(_app IN LISTS _apps)
  file(INSTALL "${ORVANT_PACKAGING_DIR}/icons/${_app}.svg"
       DESTINATION "${_share}/icons/hicolor/scalable/apps"
       FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
endforeach()

# The software centre's description, beside the menu entries it launches.
file(INSTALL "${ORVANT_PACKAGING_DIR}/io.github.orvant.Orvant.metainfo.xml"
     DESTINATION "${_share}/metainfo"
     FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
# Manual pages, gzip'd by the build.
if(NOT ORVANT_MAN_PAGE_FILES STREQUAL "")
  file(INSTALL ${ORVANT_MAN_PAGE_FILES} DESTINATION "${_share}/man/man1"
       FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
endif()

# What Debian policy wants of every package: its copyright and changelog,
# and lintian's overrides, each justified in the file.
if(_cpack STREQUAL "DEB")
  file(INSTALL "${ORVANT_PACKAGING_DIR}/deb/copyright" "${ORVANT_DEB_CHANGELOG}"
       DESTINATION "/usr/share/doc/orvant"
       FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
  file(INSTALL "${ORVANT_PACKAGING_DIR}/deb/lintian-overrides"
       DESTINATION "/usr/share/lintian/overrides" RENAME orvant
       FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
endif()

# --- the commands on the PATH -----------------------------------------------
# Their manual pages show them by bare name; the programs stay in the program
# directory (they find orvant.conf and the database beside their real path),
# and a link in a bin directory of the PATH names each. orvant-setup is the
# installer's own step, no tool of the operator's.
set(_tool_links "${_work}/bin")
file(REMOVE_RECURSE "${_tool_links}")
file(MAKE_DIRECTORY "${_tool_links}")
file(GLOB _tools LIST_DIRECTORIES false "$ENV{DESTDIR}${_prefix}/orvant-*" "$ENV{DESTDIR}${_prefix}/libexec/orvant-*")
set(_tool_names "")
foreach(_tool IN LISTS _tools)
  get_filename_component(_name "${_tool}" NAME)
  if(_name STREQUAL "orvant-setup")
    continue()
  endif()
  string(LENGTH "$ENV{DESTDIR}" _destdir_len)
  string(SUBSTRING "${_tool}" ${_destdir_len} -1 _target)
  file(CREATE_LINK "${_target}" "${_tool_links}/${_name}" SYMBOLIC)
  list(APPEND _tool_names "${_name}")
endforeach()
# The programs with windows are commands too, by the names of their menu
# entries and manual pages; in the program directory they keep their names.
foreach(_command IN ITEMS "orvant=orvant" "orvant-admin=admin" "orvant-grapher=grapher")
  string(REPLACE "=" ";" _command "${_command}")
  list(GET _command 0 _name)
  list(GET _command 1 _program)
  if(EXISTS "$ENV{DESTDIR}${_prefix}/${_program}")
    file(CREATE_LINK "${_prefix}/${_program}" "${_tool_links}/${_name}" SYMBOLIC)
    list(APPEND _tool_names "${_name}")
  endif()
endforeach()
if(_cpack STREQUAL "DEB" AND NOT _tool_names STREQUAL "")
  file(INSTALL "${_tool_links}/" DESTINATION "/usr/bin" USE_SOURCE_PERMISSIONS)
endif()

# --- orvant-web's systemd unit ---------------------------------------------
# Installed disabled: nothing enables it but the administrator. The package
# puts it where systemd looks; any other install beside the programs, for
# "systemctl link".
if(EXISTS "${_destdir}${_prefix}/orvant-web")
  file(READ "${ORVANT_PACKAGING_DIR}/systemd/orvant-web.service.in" _unit)
  string(REPLACE "@ORVANT_WEB_PROGRAM@" "${_exec_quote}${_prefix}/orvant-web${_exec_quote}" _unit "${_unit}")
  file(WRITE "${_work}/orvant-web.service" "${_unit}")
  if(_cpack STREQUAL "DEB")
    set(_unit_dir "/lib/systemd/system")
  else()
    set(_unit_dir "${_prefix}/share/systemd")
  endif()
  file(INSTALL "${_work}/orvant-web.service" DESTINATION "${_unit_dir}"
       FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
endif()

if(_staged)
  if(_cpack STREQUAL "")
    message(STATUS "orvant: staged install (DESTDIR): no database and no capability made; the package's post-install step must run: ${_prefix}/libexec/orvant-setup ${_prefix}")
  endif()
  return()
endif()

# --- menu links for an install to /opt -------------------------------------
# The desktop's menu reads /usr/share and /usr/local/share, not /opt:
# link the entries and icons into /usr/local/share (recorded in the install
# manifest, so `xargs rm < install_manifest.txt` removes them too).
if(DEFINED ENV{ORVANT_MENU_PREFIX})
  set(_menu "$ENV{ORVANT_MENU_PREFIX}")
elseif(_system_opt)
  set(_menu "/usr/local")
else()
  set(_menu "")
endif()
if(NOT _menu STREQUAL "")
  set(_links "")
  foreach(_app IN LISTS _apps)
    list(APPEND _links "applications/${_app}.desktop" "icons/hicolor/scalable/apps/${_app}.svg")
    foreach(_size IN LISTS _icon_sizes)
      list(APPEND _links "icons/hicolor/${_size}x${_size}/apps/${_app}.png")
    endforeach()
  endforeach()
  foreach(_link IN LISTS _links)
    get_filename_component(_dir "${_menu}/share/${_link}" DIRECTORY)
    file(MAKE_DIRECTORY "${_dir}")
    file(CREATE_LINK "${_share}/${_link}" "${_menu}/share/${_link}" RESULT _link_error SYMBOLIC)
    if(_link_error)
      message(WARNING "orvant: could not link ${_menu}/share/${_link}: ${_link_error}")
    else()
      list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${_menu}/share/${_link}")
    endif()
  endforeach()
  message(STATUS "orvant: menu entries and icons linked into ${_menu}/share")
else()
  message(STATUS "orvant: menu entries are in ${_share}/applications; to see them in the menu, link them into ~/.local/share/applications (see README)")
endif()

if(DEFINED ENV{ORVANT_TOOLS_PREFIX})
  set(_tools_prefix "$ENV{ORVANT_TOOLS_PREFIX}")
elseif(_system_opt)
  set(_tools_prefix "/usr/local")
else()
  set(_tools_prefix "")
endif()
if(NOT _tools_prefix STREQUAL "" AND NOT _tool_names STREQUAL "")
  file(MAKE_DIRECTORY "${_tools_prefix}/bin")
  foreach(_name IN LISTS _tool_names)
    file(READ_SYMLINK "${_tool_links}/${_name}" _target)
    file(CREATE_LINK "${_target}" "${_tools_prefix}/bin/${_name}" RESULT _link_error SYMBOLIC)
    if(_link_error)
      message(WARNING "orvant: could not link ${_tools_prefix}/bin/${_name}: ${_link_error}")
    else()
      list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${_tools_prefix}/bin/${_name}")
    endif()
  endforeach()
  message(STATUS "orvant: command-line tools linked into ${_tools_prefix}/bin")
endif()

# --- database and echo probe -----------------------------------------------
if(DEFINED ENV{ORVANT_DATA_DIR})
  set(_data_dir "$ENV{ORVANT_DATA_DIR}")
elseif(_system_opt)
  set(_data_dir "${ORVANT_PACKAGE_DATA_DIR}")
else()
  set(_data_dir "")
endif()
set(_setup_args "")
if(NOT _data_dir STREQUAL "")
  set(_setup_args --data-dir "${_data_dir}" --group users)
endif()
execute_process(COMMAND "${_prefix}/libexec/orvant-setup" ${_setup_args} "${_prefix}"
                RESULT_VARIABLE _setup_rc)
if(NOT _setup_rc EQUAL 0)
  message(FATAL_ERROR "orvant: ${_prefix}/libexec/orvant-setup failed (${_setup_rc}): no database was made")
endif()

