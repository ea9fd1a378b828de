# The library's version is written once, in the text VEK_GetDLLVersion hands
# out ("VekKestra DLL v1.03.02 - ..."): the project, the shared library's
# VERSION/SOVERSION, the CMake package, vekkestra.pc and the .deb all take it
# from there, so they cannot drift apart. Sets VEK_VERSION ("1.3.2").
file(STRINGS ${CMAKE_CURRENT_LIST_DIR}/../core/state.h _vek_version_line REGEX "kVersionText")
if(NOT _vek_version_line MATCHES "DLL v([0-9]+)\\.([0-9]+)\\.([0-9]+)")
  message(FATAL_ERROR "core/state.h: kVersionText holds no \"DLL vMM.mm.pp\"")
endif()
# "03" is 3: the text pads each number to two digits.
math(EXPR _vek_major "${CMAKE_MATCH_1}")
math(EXPR _vek_minor "${CMAKE_MATCH_2}")
math(EXPR _vek_patch "${CMAKE_MATCH_3}")
set(VEK_VERSION ${_vek_major}.${_vek_minor}.${_vek_patch})
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/../core/state.h)
