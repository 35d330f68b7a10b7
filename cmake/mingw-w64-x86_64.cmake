# Cross-compiles for 64-bit Windows with Debian's MinGW-w64 compilers (the
# POSIX thread model), as scripts/windows does. Libraries and headers are
# looked up only in the MinGW tree and in CMAKE_FIND_ROOT_PATH's other
# entries (such as a freeglut built for Windows), never in the host's.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(triple x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${triple}-g++-posix)
set(CMAKE_RC_COMPILER ${triple}-windres)
list(APPEND CMAKE_FIND_ROOT_PATH /usr/${triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(ENV{PKG_CONFIG_LIBDIR} /usr/${triple}/lib/pkgconfig)
# The C and C++ runtimes are linked in, so that the program needs no DLL
# beyond those every Windows has.
set(CMAKE_EXE_LINKER_FLAGS_INIT -static)
