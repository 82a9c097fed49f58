# Cross-compiling for 64-bit Windows with Debian's MinGW-w64 (POSIX threads,
# so std::thread and std::mutex work). Used for Qt itself and for Kordavo.
# KORDAVO_WINDOWS_QT, when set, is the Qt built for Windows with this file.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(KORDAVO_MINGW x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${KORDAVO_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KORDAVO_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${KORDAVO_MINGW}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${KORDAVO_MINGW})
if(KORDAVO_WINDOWS_QT)
    list(APPEND CMAKE_FIND_ROOT_PATH ${KORDAVO_WINDOWS_QT})
    list(APPEND CMAKE_PREFIX_PATH ${KORDAVO_WINDOWS_QT})
endif()
# Programs run on the build machine; libraries, headers and packages are Windows'.
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Try-compiles see the same variables.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES KORDAVO_WINDOWS_QT)
