# Flags shared by every target of the project, linked PRIVATE so that they
# never leak to consumers.
add_library(orrelux_flags INTERFACE)
target_compile_options(orrelux_flags INTERFACE -Wall -Wextra)
if(ORRELUX_WERROR)
    target_compile_options(orrelux_flags INTERFACE -Werror)
endif()
# The compiler's runtime (libgcc, libstdc++, winpthread) goes into every
# Windows program and the module, which then need only the system DLLs.
# MinGW's math.h names M_PI and its kin only on request, glibc's by default.
if(MINGW)
    target_link_options(orrelux_flags INTERFACE -static)
    target_compile_definitions(orrelux_flags INTERFACE _USE_MATH_DEFINES)
endif()
if(ORRELUX_SANITIZE)
    target_compile_options(orrelux_flags INTERFACE
        -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
    target_link_options(orrelux_flags INTERFACE -fsanitize=address,undefined)
endif()

# orrelux_library(<name> SOURCES ... [DEPENDS ...])
function(orrelux_library name)
    cmake_parse_arguments(ARG "" "" "SOURCES;DEPENDS" ${ARGN})
    add_library(${name} STATIC ${ARG_SOURCES})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/include)
    target_link_libraries(${name} PUBLIC ${ARG_DEPENDS} PRIVATE orrelux_flags)
endfunction()

# orrelux_test(<name> SOURCES ... [DEPENDS ...] [LABELS ...]): one GoogleTest
# executable, registered with CTest; its tests carry the labels, which
# `ctest -L` selects and `ctest -LE` leaves out.
function(orrelux_test name)
    cmake_parse_arguments(ARG "" "" "SOURCES;DEPENDS;LABELS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_DEPENDS} GTest::gtest GTest::gmock GTest::gtest_main
                                          orrelux_flags)
    set(properties)
    if(ARG_LABELS)
        set(properties PROPERTIES LABELS "${ARG_LABELS}")
    endif()
    if(CMAKE_CROSSCOMPILING)
        # One run per program under the emulator: listing the cases would
        # start it once more at build time and again for every case.
        add_test(NAME ${name} COMMAND ${name} WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
        if(ARG_LABELS)
            set_tests_properties(${name} PROPERTIES LABELS "${ARG_LABELS}")
        endif()
    else()
        include(GoogleTest)
        gtest_discover_tests(${name} WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
                             DISCOVERY_TIMEOUT 60 ${properties})
    endif()
endfunction()

# orrelux_write_layer_links(<file>): one line "<folder> <target> <folder
# linked>" for every target of the project that a target of the project links,
# for the layer check to hold against cmake/layers.txt.
function(orrelux_write_layer_links file)
    set(lines "")
    set(dirs ${PROJECT_SOURCE_DIR})
    while(dirs)
        list(POP_FRONT dirs dir)
        get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
        list(APPEND dirs ${subdirs})
        file(RELATIVE_PATH folder ${PROJECT_SOURCE_DIR} ${dir})
        get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
        foreach(target IN LISTS targets)
            get_target_property(type ${target} TYPE)
            if(type STREQUAL "UTILITY")
                continue()
            elseif(type STREQUAL "INTERFACE_LIBRARY")
                get_target_property(links ${target} INTERFACE_LINK_LIBRARIES)
            else()
                get_target_property(links ${target} LINK_LIBRARIES)
            endif()
            foreach(link IN LISTS links)
                if(NOT TARGET ${link})
                    continue()
                endif()
                get_target_property(imported ${link} IMPORTED)
                get_target_property(link_dir ${link} SOURCE_DIR)
                file(RELATIVE_PATH linked ${PROJECT_SOURCE_DIR} ${link_dir})
                # Targets of the root, like the shared flags, belong to no layer.
                if(NOT imported AND linked)
                    string(APPEND lines "${folder} ${target} ${linked}\n")
                endif()
            endforeach()
        endforeach()
    endwhile()
    file(WRITE ${file} ${lines})
endfunction()
