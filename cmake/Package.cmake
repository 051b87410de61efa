# Installation under a prefix (/usr for the Debian package) and `--target package`, which makes
# fuellwerk_<version>_<arch>.deb with CPack:
#   bin/fuellwerk, bin/fuellwerk-fill
#   share/fuellwerk/       the delivered files, read only: settings template, ProgrammDaten
#                          (word files, definition tables), help, TestDaten (sample table)
#   share/applications/, share/metainfo/, share/icons/hicolor/, share/man/man1/
#   share/doc/fuellwerk/   copyright (machine-readable: the sources and licences of the
#                          delivered data), changelog.gz, and where the data come from
# An installed program finds share/fuellwerk/ beside its bin folder and keeps the user's
# settings and data in the user's own folders (src/core/app/AppFolders.h).
include(GNUInstallDirs)
set(FW_APP_ID de.fuellwerk.Fuellwerk)
set(FW_SHARE_DIR ${CMAKE_INSTALL_DATADIR}/fuellwerk)

# What the package delivers, as the build makes it: the tables fresh from fw-make-tables in a
# folder no run of the program writes to (unlike bin/), the icon files and the compressed
# manual pages.
set(FW_PACKAGE_DATA ${CMAKE_BINARY_DIR}/package-data)
set(FW_MAN_PAGES fuellwerk.1 fuellwerk-fill.1)
set(FW_MAN_OUTPUTS)
foreach(page ${FW_MAN_PAGES})
  add_custom_command(OUTPUT ${FW_PACKAGE_DATA}/man/${page}.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${FW_PACKAGE_DATA}/man
    COMMAND gzip -9 -n -c ${CMAKE_SOURCE_DIR}/packaging/${page} > ${FW_PACKAGE_DATA}/man/${page}.gz
    DEPENDS ${CMAKE_SOURCE_DIR}/packaging/${page}
    COMMENT "Compressing the manual page ${page}" VERBATIM)
  list(APPEND FW_MAN_OUTPUTS ${FW_PACKAGE_DATA}/man/${page}.gz)
endforeach()
# The package is native (its packaging lives in this tree, the version has no Debian
# revision), so its Debian changelog is changelog.gz, not changelog.Debian.gz.
add_custom_command(OUTPUT ${FW_PACKAGE_DATA}/doc/changelog.gz
  COMMAND ${CMAKE_COMMAND} -E make_directory ${FW_PACKAGE_DATA}/doc
  COMMAND gzip -9 -n -c ${CMAKE_SOURCE_DIR}/packaging/changelog > ${FW_PACKAGE_DATA}/doc/changelog.gz
  DEPENDS ${CMAKE_SOURCE_DIR}/packaging/changelog
  COMMENT "Compressing the package's changelog" VERBATIM)
add_custom_command(OUTPUT ${FW_PACKAGE_DATA}/tables.stamp
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${FW_PACKAGE_DATA}/ProgrammDaten ${FW_PACKAGE_DATA}/TestDaten
  COMMAND fw-make-tables ${FW_PACKAGE_DATA}
  COMMAND ${CMAKE_COMMAND} -E touch ${FW_PACKAGE_DATA}/tables.stamp
  DEPENDS fw-make-tables
  COMMENT "Writing the delivered tables for the package" VERBATIM)
add_custom_command(OUTPUT ${FW_PACKAGE_DATA}/icons.stamp
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${FW_PACKAGE_DATA}/icons
  COMMAND fw-render-icons ${FW_PACKAGE_DATA}/icons ${FW_APP_ID}
  COMMAND ${CMAKE_COMMAND} -E touch ${FW_PACKAGE_DATA}/icons.stamp
  DEPENDS fw-render-icons
  COMMENT "Drawing the icon files" VERBATIM)
add_custom_target(package_data ALL DEPENDS
  ${FW_PACKAGE_DATA}/tables.stamp ${FW_PACKAGE_DATA}/icons.stamp ${FW_MAN_OUTPUTS}
  ${FW_PACKAGE_DATA}/doc/changelog.gz)

install(TARGETS fuellwerk fuellwerk-fill RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${CMAKE_SOURCE_DIR}/data/FUELLWERK.INI DESTINATION ${FW_SHARE_DIR})
install(DIRECTORY ${CMAKE_SOURCE_DIR}/data/ProgrammDaten ${CMAKE_SOURCE_DIR}/data/help
                  ${CMAKE_SOURCE_DIR}/data/TestDaten
        DESTINATION ${FW_SHARE_DIR})
install(DIRECTORY ${FW_PACKAGE_DATA}/ProgrammDaten ${FW_PACKAGE_DATA}/TestDaten
        DESTINATION ${FW_SHARE_DIR})
install(DIRECTORY ${FW_PACKAGE_DATA}/icons/ DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/${FW_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/${FW_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${FW_MAN_OUTPUTS} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
# Where the delivered word lists and place data come from, and the licences (ODbL, CC BY,
# Apache 2.0) that ask for their credit to travel with them: in prose, and as Debian's
# machine-readable copyright file.
set(FW_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/fuellwerk)
install(FILES ${CMAKE_SOURCE_DIR}/data/README.md DESTINATION ${FW_DOC_DIR} RENAME Datenquellen.md)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/copyright ${FW_PACKAGE_DATA}/doc/changelog.gz
        DESTINATION ${FW_DOC_DIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME fuellwerk)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Fuellwerk)
set(CPACK_PACKAGE_CONTACT "Fuellwerk <fuellwerk@example.org>" CACHE STRING
    "Maintainer of the Debian package")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "fills dBase (DBF) tables with plausible test data")
set(CPACK_PACKAGE_DESCRIPTION
"Fuellwerk fills existing dBase tables (DBF) with plausible random test data:
names, streets, postal codes, towns, words, numbers, dates and logical values,
by rules set per field in five grids. The user interface is German.
Tables of dBase III/Clipper, dBase IV, dBase 7, FoxPro and Visual FoxPro with
their memo files are supported. fuellwerk-fill does the same job without a
window, for scripts.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
# Shared libraries by dpkg-shlibdeps (dpkg-dev); besides them Qt's platform plugins (the
# window system), Qt's German texts and the font the windows are laid out for.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, qt6-translations-l10n, fonts-liberation2")
# The programs in the package are stripped, as Debian expects; their debug information goes
# into fuellwerk-dbgsym_<version>_<arch>.ddeb beside the package, under
# /usr/lib/debug/.build-id/, where libbacktrace finds it: with it installed, the error box and
# the error log name functions and source lines as the build tree's programs (which keep their
# debug information) do; without it, an error report has no call stack. CPack splits and strips
# only files it finds unstripped, so it must not strip them first itself.
set(CPACK_STRIP_FILES OFF)
set(CPACK_DEBIAN_DEBUGINFO_PACKAGE ON)
include(CPack)
