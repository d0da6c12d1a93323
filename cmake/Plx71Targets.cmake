# Warnings as errors on our own code only.
function(plx71_warnings target)
  if(MSVC)
    target_compile_options(${target} PRIVATE /W4 /WX)
  else()
    target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
    # GCC 12 at -O2/-O3 reports std::string's own "literal" + string as an
    # overlapping memcpy (a known false positive of that release).
    if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_GREATER_EQUAL 12
       AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
      target_compile_options(${target} PRIVATE -Wno-restrict)
    endif()
  endif()
endfunction()

# A test executable: GoogleTest, discovered by ctest when the tests run.
function(plx71_gtest name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  if(NOT T_SOURCES)
    message(FATAL_ERROR "${name}: no test sources")
  endif()
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main GTest::gmock)
  target_compile_definitions(${name} PRIVATE
    PLX71_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    PLX71_BINARY_DIR="${PROJECT_BINARY_DIR}")
  plx71_warnings(${name})
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
    PROPERTIES LABELS "${name}")
endfunction()

# A Qt Test executable of a window program, run by ctest on the offscreen
# platform, with the tests' shared helpers (plx71_test_support).
function(plx71_qttest name)
  cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;LIBS;LABELS;INCLUDES;DEFINITIONS" ${ARGN})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 180)
  endif()
  add_executable(${name} ${T_SOURCES})
  set_target_properties(${name} PROPERTIES AUTOMOC ON)
  target_include_directories(${name} PRIVATE ${T_INCLUDES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} plx71_test_support Qt6::Test)
  target_compile_definitions(${name} PRIVATE ${T_DEFINITIONS})
  plx71_warnings(${name})
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen" LABELS "${T_LABELS};gui" TIMEOUT ${T_TIMEOUT})
endfunction()

# A window program: everything in src/ but main() is the static library
# LIBRARY, so the tests drive the same windows the program shows; the
# program is main() on top, with its icon and version resource on Windows.
#   plx71_window_program(PROGRAM LIBRARY ICON file DESCRIPTION text LIBS ...)
function(plx71_window_program program library)
  cmake_parse_arguments(ARG "" "ICON;DESCRIPTION" "LIBS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/src/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/src/*.hpp)
  list(FILTER sources EXCLUDE REGEX "/main\\.cpp$")
  add_library(${library} STATIC ${sources})
  set_target_properties(${library} PROPERTIES AUTOMOC ON)
  target_include_directories(${library} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/src)
  target_link_libraries(${library} PUBLIC plx71::qtui Qt6::Widgets ${ARG_LIBS})
  plx71_warnings(${library})

  add_executable(${program} WIN32 ${CMAKE_CURRENT_SOURCE_DIR}/src/main.cpp)
  target_link_libraries(${program} PRIVATE ${library})
  plx71_warnings(${program})
  plx71_windows_resources(${program} ICON ${ARG_ICON} DESCRIPTION "${ARG_DESCRIPTION}")
endfunction()
