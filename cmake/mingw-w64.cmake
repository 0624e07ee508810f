# Cross-builds the tools for 64-bit Windows with Debian's MinGW-w64 GCC
# (the POSIX-threads variant, which has std::thread and std::mutex). The
# programs are linked statically, so that they run without the compiler's
# DLLs beside them.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(KESTREL_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${KESTREL_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KESTREL_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${KESTREL_MINGW_TRIPLE}-windres)

set(CMAKE_EXE_LINKER_FLAGS_INIT -static)

# Libraries and headers come from the MinGW tree (and from the folders a
# build adds to the root path); programs run on the build machine.
list(APPEND CMAKE_FIND_ROOT_PATH /usr/${KESTREL_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
