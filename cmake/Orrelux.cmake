# Flags shared by every target of the project, linked PRIVATE so that they
# never leak to consumers.
add_library(orrelux_flags INTERFACE)
target_compile_options(orrelux_flags INTERFACE -Wall -Wextra)
if(ORRELUX_WERROR)
    target_compile_options(orrelux_flags INTERFACE -Werror)
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

# orrelux_test(<name> SOURCES ... [DEPENDS ...]): one GoogleTest executable,
# registered with CTest.
function(orrelux_test name)
    cmake_parse_arguments(ARG "" "" "SOURCES;DEPENDS" ${ARGN})
    find_package(GTest REQUIRED)
    include(GoogleTest)
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_DEPENDS} GTest::gtest GTest::gmock GTest::gtest_main
                                          orrelux_flags)
    gtest_discover_tests(${name} WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
                         DISCOVERY_TIMEOUT 60)
endfunction()
