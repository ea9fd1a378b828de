# The control fields of the vekkestra-panel Debian package (component
# `panel`, whose files panel/CMakeLists.txt installs). Included by the top
# CMakeLists.txt; cmake/packaging.cmake turns the component into a package
# once it lists `panel:vekkestra-panel` among its components.
set(CPACK_DEBIAN_PANEL_PACKAGE_NAME vekkestra-panel)
set(CPACK_DEBIAN_PANEL_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PANEL_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PANEL_PACKAGE_ARCHITECTURE all)
# The control file keeps the line breaks: lines of at most 80 columns.
string(JOIN "\n" CPACK_DEBIAN_PANEL_DESCRIPTION
  "operator panel for a VekKestra motion controller, in a web browser"
  "vekkestra-panel serves one ten-axis motion controller to web browsers, for"
  "commissioning and running a stage without programming: positions and states"
  "of the axes, jog buttons that run only while held, moves, home searches,"
  "stops, a live plot, recordings as CSV and PNG, an event list, an expert"
  "console and a small JSON API. Any number of pages share one connection;"
  "every request needs the panel's token. Without a controller it drives the"
  "simulator veksim (vekkestra-tools).")
set(CPACK_DEBIAN_PANEL_PACKAGE_DEPENDS
    "python3, python3-aiohttp, libjs-dygraphs, python3-vekkestra (= ${PROJECT_VERSION})")
set(CPACK_DEBIAN_PANEL_PACKAGE_RECOMMENDS "vekkestra-tools")
set(CPACK_DEBIAN_PANEL_PACKAGE_SUGGESTS "chromium | www-browser")
