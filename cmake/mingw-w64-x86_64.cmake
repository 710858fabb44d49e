# Cross-compiles 64-bit Windows programs with Debian's MinGW-w64
# (g++-mingw-w64-x86-64). The C and C++ runtimes are linked statically, so
# the .exe files need nothing but the DLLs that come with Windows.
#
#   cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TARNWICK_MINGW_TRIPLET x86_64-w64-mingw32)
# The "posix" flavour: its C++ library has std::mutex and std::thread (on top
# of winpthreads), which GoogleTest needs; the "win32" flavour of GCC 12 has not.
set(CMAKE_C_COMPILER ${TARNWICK_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TARNWICK_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${TARNWICK_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TARNWICK_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# -static takes winpthreads from its static archive too, instead of
# libwinpthread-1.dll.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
# Release programs are shipped: without symbols they are half the size.
set(CMAKE_EXE_LINKER_FLAGS_RELEASE_INIT "-s")

# Lets ctest run the built programs under Wine where it is installed.
find_program(TARNWICK_WINE NAMES wine)
if(TARNWICK_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${TARNWICK_WINE})
endif()
