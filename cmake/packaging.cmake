# CPack: `cpack --config <build>/CPackConfig.cmake -G DEB` makes one Debian
# package per install component (cmake/install.cmake), from a build configured
# for /usr with Debian's build flags (scripts/check-packages.sh builds, checks
# and installs them; the README's install section shows the commands):
#
#   libvekkestra1         runtime  the shared library
#   libvekkestra-motion1  motion   the motion core's shared library
#   libvekkestra-dev      dev      headers, CMake package, .pc files, documentation, API reference
#   vekkestra-tools       tools    vekctl, veksim and their man pages
#   python3-vekkestra     python   the ctypes package, for the system's python3
#   vekkestra-tango       tango    the Tango device server (when tango/ installs anything)
#   vekkestra-panel       panel    the operator panel (fields in panel/packaging.cmake)
#
# A component without install rules makes no package. Each package carries
# /usr/share/doc/<package>/copyright and changelog.gz, as Debian policy asks.
#
# What a Debian maintainer's tools would add, done here:
# - the library packages carry a symbols file (written from the headers) and
#   an ldconfig trigger, and no maintainer scripts: CPack writes ldconfig
#   calls into their postinst and postrm on its own, and cmake/packaging_repack.cmake
#   takes them out again, so that the trigger alone runs ldconfig;
# - every package holding ELF files gets its Depends from dpkg-shlibdeps,
#   also on the other libraries built here (cmake/packaging_stage.cmake shows
#   dpkg-shlibdeps their symbols files, as for the packages of one source);
# - the ELF files are stripped as dh_strip strips them;
# - the Python packages byte-compile their modules in postinst (py3compile)
#   and remove what was compiled in prerm (py3clean), as dh_python3 does.
set(CPACK_PACKAGE_NAME vekkestra)
set(CPACK_PACKAGE_VENDOR "The VekKestra developers")
set(VEK_PACKAGE_MAINTAINER "VekKestra developers <developers@vekkestra.example>" CACHE STRING
    "Maintainer field of the Debian packages: Name <address>")
set(CPACK_PACKAGE_CONTACT "${VEK_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
# No CPACK_PACKAGE_DESCRIPTION_SUMMARY: CPack would put it before every
# package's own synopsis, which is the first line of its description below.
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_RESOURCE_FILE_README ${PROJECT_SOURCE_DIR}/README.md)
set(CPACK_PACKAGE_INSTALL_DIRECTORY VekKestra)
if(WIN32)
  set(CPACK_GENERATOR ZIP)
else()
  set(CPACK_GENERATOR TGZ DEB)
endif()
# The archives hold everything; the Debian packages one component each.
set(CPACK_ARCHIVE_COMPONENT_INSTALL OFF)
set(CPACK_DEB_COMPONENT_INSTALL ON)
# Stripping is cmake/packaging_stage.cmake's, for every generator.
set(CPACK_STRIP_FILES OFF)
set(CPACK_VEK_STRIP "${CMAKE_STRIP}")
set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/packaging_stage.cmake)
set(CPACK_POST_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/packaging_repack.cmake)

set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${VEK_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SOURCE vekkestra)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Maintainer scripts 0755, other control files 0644, whatever the build tree's modes.
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

# A Debian package's binaries are hardened (bindnow, relro, fortify, PIE):
# dpkg-buildflags gives the flags, scripts/check-packages.sh passes them and
# checks every ELF file of every package.
if(CMAKE_INSTALL_PREFIX STREQUAL "/usr" AND NOT WIN32
   AND NOT ("${CMAKE_CXX_FLAGS}" MATCHES "_FORTIFY_SOURCE" AND "${CMAKE_SHARED_LINKER_FLAGS}" MATCHES "-z,now"))
  message(STATUS "Configured for /usr without Debian's hardening flags: Debian packages made from this build "
                 "would not be hardened (the README's install section shows the flags)")
endif()

# name, section, architecture ("" for the build's), summary, description lines
function(_vek_package component name section architecture summary)
  string(TOUPPER ${component} C)
  set(CPACK_DEBIAN_${C}_PACKAGE_NAME ${name} PARENT_SCOPE)
  set(CPACK_DEBIAN_${C}_FILE_NAME DEB-DEFAULT PARENT_SCOPE)
  set(CPACK_DEBIAN_${C}_PACKAGE_SECTION ${section} PARENT_SCOPE)
  if(architecture)
    set(CPACK_DEBIAN_${C}_PACKAGE_ARCHITECTURE ${architecture} PARENT_SCOPE)
  endif()
  # The control file keeps the line breaks: lines of at most 80 columns.
  string(JOIN "\n" body ${ARGN})
  set(CPACK_DEBIAN_${C}_DESCRIPTION "${summary}\n${body}" PARENT_SCOPE)
