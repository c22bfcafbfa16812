# What ships: the update feed compiled into the build, the files `cmake --install` puts in place
# besides the binary (installed by src/app), and the Debian package that CPack builds from them.
include(GNUInstallDirs)

# The release feed the updater reads; the setting "UpdateFeedURL" overrides it at run time.
# Empty leaves the "Check for Updates…" command disabled.
set(QUILLBAR_UPDATE_FEED_URL "" CACHE STRING "Address of the release feed (https)")
if(QUILLBAR_UPDATE_FEED_URL AND NOT QUILLBAR_UPDATE_FEED_URL MATCHES
        "^(https://[^/]|http://(127\\.[0-9.]+|localhost|\\[::1\\])[:/])")
    message(FATAL_ERROR "QUILLBAR_UPDATE_FEED_URL must be an https address "
                        "(or http on this machine's loopback, for tests)")
endif()
if(TARGET quillbar_services)
    target_compile_definitions(quillbar_services PRIVATE
        QUILLBAR_UPDATE_FEED_URL="${QUILLBAR_UPDATE_FEED_URL}")
endif()

install(FILES ${PROJECT_SOURCE_DIR}/data/quillbar.desktop
    DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/data/quillbar.svg
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${PROJECT_SOURCE_DIR}/README.md
    DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/quillbar)

set(CPACK_PACKAGE_NAME quillbar)
set(CPACK_PACKAGE_VENDOR "Quillbar")
set(CPACK_PACKAGE_CONTACT "Quillbar developers <quillbar@users.noreply.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_DESCRIPTION
    "Quillbar lives in the tray and gives every virtual desktop a name and an emoji. It follows
 the window manager's desktops under X11, shows the current desktop's emoji and name in the
 tray, switches desktops from its menu and offers a window to rename them. On GNOME its Shell
 extension (quillbar@quillbar.org) serves the workspaces and shows the title in the top bar.")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)

# Libraries come from the binary itself when dpkg-shlibdeps is there (dpkg-dev); the colour emoji
# font is used through fontconfig, so no library names it.
find_program(QUILLBAR_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(QUILLBAR_DPKG_SHLIBDEPS)
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
    set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-noto-color-emoji")
else()
    # The same list by hand, for Debian 12.
    set(CPACK_DEBIAN_PACKAGE_DEPENDS
        "libqt6core6 (>= 6.4), libqt6gui6 (>= 6.4), libqt6widgets6 (>= 6.4), libqt6dbus6 (>= 6.4), \
libqt6network6 (>= 6.4), libicu72, libxcb1, libxcb-ewmh2, libxcb-icccm4, libxcb-randr0, \
libuuid1, libsystemd0, libstdc++6, libc6, fonts-noto-color-emoji")
endif()

include(CPack)
