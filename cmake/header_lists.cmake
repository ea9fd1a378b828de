# The names that include/vekkestra.h declares, read from the header itself
# (one declaration a line) into <build>/generated: header_exports.inc (every
# export), header_result_codes.inc (every VEK_SUCCESS / VEK_ERROR_ code) and
# def_exports.inc (the committed cmake/VekKestra.def as {name, bytes}).
# commands/exports.cpp compares them with its own tables at compile time, so
# a table that drifts from the header, or a .def that drifts from either,
# stops the build.
function(vek_write_header_lists)
  set(header ${PROJECT_SOURCE_DIR}/include/vekkestra.h)
  set(def ${PROJECT_SOURCE_DIR}/cmake/VekKestra.def)
  set(out ${PROJECT_BINARY_DIR}/generated)

  file(STRINGS ${header} declarations REGEX "^VEK_API .* VEK_CALL [A-Za-z_0-9]+\\(")
  set(exports "")
  foreach(line IN LISTS declarations)
    string(REGEX REPLACE "^.* VEK_CALL ([A-Za-z_0-9]+)\\(.*$" "\\1" name "${line}")
    string(APPEND exports "\"${name}\",\n")
  endforeach()
  file(CONFIGURE OUTPUT ${out}/header_exports.inc CONTENT "${exports}" @ONLY)

  file(STRINGS ${header} defines REGEX "^#define VEK_(SUCCESS|ERROR_[A-Z_]+) ")
  set(codes "")
  foreach(line IN LISTS defines)
    string(REGEX REPLACE "^#define (VEK_[A-Z_]+) .*$" "\\1" name "${line}")
    string(APPEND codes "\"${name}\",\n")
  endforeach()
  file(CONFIGURE OUTPUT ${out}/header_result_codes.inc CONTENT "${codes}" @ONLY)

  file(STRINGS ${def} entries REGEX "^[ \t]+[A-Za-z_0-9]+@[0-9]+[ \t]*$")
  set(pairs "")
  foreach(line IN LISTS entries)
    string(REGEX REPLACE "^[ \t]+([A-Za-z_0-9]+)@([0-9]+).*$" "{\"\\1\", \\2}" pair "${line}")
    string(APPEND pairs "${pair},\n")
  endforeach()
  file(CONFIGURE OUTPUT ${out}/def_exports.inc CONTENT "${pairs}" @ONLY)

  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${header} ${def})
endfunction()
