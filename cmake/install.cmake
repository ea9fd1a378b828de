# What `cmake --install` puts under the prefix: the public headers (C and
# C++), the shared library (SONAME'd on Linux; on Windows the DLL in bin and
# its import libraries in lib), the VekKestra::vekkestra CMake package,
# vekkestra.pc, the documentation with the examples, the Python package and
# the C# binding's source. vekctl and veksim
# install themselves from tools/ and sim/. Nothing internal is installed: the
# static library and the test support stay in the build tree.
include(CMakePackageConfigHelpers)

set(VEK_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/VekKestra)
set(VEK_DOC_DIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/vekkestra)
set(VEK_PYTHON_DIR ${CMAKE_INSTALL_DATAROOTDIR}/vekkestra/python)

install(TARGETS vekkestra EXPORT VekKestraTargets
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(FILES ${PROJECT_SOURCE_DIR}/include/vekkestra.h ${PROJECT_SOURCE_DIR}/include/vekkestra.hpp
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
if(WIN32)
  # The MSVC import library, made after the link when llvm-dlltool is there.
  install(FILES $<TARGET_FILE_DIR:vekkestra>/VekKestra.lib DESTINATION ${CMAKE_INSTALL_LIBDIR} OPTIONAL)
endif()

# The installed vekctl finds the library beside it, wherever the prefix is.
if(TARGET vekctl AND NOT WIN32)
  file(RELATIVE_PATH _vek_bin_to_lib ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_LIBDIR})
  set_target_properties(vekctl PROPERTIES INSTALL_RPATH "$ORIGIN/${_vek_bin_to_lib}")
endif()

# find_package(VekKestra 1.3) and VekKestra::vekkestra. Relocatable: the
# package finds its prefix from its own place, so `--prefix` at install time
# works.
install(EXPORT VekKestraTargets NAMESPACE VekKestra:: DESTINATION ${VEK_CMAKE_DIR})
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/VekKestraConfig.cmake.in
  ${PROJECT_BINARY_DIR}/VekKestraConfig.cmake INSTALL_DESTINATION ${VEK_CMAKE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/VekKestraConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/VekKestraConfig.cmake ${PROJECT_BINARY_DIR}/VekKestraConfigVersion.cmake
  DESTINATION ${VEK_CMAKE_DIR})

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
install(FILES ${PROJECT_BINARY_DIR}/vekkestra.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/LICENSE ${PROJECT_SOURCE_DIR}/CHANGELOG.md
  DESTINATION ${VEK_DOC_DIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/ DESTINATION ${VEK_DOC_DIR} FILES_MATCHING PATTERN "*.md")
# The examples as sources; their in-tree CMakeLists.txt builds against the
# build tree only, so it stays behind (the consumer's own one goes along).
install(DIRECTORY ${PROJECT_SOURCE_DIR}/examples/ DESTINATION ${VEK_DOC_DIR}/examples
  REGEX "/examples/CMakeLists\\.txt$" EXCLUDE
  REGEX "/build[^/]*$" EXCLUDE)

# The C# binding as its source, with its README.
install(FILES ${PROJECT_SOURCE_DIR}/bindings/dotnet/VekKestra.cs ${PROJECT_SOURCE_DIR}/bindings/dotnet/README.md
  DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/vekkestra/dotnet)

# The ctypes package, laid out as in bindings/python so that it can be
# imported with PYTHONPATH=<prefix>/share/vekkestra/python or pip-installed
# from there.
install(DIRECTORY ${PROJECT_SOURCE_DIR}/bindings/python/vekkestra DESTINATION ${VEK_PYTHON_DIR}
  FILES_MATCHING PATTERN "*.py" PATTERN "py.typed" PATTERN "__pycache__" EXCLUDE)
install(FILES ${PROJECT_SOURCE_DIR}/bindings/python/pyproject.toml ${PROJECT_SOURCE_DIR}/bindings/python/README.md
  DESTINATION ${VEK_PYTHON_DIR} OPTIONAL)
