# Installation and the Debian package.
#
# `cmake --install` lays out ONE program directory, the install prefix
# (/opt/orvant unless the user chose another):
#
#   orvant admin grapher libveltrack.so.1*   the programs and the control library
#   ping_addr.mdb                            made only when none is there (file,
#                                            or link into a data directory)
#   plugins/designer/libveltrack_designer.so Qt Designer plugin (installed by slider/)
#   translations/orvant_en.qm              the English texts
#   orvant-export, orvant-import, …          command-line tools, linked into a bin
#                                            directory of the PATH (/usr/bin by the
#                                            package), as is libexec/orvant-mkdb;
#                                            orvant, admin and grapher are linked
#                                            there as orvant, orvant-admin and
#                                            orvant-grapher
#   libexec/orvant-mkdb, libexec/orvant-setup
#   share/applications/*.desktop, share/icons/hicolor/…
#
# The database is never an installed file: packaging/orvant-setup.sh makes it
# after the files are in place (by cmake --install, or by the package's
# postinst), and only where none exists, so no install, upgrade or removal
# can overwrite or delete the operator's history.
#
# `cpack` (generator DEB) stages the same rules under /opt/orvant, with the
# menu entries and icons in /usr/share where the desktop finds them.
include_guard(GLOBAL)

# /opt/orvant when the user did not choose a prefix: also for build trees
# configured before this module existed, whose cache holds CMake's own
# default (recognised by CMake's own help text, which a -D from the user
# replaces).
get_property(_orvant_prefix_help CACHE CMAKE_INSTALL_PREFIX PROPERTY HELPSTRING)
if(CMAKE_INSTALL_PREFIX_INITIALIZED_TO_DEFAULT
   OR (CMAKE_INSTALL_PREFIX STREQUAL "/usr/local"
       AND _orvant_prefix_help STREQUAL "Install path prefix, prepended onto install directories."))
  set(CMAKE_INSTALL_PREFIX "/opt/orvant" CACHE PATH
      "The program directory: programs, library and database side by side" FORCE)
endif()

set(ORVANT_PACKAGING_DIR "${CMAKE_SOURCE_DIR}/packaging")
set(ORVANT_PACKAGE_PREFIX "/opt/orvant")
# Variable data of an /opt package lives in /var/opt (FHS). The package keeps
# the database there, writable by the group users, and links it into the
# program directory.
set(ORVANT_PACKAGE_DATA_DIR "/var/opt/orvant")

# --- the program directory -------------------------------------------------
# A monitor with cap_net_raw runs in the loader's secure mode, which ignores
# $ORIGIN: an absolute entry for the program directory lets it still find
# libveltrack.so.1. The install steps rewrite it when installing elsewhere.
set_property(TARGET orvant PROPERTY INSTALL_RPATH "\$ORIGIN" "${CMAKE_INSTALL_PREFIX}")

install(TARGETS orvant admin grapher orvant-export orvant-import orvant-alert orvant-vantage RUNTIME DESTINATION .)
# The status page and metrics server; its systemd unit is an install step.
install(TARGETS orvant-web RUNTIME DESTINATION .)
# slider/ installs libveltrack.so.1 beside the programs and the Designer
# plugin into plugins/designer (QT_PLUGIN_PATH=<prefix>/plugins designer).
install(TARGETS orvant-mkdb RUNTIME DESTINATION libexec)
# The English texts, where the programs (and, from libexec, the tools) look.
install(FILES ${ORVANT_QM_FILES} DESTINATION translations)
install(PROGRAMS "${ORVANT_PACKAGING_DIR}/orvant-setup.sh" DESTINATION libexec RENAME orvant-setup)

# --- manual pages ----------------------------------------------------------
# gzip -9n: compressed as Debian policy wants, without a time stamp so that
# two builds give the same bytes. orvant-export's page only with the tool.
set(ORVANT_MAN_PAGES orvant orvant-admin orvant-grapher orvant-mkdb)
if(TARGET orvant-export)
  list(APPEND ORVANT_MAN_PAGES orvant-export)
endif()
if(TARGET orvant-import)
  list(APPEND ORVANT_MAN_PAGES orvant-import)
endif()
if(TARGET orvant-alert)
  list(APPEND ORVANT_MAN_PAGES orvant-alert)
endif()
if(TARGET orvant-vantage)
  list(APPEND ORVANT_MAN_PAGES orvant-vantage)
endif()
if(TARGET orvant-web)
  list(APPEND ORVANT_MAN_PAGES orvant-web)
