# The product's version is written once, in the file VERSION at the root: the
# project, the shared library's VERSION (its SOVERSION is the major number),
# the CMake package, vekkestra.pc, the Debian packages, `vekctl --version`,
# `veksim --version` and the Python package all take it from there.
#
# The text VEK_GetDLLVersion hands out ("VekKestra DLL v1.03.02 - ...") is a
# constant of the library's contract that applications compare against, so it
# does not follow the product's version.
#
# Sets VEK_VERSION ("1.5.0") before project(); vek_write_version_header() then
# writes <build>/generated/vekkestra_version.h with VEK_PRODUCT_VERSION.
file(STRINGS ${CMAKE_CURRENT_LIST_DIR}/../VERSION VEK_VERSION LIMIT_COUNT 1)
string(STRIP "${VEK_VERSION}" VEK_VERSION)
if(NOT VEK_VERSION MATCHES "^[0-9]+\\.[0-9]+\\.[0-9]+$")
  message(FATAL_ERROR "VERSION holds \"${VEK_VERSION}\", not MAJOR.MINOR.PATCH")
endif()
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/../VERSION)

function(vek_write_version_header)
  set(VEK_GENERATED_DIR ${PROJECT_BINARY_DIR}/generated PARENT_SCOPE)
  file(CONFIGURE OUTPUT ${PROJECT_BINARY_DIR}/generated/vekkestra_version.h CONTENT
"// Written by CMake from the file VERSION; do not edit.
#ifndef VEKKESTRA_VERSION_H
#define VEKKESTRA_VERSION_H
#define VEK_PRODUCT_VERSION \"@VEK_VERSION@\"
#endif
" @ONLY)
endfunction()