endfunction()

_vek_package(runtime libvekkestra1 libs ""
  "host library for a ten-axis motion controller over TCP or a serial port"
  "VekKestra drives a ten-axis motion controller over Ethernet (TCP) or a serial"
  "port in the controller's ASCII command language, through a plain C interface"
  "of 145 functions. This package holds the shared library.")
_vek_package(motion libvekkestra-motion1 libs ""
  "safe moves over the VekKestra motion-controller library"
  "The VekKestra motion core builds on the library's exports what applications"
  "need: a move returns success only with its axes at rest at their targets, a"
  "limit or slip ends it and stops the other moved axes, a time-out or a cancel"
  "stops the axes, and a lost reply is recovered from. The C++, Python and C#"
  "layers and vekctl are built on its plain C interface. This package holds the"
  "shared library.")
_vek_package(dev libvekkestra-dev libdevel ""
  "host library for a ten-axis motion controller - development files"
  "VekKestra drives a ten-axis motion controller over Ethernet (TCP) or a serial"
  "port. This package holds the C header and the C++ header, the motion core's"
  "headers, the CMake package (find_package(VekKestra): VekKestra::vekkestra,"
  "VekKestra::motion), the pkg-config files vekkestra and vekkestra-motion, the"
  "documentation with its examples and the HTML reference of the API.")
_vek_package(tools vekkestra-tools electronics ""
  "command-line tool and controller simulator for VekKestra"
  "vekctl drives a ten-axis motion controller through the VekKestra library from"
  "the command line: moves, jogs, homing, positions, flags, I/O, recordings of"
  "positions over time. veksim simulates the controller over TCP and a"
  "pseudo-terminal, so everything runs without hardware.")
_vek_package(python python3-vekkestra python all
  "Python 3 binding of the VekKestra motion-controller library"
  "A ctypes package over the VekKestra library and its motion core: a Controller"
  "class with safe moves, checked arguments and exceptions, and the library's"
  "exports typed. Its plot module draws recordings made by vekctl record (with"
  "python3-matplotlib).")
_vek_package(tango vekkestra-tango python all
  "Tango device server for the VekKestra motion controller"
  "A Tango device server that exposes the axes of a ten-axis motion controller"
  "driven through the VekKestra library.")

set(_vek_this "(= ${PROJECT_VERSION})")
# Dependencies on the C and C++ runtimes and on the libraries built here,
# from what the binaries really link, when dpkg-shlibdeps is there (Debian's
# dpkg-dev); the other libraries' files are found in their packages' staging
# directories, beside the one being packed.
find_program(VEK_DPKG_SHLIBDEPS dpkg-shlibdeps)
set(_vek_runtime_depends "libc6, libstdc++6, libgcc-s1")
if(VEK_DPKG_SHLIBDEPS)
  foreach(C RUNTIME MOTION TOOLS)
    set(CPACK_DEBIAN_${C}_PACKAGE_SHLIBDEPS ON)
  endforeach()
  # dpkg-shlibdeps runs in the staging directory of the package it packs.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ../runtime${CMAKE_INSTALL_FULL_LIBDIR} ../motion${CMAKE_INSTALL_FULL_LIBDIR})
else()
  set(CPACK_DEBIAN_RUNTIME_PACKAGE_DEPENDS "${_vek_runtime_depends}")
  set(CPACK_DEBIAN_MOTION_PACKAGE_DEPENDS "libvekkestra1 (>= ${PROJECT_VERSION}), ${_vek_runtime_depends}")
  set(CPACK_DEBIAN_TOOLS_PACKAGE_DEPENDS
      "libvekkestra1 (>= ${PROJECT_VERSION}), libvekkestra-motion1 (>= ${PROJECT_VERSION}), ${_vek_runtime_depends}")
