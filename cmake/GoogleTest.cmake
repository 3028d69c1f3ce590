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
  # The tests' shared helpers, as "support/...".
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  # A Windows case runs through wine-test, which gives the verdict: the
  # exit status, GoogleTest's own lines and every failure it printed, with
  # one narrow, counted allowance for a crash in Wine's process teardown
  # after the verdict (seen very rarely, on a loaded machine, never
  # natively).
  # A skip shows as one only when wine-test says so, by exit status 77:
  # GoogleTest prints "[  SKIPPED ]" also for the cases of a suite whose
  # set-up failed, which must fail.
  set(verdict)
  if(WIN32)
    set_property(TARGET ${name} PROPERTY CROSSCOMPILING_EMULATOR
                 ${PROJECT_SOURCE_DIR}/cmake/wine-test)
    set(verdict SKIP_RETURN_CODE 77
                SKIP_REGULAR_EXPRESSION "wine-test alone decides a skip, by exit status 77")
  endif()
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
                       TEST_PREFIX "${HUEVANE_TEST_TREE}.${name}."
                       PROPERTIES TIMEOUT 300 LABELS ${HUEVANE_TEST_TREE} ${verdict}
                                  ${ARG_PROPERTIES})
endfunction()
