# CMake toolchain file: 64-bit Windows programs from Debian's mingw-w64
# (g++-mingw-w64-x86-64-posix, the POSIX thread model std::thread needs).
# Used for the Qt cross-build (tools/windows-deps) and for `make windows`.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TOOLCHAIN_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER   ${TOOLCHAIN_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TOOLCHAIN_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER  ${TOOLCHAIN_PREFIX}-windres)
set(CMAKE_AR           ${TOOLCHAIN_PREFIX}-ar CACHE FILEPATH "")
set(CMAKE_RANLIB       ${TOOLCHAIN_PREFIX}-ranlib CACHE FILEPATH "")

# Libraries and headers only from the mingw sysroot and the cross-built Qt
# (CMAKE_PREFIX_PATH / CMAKE_FIND_ROOT_PATH add it); programs from the host.
list(APPEND CMAKE_FIND_ROOT_PATH /usr/${TOOLCHAIN_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)

# The mingw runtime (libgcc, libstdc++, winpthread) linked statically would
# clash with the Qt DLLs' copies; they are shipped as DLLs beside the program.
