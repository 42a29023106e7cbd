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

# Shared tiers are included by tier name ("game/GameText.h"). Each tier's include root in
# the build folder holds that tier alone, so a lower tier cannot reach a higher one's headers.
function(fragdeck_tier target tier)
    cmake_parse_arguments(A "" "DIR" "" ${ARGN})
    if(NOT A_DIR)
        set(A_DIR ${CMAKE_CURRENT_SOURCE_DIR}/${tier})
    endif()
    set(root ${CMAKE_BINARY_DIR}/tiers/${tier})
    file(MAKE_DIRECTORY ${root})
    file(CREATE_LINK ${A_DIR} ${root}/${tier} SYMBOLIC)
    target_include_directories(${target} PUBLIC ${root})
    set_property(GLOBAL APPEND PROPERTY FRAGDECK_SHARED_TARGETS ${target})
endfunction()

# The component a folder belongs to: NAME for components/NAME and below, empty elsewhere.
function(fragdeck_folder_component out)
    file(RELATIVE_PATH rel ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
    if(rel MATCHES "^components/([^/]+)")
        set(${out} ${CMAKE_MATCH_1} PARENT_SCOPE)
    else()
        set(${out} "" PARENT_SCOPE)
    endif()
endfunction()

# Remembers that `target` (of this folder's component) links `libs`, for the check below.
function(fragdeck_note_links target)
    fragdeck_folder_component(component)
    set_target_properties(${target} PROPERTIES FRAGDECK_COMPONENT "${component}")
    set_property(GLOBAL APPEND PROPERTY FRAGDECK_LINKING_TARGETS ${target})
    set_target_properties(${target} PROPERTIES FRAGDECK_LINKS "${ARGN}")
endfunction()

# One component never links another's libraries: what two components share lives in a
# shared tier (shared/, or a library declared a tier with fragdeck_tier). Run once, after
# every folder is read, so a link to a library defined later is checked too.
function(fragdeck_check_layers)
    get_property(targets GLOBAL PROPERTY FRAGDECK_LINKING_TARGETS)
    get_property(shared GLOBAL PROPERTY FRAGDECK_SHARED_TARGETS)
    foreach(t ${targets})
        get_target_property(mine ${t} FRAGDECK_COMPONENT)
        get_target_property(libs ${t} FRAGDECK_LINKS)
        foreach(lib ${libs})
            if(NOT TARGET ${lib} OR lib IN_LIST shared)
                continue()
            endif()
            get_target_property(theirs ${lib} FRAGDECK_COMPONENT)
            if(theirs AND NOT theirs STREQUAL mine)
                message(FATAL_ERROR "${t} (component ${mine}) links ${lib} of component "
                    "${theirs}: move what they share into a shared tier")
            endif()
        endforeach()
    endforeach()
endfunction()
cmake_language(DEFER DIRECTORY ${PROJECT_SOURCE_DIR} CALL fragdeck_check_layers)

# A static library of this folder's sources on top of `layer` (fragdeck_game or
# fragdeck_gui). A component's library exports its folder; a TIER library only its tier
# root.
function(fragdeck_layered_library name layer)
    cmake_parse_arguments(A "" "TIER" "SOURCES;LIBS" ${ARGN})
    add_library(${name} STATIC ${A_SOURCES})
    set_target_properties(${name} PROPERTIES POSITION_INDEPENDENT_CODE ON)
    if(A_TIER)
        fragdeck_tier(${name} ${A_TIER} DIR ${CMAKE_CURRENT_SOURCE_DIR})
    else()
        target_include_directories(${name} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
    endif()
    target_link_libraries(${name} PUBLIC ${layer} fragdeck_warnings ${A_LIBS})
    fragdeck_note_links(${name} ${A_LIBS})
endfunction()

# Widget-free logic: it links the core and game tiers only, so a source that includes a
# widget header cannot find it and does not build.
function(fragdeck_library name)
    fragdeck_layered_library(${name} fragdeck_game ${ARGN})
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
    fragdeck_note_links(${name} ${A_LIBS})
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
