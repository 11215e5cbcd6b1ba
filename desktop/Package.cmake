# The Debian package, vornal3_<version>-<release>_<arch>.deb, as scripts/package.sh makes it
# with CPack: what cmake --install installs, under /usr, with the Debian changelog beside the
# copyright. The libraries it needs are found by dpkg-shlibdeps; the toolkit loads the X11
# platform plugin at run time, so that package is named by hand.
add_custom_command(OUTPUT changelog.Debian.gz
    COMMAND gzip -9 -n -c ${CMAKE_CURRENT_SOURCE_DIR}/changelog.Debian > changelog.Debian.gz
    DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/changelog.Debian
    COMMENT "Compressing the Debian changelog")
add_custom_target(vornal_debian_changelog ALL DEPENDS changelog.Debian.gz)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/changelog.Debian.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/vornal3 COMPONENT debian EXCLUDE_FROM_ALL)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vornal3)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Vornal Software")
set(CPACK_PACKAGE_CONTACT "Vornal Software <packages@vornal.net>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "screen-capture utility that opens every clipboard picture in a window")
set(CPACK_PACKAGE_DESCRIPTION
    "Vornal3 is a small screen-capture utility to leave open while you work or play.
Every time a picture lands on the clipboard (press Print Screen, or copy any
image), it opens the picture in a new numbered window inside its main window
and empties the clipboard. In each capture window the picture can be panned,
cropped, reset to the capture as it arrived, and saved as a BMP file.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
# Everything cmake --install installs, and the package's own documentation.
set(CPACK_INSTALL_CMAKE_PROJECTS
    "${PROJECT_BINARY_DIR};${PROJECT_NAME};ALL;/"
    "${PROJECT_BINARY_DIR};${PROJECT_NAME};debian;/")
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${VORNAL_HOMEPAGE})
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS qt6-qpa-plugins)
# The face the windows were laid out for, metric-compatible with it.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS fonts-liberation)
include(CPack)
