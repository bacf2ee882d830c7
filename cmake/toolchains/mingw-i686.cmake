# Cross build for 32-bit Windows, the shipped program:
#   cmake -S . -B build-win32 -G Ninja \
#     -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/mingw-i686.cmake
# Its programs, the tests included, run under 32-bit Wine (wine32:i386).
set(WEIBO_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
