# The program version every executable prints with --version: the project
# version, plus the git commit when built from a checkout. The header is
# rewritten at every build (only when its text changes), so a new commit
# shows without a new configure.
set(PLX71_VERSION_DIR ${CMAKE_BINARY_DIR}/generated)
set(PLX71_VERSION_HEADER ${PLX71_VERSION_DIR}/plx71_version.hpp)
add_custom_target(plx71_version_header
  COMMAND ${CMAKE_COMMAND} -DVERSION=${PROJECT_VERSION} -DSOURCE_DIR=${PROJECT_SOURCE_DIR}
          -DOUTPUT=${PLX71_VERSION_HEADER} -P ${CMAKE_CURRENT_LIST_DIR}/WriteVersion.cmake
  BYPRODUCTS ${PLX71_VERSION_HEADER}
  COMMENT "Program version")
add_library(plx71_version INTERFACE)
target_include_directories(plx71_version INTERFACE ${PLX71_VERSION_DIR})
add_dependencies(plx71_version plx71_version_header)
