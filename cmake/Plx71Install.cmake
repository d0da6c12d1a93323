# Install layout. The programs go to bin/ and the device table to
# share/plx71/: the programs look for the table beside themselves first,
# then in ../share/plx71 from their own folder, so these two folders keep
# that relation whatever the prefix (see plx71/devices/table_lookup.hpp).
set(PLX71_INSTALL_BINDIR bin)
set(PLX71_INSTALL_DATADIR share/plx71)
set(PLX71_INSTALL_DOCDIR share/doc/plx71)
set(PLX71_INSTALL_MANDIR share/man/man1)
set(PLX71_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging)

foreach(program plx71 plx71sim plx71line PLX71RD Plx71Ldr Plx71Station)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${PLX71_INSTALL_BINDIR})
  endif()
endforeach()
install(FILES ${PLX71_DEVICE_TABLE} DESTINATION ${PLX71_INSTALL_DATADIR})
# plx71's HTTP client for --line, a module it loads from ../lib/plx71 at the
# first request (libs/line).
if(TARGET plx71_line_http)
  install(TARGETS plx71_line_http LIBRARY DESTINATION lib/plx71)
endif()
install(DIRECTORY ${PLX71_EXAMPLES_DIR}/ DESTINATION ${PLX71_INSTALL_DOCDIR}/examples)
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${PLX71_INSTALL_DOCDIR})

if(NOT UNIX OR CMAKE_CROSSCOMPILING)
  return()
endif()

install(FILES ${PLX71_PACKAGING_DIR}/udev/60-plx71-serial.rules DESTINATION ${PLX71_INSTALL_DOCDIR}/examples/udev)
if(TARGET plx71line)
  install(FILES ${PLX71_PACKAGING_DIR}/systemd/plx71line.service DESTINATION ${PLX71_INSTALL_DOCDIR}/examples/systemd)
endif()
if(TARGET plx71)
  install(FILES ${PLX71_PACKAGING_DIR}/bash-completion/plx71 DESTINATION share/bash-completion/completions)
endif()

# Menu entries and their icons: the drawn SVG, and the PNG sizes menus and
# docks ask for, rendered from it at build time.
set(PLX71_ICON_SIZES 16 24 32 48 64 128 256)
find_program(PLX71_RSVG_CONVERT rsvg-convert)
set(icon_outputs)
foreach(pair "PLX71RD;plx71rd" "Plx71Ldr;plx71ldr" "Plx71Station;plx71station")
  list(GET pair 0 program)
  list(GET pair 1 icon)
  if(NOT TARGET ${program})
    continue()
  endif()
  install(FILES ${PLX71_PACKAGING_DIR}/${icon}.desktop DESTINATION share/applications)
  install(FILES ${PLX71_PACKAGING_DIR}/icons/${icon}.svg DESTINATION share/icons/hicolor/scalable/apps)
  if(NOT PLX71_RSVG_CONVERT)
    continue()
  endif()
  foreach(size ${PLX71_ICON_SIZES})
    set(png ${PROJECT_BINARY_DIR}/icons/${size}x${size}/${icon}.png)
    add_custom_command(OUTPUT ${png}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/icons/${size}x${size}
      COMMAND ${PLX71_RSVG_CONVERT} -w ${size} -h ${size} -o ${png} ${PLX71_PACKAGING_DIR}/icons/${icon}.svg
      DEPENDS ${PLX71_PACKAGING_DIR}/icons/${icon}.svg VERBATIM)
    list(APPEND icon_outputs ${png})
    install(FILES ${png} DESTINATION share/icons/hicolor/${size}x${size}/apps)
  endforeach()
endforeach()
# The project file type: the shared-mime-info package (name, *.pxp, the
# header's magic) and its icon; PLX71RD's menu entry names the type.
if(TARGET PLX71RD)
  install(FILES ${PLX71_PACKAGING_DIR}/mime/plx71.xml DESTINATION share/mime/packages)
  set(type_icon application-x-plx71-project)
  install(FILES ${PLX71_PACKAGING_DIR}/icons/${type_icon}.svg DESTINATION share/icons/hicolor/scalable/mimetypes)
  if(PLX71_RSVG_CONVERT)
    foreach(size 16 32 48 64 128)
      set(png ${PROJECT_BINARY_DIR}/icons/mimetypes/${size}x${size}/${type_icon}.png)
      add_custom_command(OUTPUT ${png}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/icons/mimetypes/${size}x${size}
        COMMAND ${PLX71_RSVG_CONVERT} -w ${size} -h ${size} -o ${png} ${PLX71_PACKAGING_DIR}/icons/${type_icon}.svg
        DEPENDS ${PLX71_PACKAGING_DIR}/icons/${type_icon}.svg VERBATIM)
      list(APPEND icon_outputs ${png})
      install(FILES ${png} DESTINATION share/icons/hicolor/${size}x${size}/mimetypes)
    endforeach()
  endif()
