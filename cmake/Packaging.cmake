# Install rules and the Debian package: `make package` writes
# quilo_<version>_amd64.deb at the top of the build folder.
include(GNUInstallDirs)

set(QUILO_DOCDIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/quilo)
set(QUILO_PKG ${PROJECT_SOURCE_DIR}/packaging)
set(QUILO_PKG_OUT ${PROJECT_BINARY_DIR}/packaging)
# A packager's umask must not leak into the package's folders.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

install(TARGETS quilo-report quilo-import quilo-serve RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET quilo)
  install(TARGETS quilo RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${QUILO_PKG}/org.quilo.Quilo.desktop DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/applications)
  install(FILES ${QUILO_PKG}/org.quilo.Quilo.svg DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor/scalable/apps)
  install(FILES ${QUILO_PKG}/org.quilo.Quilo.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/metainfo)
endif()

# Debian wants the changelog and the manual pages compressed without a name or time
# stamp (gzip -9n), so the package is the same whenever it is built.
function(quilo_gzip in out)
  add_custom_command(OUTPUT ${out}
    COMMAND sh -c "gzip -9n -c \"$1\" > \"$2\"" quilo_gzip ${in} ${out}
    DEPENDS ${in} VERBATIM)
endfunction()

# The changelog and the AppStream release record the version by hand: they must name
# the project's, which the package and the programs carry.
file(STRINGS ${QUILO_PKG}/changelog quilo_changelog_top LIMIT_COUNT 1)
file(READ ${QUILO_PKG}/org.quilo.Quilo.metainfo.xml quilo_metainfo)
string(FIND "${quilo_metainfo}" "<release version=\"${PROJECT_VERSION}\"" quilo_release_at)
if(NOT quilo_changelog_top MATCHES "^quilo \\(${PROJECT_VERSION}\\)" OR quilo_release_at EQUAL -1)
  message(FATAL_ERROR "packaging/changelog and the metainfo's releases must name version ${PROJECT_VERSION}")
endif()
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
  ${QUILO_PKG}/changelog ${QUILO_PKG}/org.quilo.Quilo.metainfo.xml)

set(quilo_docs ${QUILO_PKG_OUT}/changelog.gz)
quilo_gzip(${QUILO_PKG}/changelog ${QUILO_PKG_OUT}/changelog.gz)

find_program(QUILO_PANDOC pandoc)
if(QUILO_PANDOC)
  foreach(page quilo quilo-report quilo-import quilo-serve)
    add_custom_command(OUTPUT ${QUILO_PKG_OUT}/man/${page}.1
      COMMAND ${CMAKE_COMMAND} -E make_directory ${QUILO_PKG_OUT}/man
      COMMAND ${QUILO_PANDOC} --standalone --to man -M "footer=Quilo ${PROJECT_VERSION}"
              ${PROJECT_SOURCE_DIR}/docs/man/${page}.1.md -o ${QUILO_PKG_OUT}/man/${page}.1
      DEPENDS ${PROJECT_SOURCE_DIR}/docs/man/${page}.1.md VERBATIM)
    quilo_gzip(${QUILO_PKG_OUT}/man/${page}.1 ${QUILO_PKG_OUT}/man/${page}.1.gz)
    list(APPEND quilo_docs ${QUILO_PKG_OUT}/man/${page}.1 ${QUILO_PKG_OUT}/man/${page}.1.gz)
    install(FILES ${QUILO_PKG_OUT}/man/${page}.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  endforeach()
else()
  message(WARNING "pandoc not found: the manual pages are not built (scripts/install-deps.sh installs it)")
endif()
add_custom_target(quilo_package_docs ALL DEPENDS ${quilo_docs})

install(FILES ${QUILO_PKG}/copyright ${QUILO_PKG_OUT}/changelog.gz DESTINATION ${QUILO_DOCDIR})
install(FILES ${PROJECT_SOURCE_DIR}/docs/guide.md ${PROJECT_SOURCE_DIR}/docs/guide.ja.md DESTINATION ${QUILO_DOCDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/guide/ DESTINATION ${QUILO_DOCDIR}/guide FILES_MATCHING PATTERN "*.png")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quilo)
set(CPACK_PACKAGE_VENDOR "The Quilo developers")
set(CPACK_PACKAGE_CONTACT "The Quilo developers <quilo@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "results station for orienteering events with E-cards")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
"Quilo runs on one PC at the finish of an orienteering event, beside the
software that reads the competitors' E-cards. From the event folder's course
file, start list and finish read log it checks every card against its course,
ranks each class and shows who is still out in the forest. Its window speaks
Japanese.

The operator corrects results by hand (absent, late start, a time or a result
code set by hand, spare cards); every correction is kept in the event folder.
Quilo writes the results file, the list of competitors not yet returned, an
IOF XML 3.0 result list with split times and a results page for phones and
print. quilo-report does the same without a window. quilo-import creates the
course file and the start list from the IOF XML 3.0 course data and start or
entry list of the course-setting and entry software.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The window needs a Japanese font and the X11 platform plugin, which the Qt
# libraries only recommend.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-ipafont-gothic, qt6-qpa-plugins, qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(CPack)
