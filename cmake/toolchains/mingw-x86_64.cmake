# Cross build for 64-bit Windows: the same source as the shipped 32-bit
# program. Nothing ships from it and CI does not build it; it is kept for
# trying the code on 64-bit Windows.
#   cmake -S . -B build-win64 -G Ninja \
#     -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/mingw-x86_64.cmake
set(WEIBO_MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
