# The names that include/vekkestra.h declares, read from the header itself
# (one declaration a line) into <build>/generated: header_exports.inc (every
# export), header_result_codes.inc (every VEK_SUCCESS / VEK_ERROR_ code) and
# def_exports.inc (the committed cmake/VekKestra.def as {name, bytes}).
# commands/exports.cpp compares them with its own tables at compile time, so
# a table that drifts from the header, or a .def that drifts from either,
# stops the build.
# Writes one line of `format` (a regex replacement of `pattern`) for every
# line of `source` that `pattern` matches, into `output`.
function(vek_write_matches source pattern format output)
  file(STRINGS ${source} lines REGEX "${pattern}")
  set(text "")
  foreach(line IN LISTS lines)
    string(REGEX REPLACE "${pattern}" "${format}" entry "${line}")
    string(APPEND text "${entry},\n")
  endforeach()
  file(CONFIGURE OUTPUT ${output} CONTENT "${text}" @ONLY)
endfunction()

function(vek_write_header_lists)
  set(header ${PROJECT_SOURCE_DIR}/include/vekkestra.h)
  set(def ${PROJECT_SOURCE_DIR}/cmake/VekKestra.def)
  set(out ${PROJECT_BINARY_DIR}/generated)
  vek_write_matches(${header} "^VEK_API .* VEK_CALL ([A-Za-z_0-9]+)\\(.*$" "\"\\1\"" ${out}/header_exports.inc)
  vek_write_matches(${header} "^#define (VEK_SUCCESS|VEK_ERROR_[A-Z_]+) .*$" "\"\\1\"" ${out}/header_result_codes.inc)
  vek_write_matches(${def} "^[ \t]+([A-Za-z_0-9]+)@([0-9]+)[ \t]*$" "{\"\\1\", \\2}" ${out}/def_exports.inc)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${header} ${def})
endfunction()
