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

# Programs and libraries resolve every symbol at load time, so the relocations they read
# can stay read-only, as in Debian's own packages.
add_link_options(LINKER:-z,relro,-z,now)

# A stripping install (make package) also takes out the compiler's .comment and .note
# sections, as Debian's packaging does. The install rules read CMAKE_STRIP in each folder,
# so it is set here, before any folder is added.
if(CMAKE_STRIP)
    set(strip_script ${CMAKE_BINARY_DIR}/strip-installed)
    file(CONFIGURE OUTPUT ${strip_script} CONTENT
        "#!/bin/sh\nexec \"${CMAKE_STRIP}\" --remove-section=.comment --remove-section=.note \"$@\"\n")
    file(CHMOD ${strip_script} PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
        GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
    set(CMAKE_STRIP ${strip_script})
endif()

# A static library of this folder's sources on top of `layer` (fragdeck_core or fragdeck_gui).
function(fragdeck_layered_library name layer)
    cmake_parse_arguments(A "" "" "SOURCES;LIBS" ${ARGN})
    add_library(${name} STATIC ${A_SOURCES})
    set_target_properties(${name} PROPERTIES POSITION_INDEPENDENT_CODE ON)
    target_include_directories(${name} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
    target_link_libraries(${name} PUBLIC ${layer} fragdeck_warnings ${A_LIBS})
endfunction()

# A component's widget-free logic: it links the core library only, so a source that
# includes a widget header cannot find it and does not build.
function(fragdeck_library name)
    fragdeck_layered_library(${name} fragdeck_core ${ARGN})
endfunction()

# Windows and other code that shows itself: it links the GUI library.
function(fragdeck_ui_library name)
    fragdeck_layered_library(${name} fragdeck_gui ${ARGN})
endfunction()

# A component: a plugin library system/NAME.so whose JSON metadata lists its registered names.
function(fragdeck_component name)
    cmake_parse_arguments(A "" "" "SOURCES;LIBS;DATA" ${ARGN})
    add_library(${name} MODULE ${A_SOURCES})
    set_target_properties(${name} PROPERTIES
        PREFIX "" SUFFIX ".so"
        LIBRARY_OUTPUT_DIRECTORY ${FRAGDECK_SYSTEM_DIR}
        BUILD_RPATH "$ORIGIN/.." INSTALL_RPATH "$ORIGIN/..")
    target_link_libraries(${name} PRIVATE fragdeck_gui fragdeck_warnings ${A_LIBS})
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
    add_executable(${name} ${A_SOURCES} ${PROJECT_SOURCE_DIR}/shared/testsupport/LocalHosts.cpp)
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

# A fuzz target: SOURCES define LLVMFuzzerTestOneInput over the logic in COVER (libraries
# of this project whose coverage steers the fuzzer) and LIBS. With clang and the sanitizers
# it is a libFuzzer binary, run as a test for a bounded time on the committed seeds in
# CORPUS (new inputs go into the build folder); otherwise a driver replays the seeds and
# seeded damage to them.
function(fragdeck_fuzz name)
    cmake_parse_arguments(A "" "LABEL;CORPUS;SECONDS;MAX_LEN" "SOURCES;COVER;LIBS" ${ARGN})
    if(NOT A_SECONDS)
        set(A_SECONDS 30)
    endif()
    if(NOT A_MAX_LEN)
        set(A_MAX_LEN 4096)
    endif()
    if(CMAKE_CXX_COMPILER_ID MATCHES "Clang" AND FRAGDECK_SANITIZE)
        add_executable(${name} ${A_SOURCES})
        target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
        target_link_options(${name} PRIVATE -fsanitize=fuzzer)
        foreach(lib ${A_COVER})
            target_compile_options(${lib} PRIVATE -fsanitize=fuzzer-no-link)
        endforeach()
        set(work ${CMAKE_CURRENT_BINARY_DIR}/${name}_work)
        file(MAKE_DIRECTORY ${work})
        add_test(NAME ${name}
            COMMAND ${name} -max_total_time=${A_SECONDS} -seed=1 -max_len=${A_MAX_LEN}
                    -artifact_prefix=${CMAKE_CURRENT_BINARY_DIR}/${name}- ${work} ${A_CORPUS})
    else()
        add_executable(${name} ${A_SOURCES} ${PROJECT_SOURCE_DIR}/shared/testsupport/FuzzDriver.cpp)
        add_test(NAME ${name} COMMAND ${name} ${A_CORPUS})
    endif()
    target_link_libraries(${name} PRIVATE ${A_COVER} ${A_LIBS} fragdeck_warnings)
    set_target_properties(${name} PROPERTIES BUILD_RPATH "${FRAGDECK_DIR}")
    set_tests_properties(${name} PROPERTIES LABELS ${A_LABEL}
        TIMEOUT ${A_SECONDS}0 ENVIRONMENT "ASAN_OPTIONS=detect_leaks=0;QT_QPA_PLATFORM=offscreen")
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
