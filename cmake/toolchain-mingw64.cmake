# Cross-builds Windows executables with Debian's MinGW-w64 compilers:
#   cmake -S . -B build-windows -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw64.cmake
# The posix thread flavour of the compiler supports std::thread and the
# atomics; everything is linked statically so the programs need no MinGW DLLs
# (and Wine runs them as they are).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TACTUS_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TACTUS_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TACTUS_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${TACTUS_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TACTUS_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++")

# Test programs run under Wine when Wine is there (test discovery included).
find_program(TACTUS_WINE NAMES wine wine64 PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(TACTUS_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${TACTUS_WINE})
endif()

# Tests are listed when ctest runs them, so building needs no Wine.
set(CMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE PRE_TEST)
