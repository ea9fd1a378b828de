# CPack: `cpack --config <build>/CPackConfig.cmake -G DEB` makes
# vekkestra_<version>_<arch>.deb from the install rules: library, header,
# CMake package, vekkestra.pc, vekctl, veksim, documentation and the Python
# package, all under /usr.
set(CPACK_PACKAGE_NAME vekkestra)
set(CPACK_PACKAGE_VENDOR "The VekKestra developers")
set(CPACK_PACKAGE_CONTACT "VekKestra developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Host library for a ten-axis motion controller over TCP or a serial port")
# Lines of at most 80 columns: the .deb's control file keeps the breaks.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
  "VekKestra drives a ten-axis motion controller over Ethernet (TCP) or a serial"
  "port in the controller's ASCII command language, through a plain C interface"
  "of 145 functions. The package holds the shared library and its header, a"
  "CMake package and a pkg-config file, the vekctl command-line tool, the veksim"
  "controller simulator, a Python ctypes binding and the documentation.")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_RESOURCE_FILE_README ${PROJECT_SOURCE_DIR}/README.md)
set(CPACK_PACKAGE_INSTALL_DIRECTORY VekKestra)
if(WIN32)
  set(CPACK_GENERATOR ZIP)
else()
  set(CPACK_GENERATOR TGZ DEB)
endif()

set(CPACK_DEBIAN_PACKAGE_MAINTAINER "VekKestra developers")
set(CPACK_DEBIAN_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# The shared library's shlibs entry, and the ldconfig trigger that comes with it.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
# Dependencies from what the binaries really link, when dpkg-shlibdeps is
# there (Debian's dpkg-dev); otherwise the C and C++ runtimes they need.
find_program(VEK_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(VEK_DPKG_SHLIBDEPS)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
else()
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "libc6, libstdc++6, libgcc-s1")
endif()
set(CPACK_DEBIAN_PACKAGE_SUGGESTS python3)

include(CPack)
