# Cross build for Windows with Debian's mingw-w64 (posix thread model), for the processor that
# OSTREL_TARGET_ARCH names: i686 or x86_64 (the win32 and win64 presets set it).
set(CMAKE_SYSTEM_NAME Windows)
if(NOT OSTREL_TARGET_ARCH MATCHES "^(i686|x86_64)$")
    message(FATAL_ERROR "OSTREL_TARGET_ARCH must be i686 or x86_64, not '${OSTREL_TARGET_ARCH}'")
endif()
# The compiler checks read this file again in projects of their own: they get the choice too.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES OSTREL_TARGET_ARCH)
set(CMAKE_SYSTEM_PROCESSOR ${OSTREL_TARGET_ARCH})
set(triple ${OSTREL_TARGET_ARCH}-w64-mingw32)
set(CMAKE_C_COMPILER ${triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${triple}-g++-posix)
set(CMAKE_RC_COMPILER ${triple}-windres)
set(CMAKE_DLLTOOL ${triple}-dlltool)
# Libraries built for the target (libjpeg) live under the prefix path: search there too.
set(CMAKE_FIND_ROOT_PATH /usr/${triple} ${CMAKE_PREFIX_PATH})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
