# For the shared development build only (-DFRAGDECK_DEV_TOLERANT=ON): while several people
# edit the tree at once, a folder whose CMakeLists names a file not written yet must not
# stop everybody else's configure. Missing relative sources and sub-folders are skipped
# with a warning. Clean builds (CI, `make`) never enable this.
function(add_subdirectory dir)
    if(IS_ABSOLUTE "${dir}")
        set(full "${dir}")
    else()
        set(full "${CMAKE_CURRENT_SOURCE_DIR}/${dir}")
    endif()
    if(NOT EXISTS "${full}/CMakeLists.txt")
        message(WARNING "skipping ${full}: no CMakeLists.txt yet")
        return()
    endif()
    _add_subdirectory(${ARGV})
endfunction()

function(_fragdeck_existing out)
    set(kept)
    foreach(a ${ARGN})
        if(NOT IS_ABSOLUTE "${a}" AND a MATCHES "\\.(cpp|h|json|qrc|ui)$"
           AND NOT EXISTS "${CMAKE_CURRENT_SOURCE_DIR}/${a}")
            message(WARNING "skipping missing source ${CMAKE_CURRENT_SOURCE_DIR}/${a}")
        else()
            list(APPEND kept "${a}")
        endif()
    endforeach()
    set(${out} "${kept}" PARENT_SCOPE)
endfunction()

function(add_executable)
    _fragdeck_existing(args ${ARGV})
    _add_executable(${args})
endfunction()

function(add_library)
    _fragdeck_existing(args ${ARGV})
    _add_library(${args})
endfunction()
