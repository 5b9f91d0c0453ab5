# Installing as a desktop program: the program with its metafile helper, the teacher's window and
# tools in bin/, the shipped start directory in share/ortus/start/, a menu entry for each window
# with their icon, the launcher that the menu entries run, and the copyright file. `cpack -G DEB`
# (`make package`) turns the same rules into a Debian package.
include(GNUInstallDirs)

# The programs find the metafile helper beside themselves.
install(TARGETS ortus ortus-metafile ortus-teacher RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
foreach(tool ortus-bank ortus-results)
    if(TARGET ${tool})
        install(TARGETS ${tool} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    endif()
endforeach()
# The launcher finds the program and the start directory relative to itself.
install(PROGRAMS ${CMAKE_SOURCE_DIR}/scripts/ortus-launcher DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY ${CMAKE_SOURCE_DIR}/data/ DESTINATION ${CMAKE_INSTALL_DATADIR}/ortus/start)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/ortus.desktop
    ${CMAKE_SOURCE_DIR}/packaging/ortus-teacher.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
# GPL-2.0-or-later, in Debian's machine-readable copyright format.
install(FILES ${CMAKE_SOURCE_DIR}/packaging/copyright
    DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/ortus)

# The icon is drawn by the program's own code, in the sizes of the hicolor theme.
set(ORTUS_ICON_SIZES 16 22 24 32 48 64 128 256)
set(ORTUS_ICON_DIR ${CMAKE_BINARY_DIR}/icons)
set(ORTUS_ICONS)
foreach(size ${ORTUS_ICON_SIZES})
    list(APPEND ORTUS_ICONS ${ORTUS_ICON_DIR}/${size}x${size}/apps/ortus.png)
endforeach()
add_custom_command(OUTPUT ${ORTUS_ICONS}
    COMMAND ortus-make-icons ${ORTUS_ICON_DIR} ${ORTUS_ICON_SIZES}
    DEPENDS ortus-make-icons
    COMMENT "Drawing the program's icons")
add_custom_target(ortus-icons ALL DEPENDS ${ORTUS_ICONS})
foreach(size ${ORTUS_ICON_SIZES})
    install(FILES ${ORTUS_ICON_DIR}/${size}x${size}/apps/ortus.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()

# Packaging takes the files as built: `make package` builds first, and the package test must not
# rebuild the tree while other tests run.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ortus)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Ortus Developers")
set(CPACK_PACKAGE_CONTACT "Ortus Developers <dev@ortus.local>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION education)
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "timed multiple-choice tests for school pupils
Ортус 2000 is a desktop quiz program: a pupil registers with a name, a grade
(5 to 11) and a group, answers a timed series of questions drawn from the
question bank of the grade and sees the score, which is added to a results
log that the teacher reads. The interface is in Russian.

The package also holds the teacher's window ortus-teacher, which edits the
question banks, checks them as they are typed and shows each question as the
pupil will see it, and the teacher's command-line tools for question banks
and results logs.")
# The libraries come from dpkg-shlibdeps, the metafile libraries through the helper; the fonts
# stand in for the ones the windows name. The quiz runs on Qt's X platform (xcb), also on a Wayland
# session, where Xwayland serves it: Debian ships that plugin in libqt6gui6, which no library
# lookup would name for a plugin. Only a Wayland session without Xwayland needs Qt's Wayland
# platform.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-liberation, fonts-urw-base35, libqt6gui6 (>= 6.4)")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xwayland")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "qt6-wayland")
include(CPack)

# Builds the package and installs into a temporary folder to check both; it needs a normal build,
# since dpkg-shlibdeps and the stripped binaries know nothing of the sanitizer runtime.
if(BUILD_TESTING AND NOT ORTUS_SANITIZE AND NOT ORTUS_FUZZ)
    add_test(NAME packaging/check-package
        COMMAND sh ${CMAKE_SOURCE_DIR}/scripts/check-package.sh ${CMAKE_BINARY_DIR}
            ${PROJECT_VERSION})
    set_tests_properties(packaging/check-package PROPERTIES
        LABELS packaging
        TIMEOUT 600)
endif()
