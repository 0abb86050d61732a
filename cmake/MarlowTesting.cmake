# GoogleTest in both builds. Natively the system package; in the cross build
# Debian's googletest sources compiled with the cross compiler.
if(CMAKE_CROSSCOMPILING)
  set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  set(MARLOW_GTEST_LIBS gtest gmock gtest_main)
else()
  find_package(GTest REQUIRED)
  set(MARLOW_GTEST_LIBS GTest::gtest GTest::gmock GTest::gtest_main)
endif()
include(GoogleTest)

# Wine runs the cross build's programs: a wrapper with the build's own prefix.
if(CMAKE_CROSSCOMPILING)
  set(MARLOW_WINE_PREFIX ${CMAKE_BINARY_DIR}/wineprefix)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/wine-run.sh.in ${CMAKE_BINARY_DIR}/wine-run.sh
                 @ONLY FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
                 GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
endif()

# Windows tests that put windows on the X server and read pixels back from the
# screen must not overlap another test's windows: under Wine they share the
# "screen" lock, so ctest runs them one at a time (others run beside them).
# The native build has no windows.
set(MARLOW_SCREEN_LABELS viewer display export control)

# marlow_test(name LABEL label SOURCES ... [LIBS ...] [TIMEOUT s])
# One GoogleTest program; each case becomes a ctest test carrying the label,
# so `ctest -L recording` runs one subsystem alone.
function(marlow_test name)
  cmake_parse_arguments(A "" "LABEL;TIMEOUT" "SOURCES;LIBS" ${ARGN})
  if(NOT A_TIMEOUT)
    set(A_TIMEOUT 120)
  endif()
  add_executable(${name} ${A_SOURCES})
  target_link_libraries(${name} PRIVATE ${A_LIBS} ${MARLOW_GTEST_LIBS})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  marlow_warnings(${name})
  set(properties LABELS "${A_LABEL}" TIMEOUT ${A_TIMEOUT})
  if(CMAKE_CROSSCOMPILING AND A_LABEL IN_LIST MARLOW_SCREEN_LABELS)
    list(APPEND properties RESOURCE_LOCK screen)
  endif()
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120
                       WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
                       PROPERTIES ${properties})
endfunction()
