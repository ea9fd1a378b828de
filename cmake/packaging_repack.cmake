# Runs in cpack once the Debian packages are made (CPACK_POST_BUILD_SCRIPTS,
# cmake/packaging.cmake). CPack writes "ldconfig" into the postinst and postrm
# of any package with a library under /usr/lib, beside the ldconfig trigger
# that the library packages carry; the trigger alone is what Debian wants (it
# runs ldconfig once for a whole dpkg run). This takes those two scripts out of
# the packages named in CPACK_VEK_TRIGGER_ONLY, and stops if a script does
# anything else, so that nothing but the ldconfig call can be lost.
if(NOT CPACK_GENERATOR STREQUAL "DEB")
  return()
endif()
find_program(VEK_DPKG_DEB dpkg-deb REQUIRED)
foreach(deb IN LISTS CPACK_PACKAGE_FILES)
  execute_process(COMMAND "${VEK_DPKG_DEB}" --field "${deb}" Package OUTPUT_VARIABLE package
                  OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
  if(NOT package IN_LIST CPACK_VEK_TRIGGER_ONLY)
    continue()
  endif()
  set(tree "${deb}.tree")
  file(REMOVE_RECURSE "${tree}")
  execute_process(COMMAND "${VEK_DPKG_DEB}" --raw-extract "${deb}" "${tree}" COMMAND_ERROR_IS_FATAL ANY)
  foreach(script postinst postrm)
    if(NOT EXISTS "${tree}/DEBIAN/${script}")
      continue()
    endif()
    file(STRINGS "${tree}/DEBIAN/${script}" lines)
    foreach(line IN LISTS lines)
      string(STRIP "${line}" line)
      if(NOT line MATCHES "^(|#!/bin/sh|set -e|if \\[ \"\\$1\" = \"(configure|remove)\" \\]; then|ldconfig|fi)$")
        message(FATAL_ERROR "${package}: its ${script} does more than call ldconfig: \"${line}\"")
      endif()
    endforeach()
    file(REMOVE "${tree}/DEBIAN/${script}")
  endforeach()
  execute_process(COMMAND "${VEK_DPKG_DEB}" --root-owner-group --build "${tree}" "${deb}" OUTPUT_QUIET
                  COMMAND_ERROR_IS_FATAL ANY)
  file(REMOVE_RECURSE "${tree}")
endforeach()
