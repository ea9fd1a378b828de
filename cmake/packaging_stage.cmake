# Runs in cpack once the packages' files are staged and before they are
# packed (CPACK_PRE_BUILD_SCRIPTS, cmake/packaging.cmake):
# - strips every ELF file as dh_strip does: no symbol table or debugging
#   sections, no .comment and .note sections (the compiler's identification),
#   and a shared library keeps only the symbols it exports;
# - for the Debian packages, puts the symbols files of the libraries built
#   here where dpkg-shlibdeps looks for those of the packages of one source
#   (debian/<package>/DEBIAN/symbols in the staging directory of each package
#   that holds ELF files, where CPack runs it), so that a program's Depends
#   name libvekkestra1 and libvekkestra-motion1 with their versions. CPack
#   removes that debian/ directory again before it packs the package.
file(GLOB_RECURSE files LIST_DIRECTORIES false "${CPACK_TEMPORARY_DIRECTORY}/*")
set(elf_components)
foreach(file IN LISTS files)
  if(IS_SYMLINK "${file}")
    continue()
  endif()
  file(READ "${file}" magic LIMIT 4 HEX)
  if(NOT magic STREQUAL "7f454c46")
    continue()
  endif()
  set(options --remove-section=.comment --remove-section=.note)
  if(file MATCHES "\\.so(\\.[0-9]+)*$")
    list(APPEND options --strip-unneeded)
  endif()
  execute_process(COMMAND "${CPACK_VEK_STRIP}" ${options} "${file}" RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "${CPACK_VEK_STRIP} ${options} ${file} failed")
  endif()
  file(RELATIVE_PATH relative "${CPACK_TEMPORARY_DIRECTORY}" "${file}")
  string(REGEX REPLACE "/.*$" "" component "${relative}")
  list(APPEND elf_components ${component})
endforeach()

if(NOT CPACK_GENERATOR STREQUAL "DEB" OR NOT CPACK_DEB_COMPONENT_INSTALL)
  return()
endif()
list(REMOVE_DUPLICATES elf_components)
foreach(component IN LISTS elf_components)
  string(TOUPPER "${component}" C)
  # Only where dpkg-shlibdeps runs: CPack removes debian/ only there.
  if(NOT CPACK_DEBIAN_${C}_PACKAGE_SHLIBDEPS)
    continue()
  endif()
  set(pairs ${CPACK_VEK_SYMBOLS})
  while(pairs)
    list(POP_FRONT pairs package symbols)
    configure_file("${symbols}" "${CPACK_TEMPORARY_DIRECTORY}/${component}/debian/${package}/DEBIAN/symbols" COPYONLY)
  endwhile()
endforeach()
