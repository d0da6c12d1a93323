# cmake -DVERSION=1.30 -DSOURCE_DIR=... -DOUTPUT=.../plx71_version.hpp -P WriteVersion.cmake
set(commit "")
find_package(Git QUIET)
if(GIT_FOUND)
  execute_process(COMMAND ${GIT_EXECUTABLE} rev-parse --short=12 HEAD
    WORKING_DIRECTORY ${SOURCE_DIR} OUTPUT_VARIABLE commit ERROR_QUIET OUTPUT_STRIP_TRAILING_WHITESPACE)
endif()
# The version records carry: "1.30+e3ae3b927ca1", or "1.30" outside a checkout.
set(program "${VERSION}")
if(commit)
  set(program "${VERSION}+${commit}")
endif()
set(text "#pragma once\n// Generated at build time; do not edit.\n#define PLX71_PROJECT_VERSION \"${VERSION}\"\n#define PLX71_GIT_COMMIT \"${commit}\"\n#define PLX71_PROGRAM_VERSION \"${program}\"\n")
if(EXISTS ${OUTPUT})
  file(READ ${OUTPUT} old)
endif()
if(NOT "${old}" STREQUAL "${text}")
  file(WRITE ${OUTPUT} "${text}")
endif()
