# Run by CPack once it has made the package (CPACK_POST_BUILD_SCRIPTS): takes out the
# postinst and postrm CPack wrote only to run ldconfig, and builds the package again from
# the same files. A script that does anything more is kept, and the build stops.
foreach(deb IN LISTS CPACK_PACKAGE_FILES)
    if(NOT deb MATCHES "\\.deb$")
        continue()
    endif()
    set(tree ${deb}.tree)
    file(REMOVE_RECURSE ${tree})
    execute_process(COMMAND dpkg-deb --raw-extract ${deb} ${tree} COMMAND_ERROR_IS_FATAL ANY)
    foreach(script postinst postrm)
        set(path ${tree}/DEBIAN/${script})
        if(NOT EXISTS ${path})
            continue()
        endif()
        file(READ ${path} text)
        string(REGEX REPLACE "#![^\n]*\n|set -e|if \\[ \"\\$1\" = \"[a-z]+\" \\]; then|ldconfig|fi|[ \t\n]"
            "" rest "${text}")
        if(NOT rest STREQUAL "")
            message(FATAL_ERROR "${script} in ${deb} does more than run ldconfig:\n${text}")
        endif()
        file(REMOVE ${path})
    endforeach()
    execute_process(COMMAND dpkg-deb --root-owner-group -Zxz --build ${tree} ${deb}
        OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
    file(REMOVE_RECURSE ${tree})
endforeach()
