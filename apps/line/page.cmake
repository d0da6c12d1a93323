# The line's page (web/: index.html, app.js, style.css) and Debian's
# Chart.js (libjs-chart.js) with its licence: copied beside plx71line in the
# build folder (bin/web) and installed to share/plx71/web, where plx71line
# looks for them from its own folder (api/page_files.hpp). Nothing comes
# from the network when the page is used.
set(PLX71_CHARTJS /usr/share/javascript/chart.js/chart.min.js CACHE FILEPATH "Chart.js 3, the minified UMD build")
set(PLX71_CHARTJS_COPYRIGHT /usr/share/doc/libjs-chart.js/copyright CACHE FILEPATH "Chart.js's licence")
foreach(f ${PLX71_CHARTJS} ${PLX71_CHARTJS_COPYRIGHT})
  if(NOT EXISTS ${f})
    message(FATAL_ERROR "${f} missing: the line's page needs Debian's libjs-chart.js (scripts/install-deps.sh)")
  endif()
endforeach()
set(PLX71_LINE_WEB_DIR ${CMAKE_BINARY_DIR}/bin/web)
set(PLX71_LINE_PAGE_FILES ${CMAKE_CURRENT_SOURCE_DIR}/web/index.html ${CMAKE_CURRENT_SOURCE_DIR}/web/app.js
  ${CMAKE_CURRENT_SOURCE_DIR}/web/style.css)
foreach(f ${PLX71_LINE_PAGE_FILES})
  get_filename_component(name ${f} NAME)
  configure_file(${f} ${PLX71_LINE_WEB_DIR}/${name} COPYONLY)
endforeach()
configure_file(${PLX71_CHARTJS} ${PLX71_LINE_WEB_DIR}/chart.min.js COPYONLY)
configure_file(${PLX71_CHARTJS_COPYRIGHT} ${PLX71_LINE_WEB_DIR}/chart.js-copyright.txt COPYONLY)
# share/plx71 is PLX71_INSTALL_DATADIR (cmake/Plx71Install.cmake, included after this).
install(DIRECTORY ${PLX71_LINE_WEB_DIR}/ DESTINATION share/plx71/web)
