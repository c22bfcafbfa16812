# SPDX-License-Identifier: GPL-3.0-or-later
# What ships: the update feed compiled into the build and the files `cmake --install` puts in
# place besides the binary (installed by src/app). debian/ packages that install (scripts/package).
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
install(FILES ${PROJECT_SOURCE_DIR}/data/quillbar.metainfo.xml
    DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo RENAME org.quillbar.Quillbar.metainfo.xml)
install(FILES ${PROJECT_SOURCE_DIR}/data/quillbar.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${PROJECT_SOURCE_DIR}/README.md
    DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/quillbar)