endif()
set(_orvant_man_gz "")
foreach(_page IN LISTS ORVANT_MAN_PAGES)
  set(_src "${ORVANT_PACKAGING_DIR}/man/${_page}.1")
  set(_gz "${CMAKE_BINARY_DIR}/packaging/man/${_page}.1.gz")
  add_custom_command(OUTPUT "${_gz}"
    COMMAND ${CMAKE_COMMAND} -E make_directory "${CMAKE_BINARY_DIR}/packaging/man"
    COMMAND sh -c "gzip -9n -c \"$1\" > \"$2\"" gzip "${_src}" "${_gz}"
    DEPENDS "${_src}"
    COMMENT "Manual page ${_page}(1)"
    VERBATIM)
  list(APPEND _orvant_man_gz "${_gz}")
endforeach()
# The package's Debian changelog, compressed the same way.
set(_orvant_changelog_gz "${CMAKE_BINARY_DIR}/packaging/deb/changelog.Debian.gz")
add_custom_command(OUTPUT "${_orvant_changelog_gz}"
  COMMAND ${CMAKE_COMMAND} -E make_directory "${CMAKE_BINARY_DIR}/packaging/deb"
  COMMAND sh -c "gzip -9n -c \"$1\" > \"$2\"" gzip "${ORVANT_PACKAGING_DIR}/deb/changelog" "${_orvant_changelog_gz}"
  DEPENDS "${ORVANT_PACKAGING_DIR}/deb/changelog"
  VERBATIM)
add_custom_target(manpages ALL DEPENDS ${_orvant_man_gz} "${_orvant_changelog_gz}")

# --- menu entries, icons, metainfo, manual pages, RUNPATH, database, capability
# These depend on the prefix and DESTDIR of the install run, not of the
# configure run, so a script does them at install time.
install(CODE "
set(ORVANT_CONFIGURED_PREFIX [[${CMAKE_INSTALL_PREFIX}]])
set(ORVANT_PACKAGING_DIR [[${ORVANT_PACKAGING_DIR}]])
set(ORVANT_INSTALL_WORK_DIR [[${CMAKE_BINARY_DIR}/packaging]])
set(ORVANT_PACKAGE_DATA_DIR [[${ORVANT_PACKAGE_DATA_DIR}]])
set(ORVANT_MAN_PAGE_FILES [[${_orvant_man_gz}]])
set(ORVANT_DEB_CHANGELOG [[${_orvant_changelog_gz}]])
")
install(SCRIPT "${ORVANT_PACKAGING_DIR}/install-steps.cmake")

# --- the Debian package ----------------------------------------------------
foreach(_orvant_script postinst prerm postrm)
  configure_file("${ORVANT_PACKAGING_DIR}/deb/${_orvant_script}.in"
                 "${CMAKE_BINARY_DIR}/packaging/deb/${_orvant_script}" @ONLY)
endforeach()

set(CPACK_GENERATOR "DEB")
set(CPACK_PACKAGE_NAME "orvant")
set(CPACK_PACKAGE_VENDOR "Orvant")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "host reachability monitor with an outage log")
set(CPACK_PACKAGING_INSTALL_PREFIX "${ORVANT_PACKAGE_PREFIX}")
set(CPACK_STRIP_FILES TRUE)
set(CPACK_PROJECT_CONFIG_FILE "${ORVANT_PACKAGING_DIR}/cpack-project.cmake")
set(CPACK_DEBIAN_FILE_NAME "DEB-DEFAULT")
set(CPACK_DEBIAN_PACKAGE_RELEASE "1")
set(CPACK_DEBIAN_PACKAGE_SECTION "net")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Orvant developers <orvant@users.noreply.github.com>")
# CPack puts the summary in front and indents the lines.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
"Orvant probes a list of network hosts with ICMP echo at a fixed interval
and records every loss of connection, its begin and its end, in an SQLite
database. The monitor sits in the system tray and alerts with sounds and
its window; admin edits the address book and the settings and lists the
log; grapher shows at which times of day a host tends to fail.

The programs live in /opt/orvant; the database in /var/opt/orvant is kept
on upgrade, removal and purge.")
# Library dependencies from the binaries. Qt's plugins and translations and
# the sounds are loaded at run time, so no library scan finds them: the
# SQLite driver, the X11 platform plugin, Qt's own Russian texts for its
# dialogs and buttons, the freedesktop sound theme the default settings name,
# xdg-open for admin's "open the database" and setcap for the postinst.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS "${ORVANT_BIN_DIR}")
set(CPACK_DEBIAN_PACKAGE_DEPENDS
  "libqt6sql6-sqlite, qt6-qpa-plugins, qt6-translations-l10n, sound-theme-freedesktop, xdg-utils, libcap2-bin")
# sqlite3 for backups; Qt Designer for the sliders' Designer plugin; Qt's
# PostgreSQL driver for a database on a server (orvant.conf).
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "sqlite3, designer-qt6, libqt6sql6-psql")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
  "${CMAKE_BINARY_DIR}/packaging/deb/postinst"
  "${CMAKE_BINARY_DIR}/packaging/deb/prerm"
  "${CMAKE_BINARY_DIR}/packaging/deb/postrm")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)
include(CPack)
