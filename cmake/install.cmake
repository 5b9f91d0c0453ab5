# Installing as a desktop program: the program, the teacher's window and tools in bin/, the
# metafile helper, which no person runs, in libexec/ortus/, the shipped start directory in
# share/ortus/start/, a menu entry and AppStream metadata for each window with their icon, the
# launcher that the menu entries run, and the manual pages in English and Russian. debian/ splits
# the same tree into the packages `ortus` (the quiz) and `ortus-teacher` (`make package`).

install(TARGETS ortus ortus-teacher RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS ortus-metafile RUNTIME DESTINATION ${ORTUS_HELPER_INSTALL_DIR})
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
install(FILES ${CMAKE_SOURCE_DIR}/packaging/org.example.ortus.metainfo.xml
    ${CMAKE_SOURCE_DIR}/packaging/org.example.ortus.teacher.metainfo.xml
    DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
file(GLOB ORTUS_MAN_PAGES ${CMAKE_SOURCE_DIR}/packaging/man/*.1)
file(GLOB ORTUS_RUSSIAN_MAN_PAGES ${CMAKE_SOURCE_DIR}/packaging/man/ru/*.1)
install(FILES ${ORTUS_MAN_PAGES} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${ORTUS_RUSSIAN_MAN_PAGES} DESTINATION ${CMAKE_INSTALL_MANDIR}/ru/man1)

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

# Builds the packages from a clean copy of the tree into BUILD_DIR/package/ and checks them,
# unpacked into a scratch root. Once per tree: the sanitizer and fuzz builds would only repeat it.
if(BUILD_TESTING AND NOT ORTUS_SANITIZE AND NOT ORTUS_FUZZ)
    add_test(NAME packaging/check-package
        COMMAND sh ${CMAKE_SOURCE_DIR}/packaging/check-package ${CMAKE_BINARY_DIR}
            ${PROJECT_VERSION})
    set_tests_properties(packaging/check-package PROPERTIES
        LABELS packaging
        TIMEOUT 900)
endif()
