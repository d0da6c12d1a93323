# Windows resources of a program: an icon made from one of packaging/icons/*.svg
# at build time (rsvg-convert renders each size, ImageMagick's convert packs
# them into one .ico) and a VERSIONINFO block with the project version.
# Elsewhere this does nothing.
if(WIN32)
  enable_language(RC)
endif()

function(plx71_windows_resources target)
  cmake_parse_arguments(R "" "ICON;DESCRIPTION" "" ${ARGN})
  if(NOT WIN32)
    return()
  endif()
  find_program(PLX71_RSVG_CONVERT rsvg-convert REQUIRED)
  find_program(PLX71_IM_CONVERT convert REQUIRED)

  set(dir ${CMAKE_CURRENT_BINARY_DIR}/${target}_resources)
  get_filename_component(icon_name ${R_ICON} NAME_WE)
  set(ico ${dir}/${icon_name}.ico)
  set(sizes 16 24 32 48 64 256)
  set(pngs)
  set(render)
  foreach(size ${sizes})
    list(APPEND pngs ${dir}/${icon_name}-${size}.png)
    list(APPEND render COMMAND ${PLX71_RSVG_CONVERT} -w ${size} -h ${size} -o ${dir}/${icon_name}-${size}.png ${R_ICON})
  endforeach()
  add_custom_command(OUTPUT ${ico}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
    ${render}
    COMMAND ${PLX71_IM_CONVERT} ${pngs} ${ico}
    DEPENDS ${R_ICON}
    COMMENT "Icon of ${target}"
    VERBATIM)

  set(PLX71_RC_NAME ${target})
  set(PLX71_RC_ICON ${ico})
  set(PLX71_RC_DESCRIPTION ${R_DESCRIPTION})
  string(REPLACE "." "," PLX71_RC_VERSION_COMMAS "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.0.0")
  configure_file(${PROJECT_SOURCE_DIR}/cmake/windows/program.rc.in ${dir}/${target}.rc @ONLY)
  set_source_files_properties(${dir}/${target}.rc PROPERTIES OBJECT_DEPENDS ${ico})
  target_sources(${target} PRIVATE ${dir}/${target}.rc)
endfunction()
