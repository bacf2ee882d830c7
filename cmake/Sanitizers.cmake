# Instrumented builds, each in a build folder of its own:
#   -DWEIBO_SANITIZE=address   AddressSanitizer + UndefinedBehaviorSanitizer
#   -DWEIBO_SANITIZE=thread    ThreadSanitizer
#   -DWEIBO_FUZZ=ON            every library built for libFuzzer (clang only);
#                              the targets in fuzz/ link the fuzzer's main.
# scripts/sanitize.sh and scripts/fuzz.sh configure and run them.
set(WEIBO_SANITIZE "" CACHE STRING "Sanitizer build: empty, address (with undefined) or thread")
set_property(CACHE WEIBO_SANITIZE PROPERTY STRINGS "" address thread)
option(WEIBO_FUZZ "Build the libFuzzer targets in fuzz/ (needs clang)" OFF)

if(WEIBO_SANITIZE STREQUAL "address")
  # Any undefined behaviour stops the program, so a test cannot pass over it.
  set(weibo_sanitize_flags -fsanitize=address,undefined -fno-sanitize-recover=undefined)
elseif(WEIBO_SANITIZE STREQUAL "thread")
  set(weibo_sanitize_flags -fsanitize=thread)
elseif(NOT WEIBO_SANITIZE STREQUAL "")
  message(FATAL_ERROR "WEIBO_SANITIZE must be empty, address or thread, not ${WEIBO_SANITIZE}")
endif()

if(WEIBO_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "WEIBO_FUZZ needs clang (-DCMAKE_CXX_COMPILER=clang++)")
  endif()
  # The libraries get coverage hooks; the fuzz targets add the fuzzer's main.
  list(APPEND weibo_sanitize_flags -fsanitize=fuzzer-no-link,address,undefined
       -fno-sanitize-recover=undefined)
  list(REMOVE_DUPLICATES weibo_sanitize_flags)
endif()

if(weibo_sanitize_flags)
  add_compile_options(${weibo_sanitize_flags} -fno-omit-frame-pointer)
  add_link_options(${weibo_sanitize_flags})
endif()

# weibo_sanitizer_warnings(target): under GCC's instrumentation the flow
# analysis reports "may be used uninitialized" inside the standard library
# (<regex>, used by tests); such targets turn that one warning off.
function(weibo_sanitizer_warnings target)
  if(weibo_sanitize_flags AND CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    target_compile_options(${target} PRIVATE -Wno-maybe-uninitialized)
  endif()
endfunction()
