# cmake --install copies the assembled program folder under the prefix, with a launcher
# link in bin/, a desktop entry and an application icon.
include(GNUInstallDirs)
install(DIRECTORY ${FRAGDECK_DIR}/ DESTINATION ${CMAKE_INSTALL_LIBDIR}/fragdeck USE_SOURCE_PERMISSIONS)
install(CODE "
    file(MAKE_DIRECTORY \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
    foreach(prog fragdeck fragdeck-query fragdeck-demo)
        if(EXISTS \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_LIBDIR}/fragdeck/\${prog}\")
            file(CREATE_LINK ../${CMAKE_INSTALL_LIBDIR}/fragdeck/\${prog}
                 \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/\${prog}\" SYMBOLIC)
        endif()
    endforeach()
")
install(FILES ${CMAKE_SOURCE_DIR}/launcher/data/fragdeck.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications OPTIONAL)
install(FILES ${CMAKE_SOURCE_DIR}/launcher/data/fragdeck.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/128x128/apps OPTIONAL)
