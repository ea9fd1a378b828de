# CPack: `cpack --config <build>/CPackConfig.cmake -G DEB` makes one Debian
# package per install component (cmake/install.cmake), from a build configured
# for /usr (scripts/check-packages.sh builds, checks and installs them):
#
#   libvekkestra1       runtime  the shared library
#   libvekkestra-dev    dev      headers, CMake package, vekkestra.pc, documentation, API reference
#   vekkestra-tools     tools    vekctl, veksim and their man pages
#   python3-vekkestra   python   the ctypes package, for the system's python3
#   vekkestra-tango     tango    the Tango device server (when tango/ installs anything)
#
# A component without install rules makes no package. Each package carries
# /usr/share/doc/<package>/copyright and changelog.gz, as Debian policy asks.
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
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${VEK_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SOURCE vekkestra)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Dependencies on the C and C++ runtimes from what the binaries really link,
# when dpkg-shlibdeps is there (Debian's dpkg-dev).
find_program(VEK_DPKG_SHLIBDEPS dpkg-shlibdeps)
set(_vek_runtime_depends "libc6, libstdc++6, libgcc-s1")

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
_vek_package(dev libvekkestra-dev libdevel ""
  "host library for a ten-axis motion controller - development files"
  "VekKestra drives a ten-axis motion controller over Ethernet (TCP) or a serial"
  "port. This package holds the C header and the C++ header, the CMake package"
  "(find_package(VekKestra)), the pkg-config file, the documentation with its"
  "examples and the HTML reference of the API.")
_vek_package(tools vekkestra-tools electronics ""
  "command-line tool and controller simulator for VekKestra"
  "vekctl drives a ten-axis motion controller through the VekKestra library from"
  "the command line: moves, jogs, homing, positions, flags, I/O, recordings of"
  "positions over time. veksim simulates the controller over TCP and a"
  "pseudo-terminal, so everything runs without hardware.")
_vek_package(python python3-vekkestra python all
  "Python 3 binding of the VekKestra motion-controller library"
  "A ctypes package over the VekKestra library: the 145 exports typed, and a"
  "Controller class with checked arguments and exceptions. Its plot module"
  "draws recordings made by vekctl record (with python3-matplotlib).")
_vek_package(tango vekkestra-tango python all
  "Tango device server for the VekKestra motion controller"
  "A Tango device server that exposes the axes of a ten-axis motion controller"
  "driven through the VekKestra library.")

if(VEK_DPKG_SHLIBDEPS)
  set(CPACK_DEBIAN_RUNTIME_PACKAGE_SHLIBDEPS ON)
else()
  set(CPACK_DEBIAN_RUNTIME_PACKAGE_DEPENDS "${_vek_runtime_depends}")
endif()
# The library's shlibs entry, and the ldconfig trigger that makes the dynamic
# linker's cache follow the library in and out. (CPack also writes ldconfig
# calls into postinst and postrm for a library under /usr/lib; lintian warns
# that the trigger should replace them, and they do no harm beside it.)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
file(WRITE ${PROJECT_BINARY_DIR}/debian/libvekkestra1.triggers/triggers "activate-noawait ldconfig\n")
set(CPACK_DEBIAN_RUNTIME_PACKAGE_CONTROL_EXTRA ${PROJECT_BINARY_DIR}/debian/libvekkestra1.triggers/triggers)
set(_vek_this "(= ${PROJECT_VERSION})")
set(CPACK_DEBIAN_DEV_PACKAGE_DEPENDS "libvekkestra1 ${_vek_this}")
# vekctl needs this very library; dpkg-shlibdeps would look for it among the
# installed packages, where it is not yet, so the runtimes are named here.
set(CPACK_DEBIAN_TOOLS_PACKAGE_DEPENDS "libvekkestra1 ${_vek_this}, ${_vek_runtime_depends}")
set(CPACK_DEBIAN_TOOLS_PACKAGE_SUGGESTS "python3-vekkestra, python3-matplotlib")
set(CPACK_DEBIAN_PYTHON_PACKAGE_DEPENDS "python3, libvekkestra1 ${_vek_this}")
set(CPACK_DEBIAN_PYTHON_PACKAGE_SUGGESTS "python3-matplotlib, vekkestra-tools")
set(CPACK_DEBIAN_TANGO_PACKAGE_DEPENDS "python3, python3-tango, python3-vekkestra ${_vek_this}")

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
  foreach(pair runtime:libvekkestra1 dev:libvekkestra-dev tools:vekkestra-tools python:python3-vekkestra
               tango:vekkestra-tango)
    string(REPLACE ":" ";" pair ${pair})
    list(GET pair 0 component)
    list(GET pair 1 package)
    if(component IN_LIST present)
      list(APPEND packaged ${component})
      if(VEK_SYSTEM_LAYOUT)
        _vek_debian_docs(${component} ${package})
      endif()
    endif()
  endforeach()
  set(CPACK_COMPONENTS_ALL ${packaged})
  include(CPack)
endfunction()
cmake_language(DEFER DIRECTORY ${PROJECT_SOURCE_DIR} CALL _vek_finish_packaging)