endif()
set(CPACK_DEBIAN_DEV_PACKAGE_DEPENDS "libvekkestra1 ${_vek_this}, libvekkestra-motion1 ${_vek_this}")
set(CPACK_DEBIAN_TOOLS_PACKAGE_SUGGESTS "python3-vekkestra, python3-matplotlib")
# The Python package loads both libraries with ctypes, typed for this very
# version: dpkg-shlibdeps cannot see that, so it is named here.
set(CPACK_DEBIAN_PYTHON_PACKAGE_DEPENDS "python3, libvekkestra1 ${_vek_this}, libvekkestra-motion1 ${_vek_this}")
set(CPACK_DEBIAN_PYTHON_PACKAGE_SUGGESTS "python3-matplotlib, vekkestra-tools")
set(CPACK_DEBIAN_TANGO_PACKAGE_DEPENDS "python3, python3-tango, python3-vekkestra ${_vek_this}")

# The libraries' shlibs entries and symbols files, and the ldconfig trigger
# that makes the dynamic linker's cache follow a library in and out.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")

# debian/<package>/symbols: every function the headers declare, at this
# version (the version the symbols file started with; a function added later
# gets the version that brings it), so that a program needs the version of
# the library that has all it uses.
function(_vek_symbols package soname api call)
  set(text "${soname} ${package} #MINVER#\n* Build-Depends-Package: libvekkestra-dev\n")
  set(names)
  foreach(header IN LISTS ARGN)
    file(STRINGS ${PROJECT_SOURCE_DIR}/include/${header} lines REGEX "^${api} .* ${call} [A-Za-z_0-9]+\\(")
    foreach(line IN LISTS lines)
      string(REGEX REPLACE "^.* ${call} ([A-Za-z_0-9]+)\\(.*$" "\\1" name "${line}")
      list(APPEND names ${name})
    endforeach()
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/include/${header})
  endforeach()
  list(SORT names)
  foreach(name IN LISTS names)
    string(APPEND text " ${name}@Base ${PROJECT_VERSION}\n")
  endforeach()
  file(WRITE ${PROJECT_BINARY_DIR}/debian/${package}/symbols "${text}")
  file(WRITE ${PROJECT_BINARY_DIR}/debian/${package}/triggers "activate-noawait ldconfig\n")
endfunction()
if(NOT WIN32)
  _vek_symbols(libvekkestra1 libvekkestra.so.${PROJECT_VERSION_MAJOR} VEK_API VEK_CALL vekkestra.h)
  _vek_symbols(libvekkestra-motion1 libvekkestra-motion.so.${PROJECT_VERSION_MAJOR} VEKM_API VEKM_CALL
               vekkestra_motion.h vekkestra_motion_calls.h)
endif()
foreach(pair RUNTIME:libvekkestra1 MOTION:libvekkestra-motion1)
  string(REPLACE ":" ";" pair ${pair})
  list(GET pair 0 C)
  list(GET pair 1 package)
  set(CPACK_DEBIAN_${C}_PACKAGE_CONTROL_EXTRA ${PROJECT_BINARY_DIR}/debian/${package}/symbols
                                               ${PROJECT_BINARY_DIR}/debian/${package}/triggers)
endforeach()
# What packaging_stage.cmake shows dpkg-shlibdeps: package and symbols file.
set(CPACK_VEK_SYMBOLS libvekkestra1 ${PROJECT_BINARY_DIR}/debian/libvekkestra1/symbols
                      libvekkestra-motion1 ${PROJECT_BINARY_DIR}/debian/libvekkestra-motion1/symbols)
# The library packages that carry only their trigger (packaging_repack.cmake).
set(CPACK_VEK_TRIGGER_ONLY libvekkestra1 libvekkestra-motion1)

# postinst and prerm of a Python package, as dh_python3 writes them:
# py3compile byte-compiles the package's modules (under `private`, a
# directory outside python3's own path, when given), py3clean removes every
# compiled file of them again, also those that python3 wrote when a module
# was imported, so that nothing is left behind when the package goes.
function(_vek_python_scripts component package)
  cmake_parse_arguments(PARSE_ARGV 2 arg "" "" "DIRECTORIES")
  set(dir ${PROJECT_BINARY_DIR}/debian/${package})
  set(private "")
  set(clean "")
  foreach(directory IN LISTS arg_DIRECTORIES)
    string(APPEND clean "\tfind ${directory} -depth -type d -name __pycache__ -exec rm -rf {} +\n")
    if(NOT directory MATCHES "/dist-packages/")
      string(APPEND private " ${directory}")
    endif()
  endforeach()
  file(WRITE ${dir}/postinst "#!/bin/sh\nset -e\n\n"
       "# Byte-compile the modules for the installed python3; prerm removes them.\n"
       "if command -v py3compile >/dev/null 2>&1; then\n\tpy3compile -p ${package}${private}\nfi\n")
  file(WRITE ${dir}/prerm "#!/bin/sh\nset -e\n\n"
       "# Remove what py3compile and imports compiled, so that no file stays behind.\n"
       "if command -v py3clean >/dev/null 2>&1; then\n\tpy3clean -p ${package}\nelse\n${clean}fi\n")
  string(TOUPPER ${component} C)
  set(CPACK_DEBIAN_${C}_PACKAGE_CONTROL_EXTRA ${dir}/postinst ${dir}/prerm PARENT_SCOPE)
