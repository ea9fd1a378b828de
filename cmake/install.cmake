# What `cmake --install` puts under the prefix: the public headers, the two
# shared libraries, the library and the motion core (SONAME'd on Linux; on
# Windows the DLLs in bin and their import libraries in lib), the CMake
# package (VekKestra::vekkestra, VekKestra::motion), vekkestra.pc and
# vekkestra-motion.pc, the documentation with the examples and the API
# reference, the man pages, the Python package and the C# binding's source.
# vekctl and veksim install themselves from tools/ and sim/. Nothing internal
# is installed: the static libraries and the test support stay in the build
# tree.
#
# Every rule belongs to one component, one Debian package each (see
# cmake/packaging.cmake): runtime (the library), motion (the motion core),
# dev (headers, CMake package, .pc files, documentation), tools (vekctl,
# veksim, their man pages), python (the ctypes package), tango (the device
# server, installed from tango/). A plain `cmake --install` installs them all.
#
# Configured for /usr, the tree is laid out as Debian lays out a system: the
# libraries in lib/<multiarch> (GNUInstallDirs), the Python package where the
# system's python3 imports it, each package's documentation (READMEs
# included) in share/doc/<package>. Anywhere else, the Python package and the
# documentation stay together under share/ so that the installed tree can be
# moved as a whole.
include(CMakePackageConfigHelpers)

if(CMAKE_INSTALL_PREFIX STREQUAL "/usr")
  set(VEK_SYSTEM_LAYOUT ON)
  set(_vek_python_default lib/python3/dist-packages)
  set(VEK_DOC_DIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/libvekkestra-dev)
  # The man pages point into the documentation of their own package.
  set(VEK_TOOLS_DOC_DIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/vekkestra-tools)
  set(VEK_TANGO_DOC_DIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/vekkestra-tango)
  set(VEK_PYTHON_DOC_DIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/python3-vekkestra)
else()
  set(VEK_SYSTEM_LAYOUT OFF)
  set(_vek_python_default ${CMAKE_INSTALL_DATAROOTDIR}/vekkestra/python)
  set(VEK_DOC_DIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/vekkestra)
  set(VEK_TOOLS_DOC_DIR ${VEK_DOC_DIR})
  set(VEK_TANGO_DOC_DIR ${VEK_DOC_DIR})
endif()
set(VEK_PYTHON_INSTALL_DIR ${_vek_python_default} CACHE STRING
    "Where the Python package goes, relative to the prefix")
set(VEK_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/VekKestra)

# The two libraries: the SONAME'd file and its SONAME link with the package
# of each, the development link with the headers.
set_target_properties(vekkestra_motion PROPERTIES EXPORT_NAME motion)
foreach(pair vekkestra:runtime vekkestra_motion:motion)
  string(REPLACE ":" ";" pair ${pair})
  list(GET pair 0 target)
  list(GET pair 1 component)
  install(TARGETS ${target} EXPORT VekKestraTargets
    RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT ${component}
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT ${component} NAMELINK_COMPONENT dev
    ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT dev)
  if(WIN32)
    # The MSVC import library, made after the link when llvm-dlltool is there.
    install(FILES ${PROJECT_BINARY_DIR}/$<TARGET_FILE_BASE_NAME:${target}>.lib DESTINATION ${CMAKE_INSTALL_LIBDIR}
            COMPONENT dev OPTIONAL)
  endif()
endforeach()
# The C header, the C++ layer over it (header-only), the motion core's header
# and its generated vekm_call_<Name> declarations.
install(FILES ${PROJECT_SOURCE_DIR}/include/vekkestra.h ${PROJECT_SOURCE_DIR}/include/vekkestra.hpp
              ${PROJECT_SOURCE_DIR}/include/vekkestra_motion.h ${PROJECT_SOURCE_DIR}/include/vekkestra_motion_calls.h
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT dev)

# The installed vekctl finds the libraries beside it, wherever the prefix is;
# in a system layout the dynamic linker finds them by itself.
if(TARGET vekctl AND NOT WIN32 AND NOT VEK_SYSTEM_LAYOUT)
  file(RELATIVE_PATH _vek_bin_to_lib ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_LIBDIR})
  set_target_properties(vekctl PROPERTIES INSTALL_RPATH "$ORIGIN/${_vek_bin_to_lib}")
endif()

# find_package(VekKestra 1.4), VekKestra::vekkestra and VekKestra::motion
# (which brings VekKestra::vekkestra along). Relocatable: the package finds
# its prefix from its own place, so `--prefix` at install time works.
install(EXPORT VekKestraTargets NAMESPACE VekKestra:: DESTINATION ${VEK_CMAKE_DIR} COMPONENT dev)
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/VekKestraConfig.cmake.in
  ${PROJECT_BINARY_DIR}/VekKestraConfig.cmake INSTALL_DESTINATION ${VEK_CMAKE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/VekKestraConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/VekKestraConfig.cmake ${PROJECT_BINARY_DIR}/VekKestraConfigVersion.cmake
  DESTINATION ${VEK_CMAKE_DIR} COMPONENT dev)

