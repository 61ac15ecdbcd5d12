# Cross-compiling for 64-bit Windows with Debian's MinGW-w64 GCC (posix threads).
#
# Loaded by Qt's qt.toolchain.cmake as its QT_CHAINLOAD_TOOLCHAIN_FILE for the program, and alone
# for the libraries scripts/build-windows.sh builds. Libraries and packages are looked up only in
# the MinGW sysroot and in the cache that script fills (BRIVO_WIN64_CACHE, by default
# ~/.cache/brivo/win64), never on the host.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

if(NOT BRIVO_WIN64_CACHE)
  if(DEFINED ENV{BRIVO_WIN64_CACHE})
    set(BRIVO_WIN64_CACHE "$ENV{BRIVO_WIN64_CACHE}")
  else()
    set(BRIVO_WIN64_CACHE "$ENV{HOME}/.cache/brivo/win64")
  endif()
endif()
# try_compile projects load this file again and must see the same cache.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES BRIVO_WIN64_CACHE)

list(APPEND CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32 "${BRIVO_WIN64_CACHE}/prefix")
list(APPEND CMAKE_PREFIX_PATH "${BRIVO_WIN64_CACHE}/prefix")
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# pkg-config answers from the cache's .pc files only, never with the host's libraries.
set(ENV{PKG_CONFIG_LIBDIR} "${BRIVO_WIN64_CACHE}/prefix/lib/pkgconfig")
set(ENV{PKG_CONFIG_PATH} "")
unset(ENV{PKG_CONFIG_SYSROOT_DIR})

# Test executables are run through Wine (gtest_discover_tests at test time, ctest).
find_program(BRIVO_WINE wine)
if(BRIVO_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR "${BRIVO_WINE}")
endif()
