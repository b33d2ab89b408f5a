# The Debian package: `cpack --preset package` after the package preset's build
# (scripts/package does it all).

set(MORROWFANE_PACKAGE_MAINTAINER "MorrowFane developers <morrowfane@users.noreply.github.com>"
    CACHE STRING "Maintainer of the Debian package, as Name <address>")
set(MORROWFANE_HOMEPAGE "https://github.com/morrowfane/MorrowFane")
set(package_doc_dir ${CMAKE_INSTALL_DATADIR}/doc/morrowfane)

# LICENSE in Debian's machine-readable copyright format: the licence text after the copyright line,
# indented by one space, with an empty line written as " .".
file(STRINGS ${PROJECT_SOURCE_DIR}/LICENSE license_lines)
list(GET license_lines 2 MORROWFANE_COPYRIGHT)
string(REGEX REPLACE "^Copyright \\(c\\) " "" MORROWFANE_COPYRIGHT "${MORROWFANE_COPYRIGHT}")
set(MORROWFANE_LICENSE_TEXT "")
list(SUBLIST license_lines 4 -1 license_body)
foreach(line IN LISTS license_body)
  if(line STREQUAL "")
    string(APPEND MORROWFANE_LICENSE_TEXT " .\n")
  else()
    string(APPEND MORROWFANE_LICENSE_TEXT " ${line}\n")
  endif()
endforeach()
string(STRIP "${MORROWFANE_LICENSE_TEXT}" MORROWFANE_LICENSE_TEXT)
string(PREPEND MORROWFANE_LICENSE_TEXT " ")
configure_file(${PROJECT_SOURCE_DIR}/cmake/debian/copyright.in
               ${PROJECT_BINARY_DIR}/debian/copyright @ONLY)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/LICENSE)

set(changelog ${PROJECT_BINARY_DIR}/debian/changelog.gz)
add_custom_command(OUTPUT ${changelog}
  COMMAND sh -c "gzip -9nc \"$1\" > \"$2\"" sh ${PROJECT_SOURCE_DIR}/cmake/debian/changelog
          ${changelog}
  DEPENDS ${PROJECT_SOURCE_DIR}/cmake/debian/changelog
  VERBATIM)
add_custom_target(morrowfane_changelog ALL DEPENDS ${changelog})
install(FILES ${PROJECT_BINARY_DIR}/debian/copyright ${changelog} DESTINATION ${package_doc_dir})

set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME morrowfane)
set(CPACK_PACKAGE_VENDOR "MorrowFane developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "reference notes for tuning a guitar by ear")
# Debian shows the description as it stands: lines kept under 80 characters.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
  "MorrowFane plays the reference note of each string of a six-string guitar,"
  "once or struck again and again, through its built-in synthesizer or an"
  "external MIDI port. An options dialog chooses the tuning by its root note,"
  "the repeat rate, the output device and the General MIDI instrument."
  "The built-in synthesizer measures and corrects the pitch of the SoundFont's"
  "notes, so every reference note is in tune.")
set(CPACK_PACKAGE_CONTACT "${MORROWFANE_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_INSTALL_DIRECTORY /usr)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${MORROWFANE_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${MORROWFANE_HOMEPAGE}")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt's own translations put its dialogs' buttons and menus in the user's language too.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fluid-soundfont-gm, qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS timgm6mb-soundfont)
include(CPack)