# pkg-config, vekkestra.pc and vekkestra-motion.pc: the prefix is taken
# relative to the .pc file, for the same reason.
file(RELATIVE_PATH VEK_PC_TO_PREFIX ${CMAKE_INSTALL_FULL_LIBDIR}/pkgconfig ${CMAKE_INSTALL_PREFIX})
string(REGEX REPLACE "/$" "" VEK_PC_TO_PREFIX "${VEK_PC_TO_PREFIX}")
if(WIN32)
  set(VEK_PC_LIBRARY VekKestra)
  set(VEK_PC_MOTION_LIBRARY VekKestraMotion)
else()
  set(VEK_PC_LIBRARY vekkestra)
  set(VEK_PC_MOTION_LIBRARY vekkestra-motion)
endif()
foreach(pc vekkestra vekkestra-motion)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/${pc}.pc.in ${PROJECT_BINARY_DIR}/${pc}.pc @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/${pc}.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT dev)
endforeach()

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
if(VEK_SYSTEM_LAYOUT)
  # What the man pages of the tools and of the device server point at, in
  # the packages that hold them.
  install(FILES ${PROJECT_SOURCE_DIR}/docs/vekctl.md ${PROJECT_SOURCE_DIR}/docs/simulator.md
          DESTINATION ${VEK_TOOLS_DOC_DIR} COMPONENT tools)
  install(FILES ${PROJECT_SOURCE_DIR}/docs/tango.md DESTINATION ${VEK_TANGO_DOC_DIR} COMPONENT tango)
endif()
# The API reference, when the `docs` target has built it (scripts/check-packages.sh does);
# in a system layout registered with doc-base, so that documentation browsers list it.
install(DIRECTORY ${PROJECT_BINARY_DIR}/docs/html/ DESTINATION ${VEK_DOC_DIR}/html COMPONENT dev OPTIONAL)
if(VEK_SYSTEM_LAYOUT)
  set(_vek_html ${CMAKE_INSTALL_PREFIX}/${VEK_DOC_DIR}/html)
  file(WRITE ${PROJECT_BINARY_DIR}/debian/libvekkestra-dev/vekkestra-api
       "Document: vekkestra-api\nTitle: VekKestra API reference\nAuthor: The VekKestra developers\n"
       "Abstract: The C interface of the VekKestra host library for a ten-axis motion\n"
       " controller: its functions, result codes and types.\n"
       "Section: Programming/C\n\nFormat: HTML\nIndex: ${_vek_html}/index.html\nFiles: ${_vek_html}/*.html\n")
  install(CODE "if(EXISTS \"${PROJECT_BINARY_DIR}/docs/html/index.html\")
  file(INSTALL DESTINATION \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DATAROOTDIR}/doc-base\" TYPE FILE
       RENAME libvekkestra-dev.vekkestra-api FILES \"${PROJECT_BINARY_DIR}/debian/libvekkestra-dev/vekkestra-api\")
endif()" COMPONENT dev)
endif()
# The examples as sources; their in-tree CMakeLists.txt builds against the
# build tree only, so it stays behind (the consumer's own one goes along).
install(DIRECTORY ${PROJECT_SOURCE_DIR}/examples/ DESTINATION ${VEK_DOC_DIR}/examples COMPONENT dev
  REGEX "/examples/CMakeLists\\.txt$" EXCLUDE
  REGEX "/build[^/]*$" EXCLUDE)

# The C# binding as its source files; its README goes with the documentation
# in a system layout, else beside them.
install(DIRECTORY ${PROJECT_SOURCE_DIR}/bindings/dotnet/ DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/vekkestra/dotnet
  COMPONENT dev FILES_MATCHING PATTERN "*.cs" PATTERN "tests" EXCLUDE PATTERN "bin" EXCLUDE PATTERN "obj" EXCLUDE)
if(VEK_SYSTEM_LAYOUT)
  install(FILES ${PROJECT_SOURCE_DIR}/bindings/dotnet/README.md DESTINATION ${VEK_DOC_DIR}/dotnet COMPONENT dev)
else()
  install(FILES ${PROJECT_SOURCE_DIR}/bindings/dotnet/README.md
    DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/vekkestra/dotnet COMPONENT dev)
endif()

# The ctypes package, laid out as in bindings/python: importable with
# PYTHONPATH=<prefix>/share/vekkestra/python (or pip-installed from there),
# or directly by the system's python3 in a system layout (where the Debian
# package's postinst byte-compiles it and its prerm removes what was compiled).
install(DIRECTORY ${PROJECT_SOURCE_DIR}/bindings/python/vekkestra DESTINATION ${VEK_PYTHON_INSTALL_DIR}
  COMPONENT python FILES_MATCHING PATTERN "*.py" PATTERN "py.typed" PATTERN "__pycache__" EXCLUDE)
if(VEK_SYSTEM_LAYOUT)
  install(FILES ${PROJECT_SOURCE_DIR}/bindings/python/README.md DESTINATION ${VEK_PYTHON_DOC_DIR} COMPONENT python
          OPTIONAL)
else()
  install(FILES ${PROJECT_SOURCE_DIR}/bindings/python/pyproject.toml ${PROJECT_SOURCE_DIR}/bindings/python/README.md
    DESTINATION ${VEK_PYTHON_INSTALL_DIR} COMPONENT python OPTIONAL)
endif()
