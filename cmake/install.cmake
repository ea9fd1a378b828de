# What `cmake --install` puts under the prefix: the public headers, the shared
# library (SONAME'd on Linux; on Windows the DLL in bin and its import
# libraries in lib), the VekKestra::vekkestra CMake package, vekkestra.pc, the
# documentation with the examples and the API reference, the man pages, the
# Python package and the C# binding's source. vekctl and veksim install themselves from tools/ and
# sim/. Nothing internal is installed: the static library and the test
# support stay in the build tree.
#
# Every rule belongs to one component, one Debian package each (see
# cmake/packaging.cmake): runtime (the library), dev (headers, CMake package,
# .pc, documentation), tools (vekctl, veksim, their man pages), python (the
# ctypes package), tango (the device server, installed from tango/). A plain
# `cmake --install` installs them all.
#
# Configured for /usr, the tree is laid out as Debian lays out a system: the
# library in lib/<multiarch> (GNUInstallDirs), the Python package where the
# system's python3 imports it, each package's documentation in
# share/doc/<package>. Anywhere else, the Python package and the documentation
# stay together under share/ so that the installed tree can be moved as a whole.
include(CMakePackageConfigHelpers)

if(CMAKE_INSTALL_PREFIX STREQUAL "/usr")
  set(VEK_SYSTEM_LAYOUT ON)
  set(_vek_python_default lib/python3/dist-packages)
  set(VEK_DOC_DIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/libvekkestra-dev)
else()
  set(VEK_SYSTEM_LAYOUT OFF)
  set(_vek_python_default ${CMAKE_INSTALL_DATAROOTDIR}/vekkestra/python)
  set(VEK_DOC_DIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/vekkestra)
endif()
set(VEK_PYTHON_INSTALL_DIR ${_vek_python_default} CACHE STRING
    "Where the Python package goes, relative to the prefix")
set(VEK_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/VekKestra)

install(TARGETS vekkestra EXPORT VekKestraTargets
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT runtime
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime NAMELINK_COMPONENT dev
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT dev)
install(FILES ${PROJECT_SOURCE_DIR}/include/vekkestra.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT dev)
# The C++ layer over the C exports, header-only.
install(FILES ${PROJECT_SOURCE_DIR}/include/vekkestra.hpp DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT dev)
if(WIN32)
  # The MSVC import library, made after the link when llvm-dlltool is there.
  install(FILES $<TARGET_FILE_DIR:vekkestra>/VekKestra.lib DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT dev
          OPTIONAL)
endif()

# The installed vekctl finds the library beside it, wherever the prefix is;
# in a system layout the dynamic linker finds it by itself.
if(TARGET vekctl AND NOT WIN32 AND NOT VEK_SYSTEM_LAYOUT)
  file(RELATIVE_PATH _vek_bin_to_lib ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_LIBDIR})
  set_target_properties(vekctl PROPERTIES INSTALL_RPATH "$ORIGIN/${_vek_bin_to_lib}")
endif()

# find_package(VekKestra 1.4) and VekKestra::vekkestra. Relocatable: the
# package finds its prefix from its own place, so `--prefix` at install time
# works.
install(EXPORT VekKestraTargets NAMESPACE VekKestra:: DESTINATION ${VEK_CMAKE_DIR} COMPONENT dev)
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/VekKestraConfig.cmake.in
  ${PROJECT_BINARY_DIR}/VekKestraConfig.cmake INSTALL_DESTINATION ${VEK_CMAKE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/VekKestraConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/VekKestraConfig.cmake ${PROJECT_BINARY_DIR}/VekKestraConfigVersion.cmake
  DESTINATION ${VEK_CMAKE_DIR} COMPONENT dev)

# pkg-config: the prefix is taken relative to the .pc file, for the same
# reason.
file(RELATIVE_PATH VEK_PC_TO_PREFIX ${CMAKE_INSTALL_FULL_LIBDIR}/pkgconfig ${CMAKE_INSTALL_PREFIX})
string(REGEX REPLACE "/$" "" VEK_PC_TO_PREFIX "${VEK_PC_TO_PREFIX}")
if(WIN32)
  set(VEK_PC_LIBRARY VekKestra)
else()
  set(VEK_PC_LIBRARY vekkestra)
endif()
configure_file(${PROJECT_SOURCE_DIR}/cmake/vekkestra.pc.in ${PROJECT_BINARY_DIR}/vekkestra.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/vekkestra.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT dev)

# The installed README is docs/README.md, the index of the pages beside it
# (installed below); the repository's own README is about building from a
# checkout, with a checkout's paths, and stays there.
install(FILES ${PROJECT_SOURCE_DIR}/CHANGELOG.md DESTINATION ${VEK_DOC_DIR} COMPONENT dev)
if(NOT VEK_SYSTEM_LAYOUT)
  # In a system layout every package carries the licence in its copyright file.
  install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION ${VEK_DOC_DIR} COMPONENT dev)
endif()
install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/ DESTINATION ${VEK_DOC_DIR} COMPONENT dev
  FILES_MATCHING PATTERN "*.md" PATTERN "*.png" PATTERN "man" EXCLUDE)
# The API reference, when the `docs` target has built it (scripts/check-packages.sh does).
install(DIRECTORY ${PROJECT_BINARY_DIR}/docs/html/ DESTINATION ${VEK_DOC_DIR}/html COMPONENT dev OPTIONAL)
# The examples as sources; their in-tree CMakeLists.txt builds against the
# build tree only, so it stays behind (the consumer's own one goes along).
install(DIRECTORY ${PROJECT_SOURCE_DIR}/examples/ DESTINATION ${VEK_DOC_DIR}/examples COMPONENT dev
  REGEX "/examples/CMakeLists\\.txt$" EXCLUDE
  REGEX "/build[^/]*$" EXCLUDE)

# The C# binding as its source, with its README.
install(FILES ${PROJECT_SOURCE_DIR}/bindings/dotnet/VekKestra.cs ${PROJECT_SOURCE_DIR}/bindings/dotnet/README.md
  DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/vekkestra/dotnet COMPONENT dev)

# The ctypes package, laid out as in bindings/python: importable with
# PYTHONPATH=<prefix>/share/vekkestra/python (or pip-installed from there),
# or directly by the system's python3 in a system layout.
install(DIRECTORY ${PROJECT_SOURCE_DIR}/bindings/python/vekkestra DESTINATION ${VEK_PYTHON_INSTALL_DIR}
  COMPONENT python FILES_MATCHING PATTERN "*.py" PATTERN "py.typed" PATTERN "__pycache__" EXCLUDE)
if(NOT VEK_SYSTEM_LAYOUT)
  install(FILES ${PROJECT_SOURCE_DIR}/bindings/python/pyproject.toml ${PROJECT_SOURCE_DIR}/bindings/python/README.md
    DESTINATION ${VEK_PYTHON_INSTALL_DIR} COMPONENT python OPTIONAL)
endif()
