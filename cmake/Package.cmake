# The Debian package of the X11 program (cpack -G DEB): the hack where XScreenSaver looks for
# hacks, its settings description, the desktop entry by which MATE's and Xfce's screen savers
# find it, its man page, its changelog and the licence as Debian's copyright file.

set(VELLICORD_MAINTAINER "Vellicord2 authors <vellicord2@example.org>"
    CACHE STRING "The package's Maintainer: a name and a contact address")

install(TARGETS vellicord2-x11 RUNTIME DESTINATION libexec/xscreensaver)
install(FILES ${PROJECT_SOURCE_DIR}/x11/vellicord2.xml DESTINATION share/xscreensaver/config)
# MATE's and Xfce's screen savers list the desktop entries here with Categories=Screensaver;
# Xfce's takes the settings XML by the entry's base name, so both are vellicord2.
install(FILES ${PROJECT_SOURCE_DIR}/x11/vellicord2.desktop
        DESTINATION share/applications/screensavers)

# The man page carries the project's version; Debian wants it compressed, and reproducibly (-n:
# no name or time stamp inside).
configure_file(${PROJECT_SOURCE_DIR}/x11/vellicord2.6.in ${PROJECT_BINARY_DIR}/vellicord2.6 @ONLY)
set(manpage ${PROJECT_BINARY_DIR}/vellicord2.6.gz)
add_custom_command(OUTPUT ${manpage}
  COMMAND gzip -9n -c ${PROJECT_BINARY_DIR}/vellicord2.6 > ${manpage}
  DEPENDS ${PROJECT_BINARY_DIR}/vellicord2.6 VERBATIM)
add_custom_target(vellicord2-manpage ALL DEPENDS ${manpage})
install(FILES ${manpage} DESTINATION share/man/man6)

# The copyright file in Debian's machine-readable form, its licence text the LICENSE file's.
file(READ ${PROJECT_SOURCE_DIR}/LICENSE license)
string(REGEX REPLACE "^MIT License\n\nCopyright \\(c\\) [^\n]*\n\n" "" license_body "${license}")
string(REGEX REPLACE "\n$" "" license_body "${license_body}")
string(REGEX REPLACE "\n\n" "\n.\n" license_body "${license_body}")
string(REGEX REPLACE "\n" "\n " license_body "${license_body}")
file(WRITE ${PROJECT_BINARY_DIR}/copyright
"Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/
Upstream-Name: Vellicord2
Comment: The MIT License, as in the LICENSE file of the sources.

Files: *
Copyright: 2026 the Vellicord2 authors
License: Expat
 ${license_body}
")
install(FILES ${PROJECT_BINARY_DIR}/copyright DESTINATION share/doc/vellicord2)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vellicord2)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "the Vellicord2 authors")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "trail of coloured curves whose frequencies drift and lock (XScreenSaver hack)")
# Lines within Debian's 80 columns; only the hosts the tests run it under are named.
set(CPACK_PACKAGE_DESCRIPTION
    "Vellicord2 draws a trail of closed curves, the cosine against the sine of
one parameter with two slowly drifting frequencies that lock whenever their
ratio passes near a small whole-number ratio. It runs under XScreenSaver,
MATE's screen saver and xsecurelock, and in a window of its own; the figure
is that of the Vellicord2 screen saver for Windows, pixel for pixel.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/package)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${VELLICORD_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION x11)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xscreensaver | xsecurelock")
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS OFF)
set(CPACK_VELLICORD_SOURCE_DIR ${PROJECT_SOURCE_DIR})
set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_SOURCE_DIR}/cmake/CPackProjectConfig.cmake)
set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/DebStaging.cmake)
include(CPack)
