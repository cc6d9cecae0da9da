# Cross-compiles for 64-bit Windows with Debian's MinGW-w64 compilers. The
# POSIX thread model's runtime is the complete one; the build links it
# statically, so the programs and the module need only the system DLLs.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(ORRELUX_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${ORRELUX_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ORRELUX_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${ORRELUX_MINGW_TRIPLE}-windres)

# Headers and libraries come from the MinGW tree only, never from the build
# machine's /usr; programs (the build tools) from the build machine.
set(CMAKE_FIND_ROOT_PATH /usr/${ORRELUX_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# CTest runs the Windows programs under Wine, quietly and in a prefix of the
# build tree's own, so that no user's Wine setup is touched.
find_program(ORRELUX_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(ORRELUX_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR
        env WINEDEBUG=-all WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix ${ORRELUX_WINE})
endif()