endfunction()

# Debian's copyright and changelog files, one pair per package, written into
# the build tree and installed with the package's component.
function(_vek_debian_docs component package)
  set(dir ${PROJECT_BINARY_DIR}/debian/${package})
  file(READ ${PROJECT_SOURCE_DIR}/LICENSE licence)
  string(REGEX REPLACE "\n$" "" licence "${licence}")
  string(REGEX REPLACE "\n\n" "\n.\n" licence "${licence}")
  string(REGEX REPLACE "\n" "\n " licence "${licence}")
  string(REGEX MATCH "Copyright \\(c\\) ([^\n]*)" holder "${licence}")
  file(WRITE ${dir}/copyright
       "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"
       "Upstream-Name: VekKestra\n\nFiles: *\nCopyright: ${CMAKE_MATCH_1}\nLicense: Expat\n ${licence}\n")
  string(TIMESTAMP date "%a, %d %b %Y %H:%M:%S +0000" UTC)
  file(WRITE ${dir}/changelog
       "vekkestra (${PROJECT_VERSION}) unstable; urgency=medium\n\n"
       "  * Release ${PROJECT_VERSION}; the changes are listed in\n"
       "    /usr/share/doc/libvekkestra-dev/CHANGELOG.md.\n\n"
       " -- ${VEK_PACKAGE_MAINTAINER}  ${date}\n")
  # gzip -n: no name or time in the header, so the same input packs the same.
  execute_process(COMMAND gzip -9nf ${dir}/changelog RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "gzip ${dir}/changelog failed")
  endif()
  install(FILES ${dir}/copyright ${dir}/changelog.gz DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/${package}
          COMPONENT ${component})
endfunction()

# Runs once every directory has added its install rules (tango/ among them),
# so that only components with something to install become packages.
function(_vek_finish_packaging)
  get_cmake_property(present COMPONENTS)
  set(packaged)
  foreach(pair runtime:libvekkestra1 motion:libvekkestra-motion1 dev:libvekkestra-dev tools:vekkestra-tools
               python:python3-vekkestra tango:vekkestra-tango panel:vekkestra-panel)
    string(REPLACE ":" ";" pair ${pair})
    list(GET pair 0 component)
    list(GET pair 1 package)
    if(NOT component IN_LIST present)
      continue()
    endif()
    list(APPEND packaged ${component})
    if(NOT VEK_SYSTEM_LAYOUT)
      continue()
    endif()
    _vek_debian_docs(${component} ${package})
    if(component STREQUAL "python")
      _vek_python_scripts(python ${package} DIRECTORIES ${CMAKE_INSTALL_PREFIX}/${VEK_PYTHON_INSTALL_DIR}/vekkestra)
    elseif(component STREQUAL "tango")
      # The server's modules, in the directory that tango/ installs them to.
      get_directory_property(tango_dir DIRECTORY ${PROJECT_SOURCE_DIR}/tango DEFINITION VEK_TANGO_DIR)
      _vek_python_scripts(tango ${package} DIRECTORIES ${CMAKE_INSTALL_PREFIX}/${tango_dir})
    elseif(component STREQUAL "panel")
      # The panel's modules and page (fields in panel/packaging.cmake).
      get_directory_property(panel_dir DIRECTORY ${PROJECT_SOURCE_DIR}/panel DEFINITION VEK_PANEL_DIR)
      _vek_python_scripts(panel ${package} DIRECTORIES ${CMAKE_INSTALL_PREFIX}/${panel_dir})
    endif()
  endforeach()
  set(CPACK_COMPONENTS_ALL ${packaged})
  include(CPack)
endfunction()
cmake_language(DEFER DIRECTORY ${PROJECT_SOURCE_DIR} CALL _vek_finish_packaging)
