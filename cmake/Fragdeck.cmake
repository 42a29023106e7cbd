# Build helpers shared by every folder.

# The program folder: the launcher, its data files, and system/ with the components.
set(FRAGDECK_DIR ${CMAKE_BINARY_DIR}/fragdeck)
set(FRAGDECK_SYSTEM_DIR ${FRAGDECK_DIR}/system)
file(MAKE_DIRECTORY ${FRAGDECK_SYSTEM_DIR})

# Warnings and sanitizers, once, for every target.
add_library(fragdeck_warnings INTERFACE)
target_compile_options(fragdeck_warnings INTERFACE
    -Wall -Wextra -Wold-style-cast -Wnon-virtual-dtor)
if(FRAGDECK_SANITIZE)
    target_compile_options(fragdeck_warnings INTERFACE
        -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    target_link_options(fragdeck_warnings INTERFACE -fsanitize=address,undefined)
endif()

# A plain library of widget-free logic (or window code) that tests link directly.
function(fragdeck_library name)
    cmake_parse_arguments(A "" "" "SOURCES;LIBS" ${ARGN})
    add_library(${name} STATIC ${A_SOURCES})
    set_target_properties(${name} PROPERTIES POSITION_INDEPENDENT_CODE ON)
    target_include_directories(${name} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
    target_link_libraries(${name} PUBLIC fragdeck_shared fragdeck_warnings ${A_LIBS})
endfunction()

# A component: a plugin library system/NAME.so whose JSON metadata lists its registered names.
function(fragdeck_component name)
    cmake_parse_arguments(A "" "" "SOURCES;LIBS;DATA" ${ARGN})
    add_library(${name} MODULE ${A_SOURCES})
    set_target_properties(${name} PROPERTIES
        PREFIX "" SUFFIX ".so"
        LIBRARY_OUTPUT_DIRECTORY ${FRAGDECK_SYSTEM_DIR}
        BUILD_RPATH "$ORIGIN/.." INSTALL_RPATH "$ORIGIN/..")
    target_link_libraries(${name} PRIVATE fragdeck_shared fragdeck_warnings ${A_LIBS})
    foreach(f ${A_DATA})
        get_filename_component(base ${f} NAME)
        add_custom_command(TARGET ${name} POST_BUILD
            COMMAND ${CMAKE_COMMAND} -E copy_if_different ${CMAKE_CURRENT_SOURCE_DIR}/${f}
                    ${FRAGDECK_SYSTEM_DIR}/${base})
    endforeach()
    add_dependencies(fragdeck_all_components ${name})
endfunction()

# One Qt Test executable, labelled with its folder, offscreen, bounded in time.
function(fragdeck_test name)
    cmake_parse_arguments(A "" "LABEL;TIMEOUT" "SOURCES;LIBS;DEPENDS" ${ARGN})
    if(NOT A_LABEL)
        get_filename_component(A_LABEL ${CMAKE_CURRENT_SOURCE_DIR} NAME)
    endif()
    if(NOT A_TIMEOUT)
        set(A_TIMEOUT 60)
    endif()
    add_executable(${name} ${A_SOURCES})
    target_link_libraries(${name} PRIVATE fragdeck_testsupport fragdeck_warnings Qt6::Test ${A_LIBS})
    set_target_properties(${name} PROPERTIES BUILD_RPATH "${FRAGDECK_DIR}")
    if(A_DEPENDS)
        add_dependencies(${name} ${A_DEPENDS})
    endif()
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES
        LABELS ${A_LABEL}
        TIMEOUT ${A_TIMEOUT}
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;FRAGDECK_BUILD_DIR=${FRAGDECK_DIR};ASAN_OPTIONS=detect_leaks=0")
endfunction()

# Copy data files into the program folder (DEST relative to it, "" for the folder itself).
function(fragdeck_data target dest)
    foreach(f ${ARGN})
        get_filename_component(base ${f} NAME)
        add_custom_command(TARGET ${target} POST_BUILD
            COMMAND ${CMAKE_COMMAND} -E make_directory ${FRAGDECK_DIR}/${dest}
            COMMAND ${CMAKE_COMMAND} -E copy_if_different ${CMAKE_CURRENT_SOURCE_DIR}/${f}
                    ${FRAGDECK_DIR}/${dest}/${base})
    endforeach()
endfunction()

add_custom_target(fragdeck_all_components)
