# The project's x86_64 cross toolchain with the POSIX thread model: GoogleTest needs
# std::mutex, which Debian's default (win32) MinGW compilers lack.
include(${CMAKE_CURRENT_LIST_DIR}/../../cmake/mingw-x86_64.cmake)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