endif()
if(icon_outputs)
  add_custom_target(plx71_icons ALL DEPENDS ${icon_outputs})
elseif(TARGET PLX71RD OR TARGET Plx71Ldr)
  message(STATUS "rsvg-convert not found (Debian: librsvg2-bin): menu icons only as SVG")
endif()

# Manual pages from each program's --help, gzip'd. Sanitizer builds, which
# never get installed, skip them rather than run their programs at build time.
find_program(PLX71_HELP2MAN help2man)
if(CMAKE_CXX_FLAGS MATCHES "-fsanitize")
  set(PLX71_HELP2MAN OFF)
endif()
set(man_outputs)
# The window programs answer --help and --version without a display.
foreach(pair "plx71;PLX-71RD writer jobs from the command line" "plx71sim;the PLX-71RD writer box in software"
    "PLX71RD;the PLX-71RD writer control program" "Plx71Ldr;the firmware loader of the PLX-71RD writer box"
    "Plx71Station;one project on many PLX-71RD writer boxes, for a production line"
    "plx71line;the line server: the jobs of every station in one database")
  list(GET pair 0 program)
  list(GET pair 1 summary)
  if(NOT TARGET ${program} OR NOT PLX71_HELP2MAN)
    continue()
  endif()
  set(page ${PROJECT_BINARY_DIR}/man/${program}.1.gz)
  add_custom_command(OUTPUT ${page}
    COMMAND ${CMAKE_COMMAND} -DHELP2MAN=${PLX71_HELP2MAN} -DPROGRAM=$<TARGET_FILE:${program}>
      -DSUMMARY=${summary} -DINCLUDE=${PLX71_PACKAGING_DIR}/man/${program}.h2m
      -DVERSION=${PROJECT_VERSION} -DOUTPUT=${page} -P ${PROJECT_SOURCE_DIR}/cmake/Plx71ManPage.cmake
    DEPENDS ${program} ${PLX71_PACKAGING_DIR}/man/${program}.h2m ${PROJECT_SOURCE_DIR}/cmake/Plx71ManPage.cmake
    VERBATIM)
  list(APPEND man_outputs ${page})
  install(FILES ${page} DESTINATION ${PLX71_INSTALL_MANDIR})
endforeach()
if(man_outputs)
  add_custom_target(plx71_man_pages ALL DEPENDS ${man_outputs})
elseif(TARGET plx71)
  message(STATUS "no manual pages (help2man not found, or a sanitizer build)")
endif()

# The user guide as HTML pages with its pictures (scripts/build_guide.py,
# Python's markdown module: Debian python3-markdown).
# Debian's python3 first: another python3 earlier on PATH may lack the module.
find_program(PLX71_GUIDE_PYTHON python3 PATHS /usr/bin NO_DEFAULT_PATH)
find_program(PLX71_GUIDE_PYTHON python3)
if(PLX71_GUIDE_PYTHON)
  execute_process(COMMAND ${PLX71_GUIDE_PYTHON} -c "import markdown" RESULT_VARIABLE markdown_rc
    OUTPUT_QUIET ERROR_QUIET)
endif()
if(PLX71_GUIDE_PYTHON AND markdown_rc EQUAL 0)
  file(GLOB guide_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/docs/guide/*.md
    ${PROJECT_SOURCE_DIR}/docs/guide/images/*.png)
  add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/guide/index.html
    COMMAND ${PLX71_GUIDE_PYTHON} ${PROJECT_SOURCE_DIR}/scripts/build_guide.py ${PROJECT_BINARY_DIR}/guide
    DEPENDS ${guide_sources} ${PROJECT_SOURCE_DIR}/scripts/build_guide.py VERBATIM)
  add_custom_target(plx71_guide ALL DEPENDS ${PROJECT_BINARY_DIR}/guide/index.html)
  install(DIRECTORY ${PROJECT_BINARY_DIR}/guide/ DESTINATION ${PLX71_INSTALL_DOCDIR}/guide)
else()
  message(STATUS "python3-markdown not found: no HTML user guide")
endif()
