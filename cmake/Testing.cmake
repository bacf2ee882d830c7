if(CMAKE_CROSSCOMPILING)
  # GoogleTest built from Debian's source for the target (the Windows build).
  set(WEIBO_GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest source tree")
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(${WEIBO_GOOGLETEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  # GoogleTest's own CMake names its targets GTest::gtest and so on.
else()
  find_package(GTest REQUIRED)
endif()

# weibo_test_warnings(target): the project's warning flags for a test
# program. MinGW-w64's GCC 12 at the release's -O3 reports a false -Wrestrict
# inside std::string in GoogleTest-based code (GCC bug 105329); the tests are
# built with the release's options, so that one warning is off for them only.
function(weibo_test_warnings target)
  weibo_warnings(${target})
  if(WIN32 AND CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
    target_compile_options(${target} PRIVATE -Wno-restrict)
  endif()
endfunction()

# weibo_test(NAME name LABELS l1 [l2...] SOURCES s1 [s2...] LIBS lib1 [lib2...])
# One GoogleTest executable, registered with CTest as one test under the
# given labels. Related cases live in one executable; gtest prints each.
function(weibo_test)
  cmake_parse_arguments(T "" "NAME;TIMEOUT" "LABELS;SOURCES;LIBS;ENV" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
  weibo_test_warnings(${T_NAME})
  weibo_sanitizer_warnings(${T_NAME})
  add_test(NAME ${T_NAME} COMMAND ${T_NAME})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  set_tests_properties(${T_NAME} PROPERTIES LABELS "${T_LABELS}" TIMEOUT ${T_TIMEOUT})
  if(T_ENV)
    set_tests_properties(${T_NAME} PROPERTIES ENVIRONMENT "${T_ENV}")
  endif()
endfunction()
