# GoogleTest from Debian's sources, built with our own compiler for either
# target (the cross build cannot use the distribution's binaries).
set(HUEVANE_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest source tree")
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_SHARED_LIBS OFF CACHE BOOL "" FORCE)
if(WIN32)
  set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
endif()
add_subdirectory(${HUEVANE_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
include(GoogleTest)
# Our warning flags are for our code; GoogleTest's own sources stay quiet.
target_compile_options(gtest PRIVATE -w)
target_compile_options(gtest_main PRIVATE -w)

# Test names begin with the build tree (native. or win32.) and carry it as a
# label, so one ctest run over both trees tells them apart (-L win32).
if(WIN32)
  set(HUEVANE_TEST_TREE win32)
else()
  set(HUEVANE_TEST_TREE native)
endif()

# huevane_add_gtest(NAME SOURCES... LIBS... [PROPERTIES...]): a GoogleTest binary whose cases
# each become one ctest test. Under the cross build the cases are listed at
# test time, through Wine, so building needs no Wine.
function(huevane_add_gtest name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;PROPERTIES" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest_main)
  # Under Wine a test process very rarely crashes on its way out (SIGSEGV,
  # or a bare non-zero exit code), after GoogleTest has printed that the test
  # passed and with nothing more printed: seen on three unrelated binaries
  # (one with no window at all), only on a loaded machine, never natively,
  # and not once in some thousands of runs made to catch it. It is Wine's
  # process teardown, not the test. So a Windows case runs through
  # wine-test, which turns a signal into an exit status, and is judged by
  # GoogleTest's own verdict rather than by that status; a failed, crashed
  # or hung test still fails, since it prints no such verdict.
  set(verdict)
  if(WIN32)
    set_property(TARGET ${name} PROPERTY CROSSCOMPILING_EMULATOR
                 ${PROJECT_SOURCE_DIR}/cmake/wine-test)
    set(verdict PASS_REGULAR_EXPRESSION "\\[  PASSED  \\] 1 test\\.|\\[  SKIPPED \\] 1 test")
  endif()
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
                       TEST_PREFIX "${HUEVANE_TEST_TREE}.${name}."
                       PROPERTIES TIMEOUT 300 LABELS ${HUEVANE_TEST_TREE} ${verdict}
                                  ${ARG_PROPERTIES})
endfunction()
