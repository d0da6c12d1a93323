# GoogleTest and GoogleMock built from a source tree (Debian's libgtest-dev
# ships one in /usr/src/googletest) with the current toolchain, under the
# names find_package(GTest) gives. Used by cross builds, whose target has no
# installed GoogleTest.
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
add_subdirectory(${PLX71_GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
foreach(lib gtest gtest_main gmock gmock_main)
  if(TARGET ${lib} AND NOT TARGET GTest::${lib})
    add_library(GTest::${lib} ALIAS ${lib})
  endif()
endforeach()
