# What the two MinGW-w64 toolchain files share. The including file sets
# WEIBO_MINGW_TRIPLE ("i686-w64-mingw32" or "x86_64-w64-mingw32") first.
#
# The -posix compilers are used: their runtime has std::thread and
# std::mutex. Everything is linked statically, so the executables import
# only Windows' own DLLs.
#
# Libraries built for Windows by scripts/build-windows-deps.sh (json-c) are
# found under WEIBO_WINDOWS_DEPS/<triple>; the default is the same cache
# folder the script uses.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_VERSION 6.1)

set(CMAKE_C_COMPILER ${WEIBO_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${WEIBO_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${WEIBO_MINGW_TRIPLE}-windres)

if(NOT DEFINED WEIBO_WINDOWS_DEPS)
  if(DEFINED ENV{WEIBO_WINDOWS_DEPS})
    set(WEIBO_WINDOWS_DEPS "$ENV{WEIBO_WINDOWS_DEPS}")
  elseif(DEFINED ENV{XDG_CACHE_HOME})
    set(WEIBO_WINDOWS_DEPS "$ENV{XDG_CACHE_HOME}/weibo-windows-deps")
  else()
    set(WEIBO_WINDOWS_DEPS "$ENV{HOME}/.cache/weibo-windows-deps")
  endif()
endif()
set(WEIBO_WINDOWS_DEPS "${WEIBO_WINDOWS_DEPS}" CACHE PATH "Libraries built for Windows")
set(WEIBO_WINDOWS_PREFIX "${WEIBO_WINDOWS_DEPS}/${WEIBO_MINGW_TRIPLE}")

set(CMAKE_FIND_ROOT_PATH /usr/${WEIBO_MINGW_TRIPLE} ${WEIBO_WINDOWS_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Test programs run under Wine; the wrapper sets up its prefix and locale.
set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_CURRENT_LIST_DIR}/../../scripts/wine-run.sh")
