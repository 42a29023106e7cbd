# cmake --install puts the program folder in PREFIX/lib/fragdeck, with links to its
# programs in PREFIX/bin, their manual pages, a desktop entry, AppStream metainfo and an
# application icon. The folder is named outright: GNUInstallDirs would make it
# lib/x86_64-linux-gnu/fragdeck under /usr.
include(GNUInstallDirs)
set(FRAGDECK_INSTALL_DIR lib/fragdeck)

# The programs and libraries the build writes into the program folder. They are built with
# their relative INSTALL_RPATH, so the folder runs wherever it is copied (the linker's own
# run path would name the build folder), and installed as targets, so a stripping install
# strips them; the rest of the folder is data.
function(fragdeck_program_folder_targets dir out)
    set(found)
    get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
    foreach(t ${targets})
        get_target_property(type ${t} TYPE)
        get_target_property(excluded ${t} EXCLUDE_FROM_ALL)
        if(excluded)
            continue()
        endif()
        if(type STREQUAL "EXECUTABLE")
            get_target_property(where ${t} RUNTIME_OUTPUT_DIRECTORY)
        elseif(type STREQUAL "SHARED_LIBRARY" OR type STREQUAL "MODULE_LIBRARY")
            get_target_property(where ${t} LIBRARY_OUTPUT_DIRECTORY)
        else()
            continue()
        endif()
        if(where STREQUAL FRAGDECK_DIR OR where MATCHES "^${FRAGDECK_DIR}/")
            list(APPEND found ${t})
        endif()
    endforeach()
    get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
    foreach(sub ${subdirs})
        fragdeck_program_folder_targets(${sub} in_sub)
        list(APPEND found ${in_sub})
    endforeach()
    set(${out} ${found} PARENT_SCOPE)
endfunction()

fragdeck_program_folder_targets(${CMAKE_SOURCE_DIR} fragdeck_binaries)
set(binary_patterns)
foreach(t ${fragdeck_binaries})
    get_target_property(type ${t} TYPE)
    get_target_property(name ${t} OUTPUT_NAME)
    if(NOT name)
        set(name ${t})
    endif()
    if(type STREQUAL "EXECUTABLE")
        get_target_property(where ${t} RUNTIME_OUTPUT_DIRECTORY)
        set(file ${name}${CMAKE_EXECUTABLE_SUFFIX})
    else()
        get_target_property(where ${t} LIBRARY_OUTPUT_DIRECTORY)
        if(type STREQUAL "SHARED_LIBRARY")
            set(kind LIBRARY)
        else()
            set(kind MODULE)
        endif()
        get_target_property(prefix ${t} PREFIX)
        get_target_property(suffix ${t} SUFFIX)
        if(prefix STREQUAL "prefix-NOTFOUND")
            set(prefix ${CMAKE_SHARED_${kind}_PREFIX})
        endif()
        if(suffix STREQUAL "suffix-NOTFOUND")
            set(suffix ${CMAKE_SHARED_${kind}_SUFFIX})
        endif()
        set(file ${prefix}${name}${suffix})
    endif()
    file(RELATIVE_PATH sub ${FRAGDECK_DIR} ${where})
    set_target_properties(${t} PROPERTIES BUILD_WITH_INSTALL_RPATH ON)
    install(TARGETS ${t}
        RUNTIME DESTINATION ${FRAGDECK_INSTALL_DIR}/${sub}
        LIBRARY DESTINATION ${FRAGDECK_INSTALL_DIR}/${sub})
    string(REGEX REPLACE "([][+.*()^$?|\\\\])" "\\\\\\1" path_re "${where}/${file}")
    list(APPEND binary_patterns REGEX "^${path_re}$" EXCLUDE)
endforeach()

# Data files: readable by everyone, writable by nobody but the owner (root, installed).
install(DIRECTORY ${FRAGDECK_DIR}/ DESTINATION ${FRAGDECK_INSTALL_DIR}
    FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ
    DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                          WORLD_READ WORLD_EXECUTE
    ${binary_patterns})

# The programs a user runs by name, as relative links into the program folder (the
# programs find the folder through their own resolved path).
install(CODE "
    set(bin \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
    file(MAKE_DIRECTORY \"\${bin}\")
    foreach(prog fragdeck fragdeck-query fragdeck-demo)
        message(STATUS \"Installing: \${bin}/\${prog}\")
        file(CREATE_LINK ../${FRAGDECK_INSTALL_DIR}/\${prog} \"\${bin}/\${prog}\" SYMBOLIC)
    endforeach()
")
# The desktop entry and the AppStream metainfo are named by the application's id.
install(FILES ${CMAKE_SOURCE_DIR}/launcher/data/io.github.fragdeck.Fragdeck.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_SOURCE_DIR}/launcher/data/io.github.fragdeck.Fragdeck.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${FRAGDECK_MAN_PAGES} DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
install(FILES ${CMAKE_SOURCE_DIR}/launcher/data/fragdeck.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/128x128/apps)
