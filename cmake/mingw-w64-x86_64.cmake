# Cross-building the Windows programs with Debian's mingw-w64 (64-bit, POSIX threads):
#   cmake -S . -B build-windows --toolchain cmake/mingw-w64-x86_64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(QUILLMERE_MINGW_PREFIX x86_64-w64-mingw32)
# The -posix compilers carry std::thread and friends (through winpthread, linked statically).
find_program(CMAKE_C_COMPILER NAMES ${QUILLMERE_MINGW_PREFIX}-gcc-posix ${QUILLMERE_MINGW_PREFIX}-gcc
    REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${QUILLMERE_MINGW_PREFIX}-g++-posix
    ${QUILLMERE_MINGW_PREFIX}-g++ REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${QUILLMERE_MINGW_PREFIX}-windres REQUIRED)

set(CMAKE_FIND_ROOT_PATH /usr/${QUILLMERE_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
