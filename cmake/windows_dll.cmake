# The Windows DLLs, VekKestra.dll (the library) and VekKestraMotion.dll (the
# motion core): undecorated export names on both architectures, an import
# library for MinGW (lib<Name>.dll.a) and one for MSVC (<Name>.lib), a version
# resource, and the C/C++ runtime linked in (toolchain files), so that a DLL
# needs nothing but system DLLs and each other.
#
# On 32-bit Windows the exports are stdcall: the compiler names them
# Name@N, N being the bytes of arguments. The export table drops the
# decoration (--kill-at), and the import libraries, made from a .def that
# lists Name@N, map the decorated name a caller's compiler references to the
# undecorated export. The linker's own import library cannot do that (it
# records the names without @N), so it is replaced after the link.
#
# VekKestra.dll's .def is cmake/VekKestra.def, written from the operation
# table and checked against the header by every build. VekKestraMotion.dll's
# comes from its link (--output-def): the decorations the compiler gave the
# functions the header declares. scripts/check-exports.sh compares both
# DLLs, their import libraries and the compiler's decorations with the
# headers.
#
# As a script (cmake -P), after a link: -DLINKER_DEF=<the linker's .def>
# -DDEF=<.def to write> -DDLL=<Name.dll> writes the .def that the import
# libraries are made from: "LIBRARY Name.dll", then one "Name@N" a line.
if(CMAKE_SCRIPT_MODE_FILE)
  file(STRINGS ${LINKER_DEF} lines)
  set(text "; Written after the link from what the linker exported; do not edit.\nLIBRARY ${DLL}\nEXPORTS\n")
  foreach(line IN LISTS lines)
    # "    name = name@N @1" (32-bit, --kill-at) or "    name @1" (64-bit).
    if(line MATCHES "^[ \t]+([A-Za-z_0-9]+)( = ([A-Za-z_0-9@]+))?[ \t]+@[0-9]+")
      if(CMAKE_MATCH_3)
        string(APPEND text "  ${CMAKE_MATCH_3}\n")
      else()
        string(APPEND text "  ${CMAKE_MATCH_1}\n")
      endif()
    endif()
  endforeach()
  file(WRITE ${DEF} "${text}")
  return()
endif()

set(VEK_DEF_FILE ${PROJECT_SOURCE_DIR}/cmake/VekKestra.def)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${VEK_DEF_FILE} ${PROJECT_SOURCE_DIR}/LICENSE)

# The version resource: file and product version from VERSION, the holder and
# years from the licence.
enable_language(RC)
file(STRINGS ${PROJECT_SOURCE_DIR}/LICENSE _vek_copyright REGEX "^Copyright \\(c\\) ")
string(REGEX REPLACE "^Copyright \\(c\\) ([-0-9, ]+[0-9]) (.+)$" "\\1;\\2" _vek_copyright "${_vek_copyright}")
list(GET _vek_copyright 0 VEK_RC_YEARS)
list(GET _vek_copyright 1 VEK_RC_HOLDER)
math(EXPR VEK_RC_BITS "${CMAKE_SIZEOF_VOID_P} * 8")

if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(VEK_DLL_MACHINE i386)
else()
  set(VEK_DLL_MACHINE i386:x86-64)
endif()
if(NOT CMAKE_DLLTOOL)
  find_program(CMAKE_DLLTOOL NAMES ${CMAKE_SYSTEM_PROCESSOR}-w64-mingw32-dlltool dlltool REQUIRED)
endif()
# MSVC's linker wants short-format import members (and, on x86, SafeSEH-clean
# objects), which GNU dlltool does not make; LLVM's dlltool does.
find_program(VEK_LLVM_DLLTOOL NAMES llvm-dlltool llvm-dlltool-19 llvm-dlltool-18 llvm-dlltool-17 llvm-dlltool-16
                                    llvm-dlltool-15 llvm-dlltool-14)
if(NOT VEK_LLVM_DLLTOOL)
  message(WARNING "llvm-dlltool not found: the MSVC import libraries (VekKestra.lib, VekKestraMotion.lib) are not built")
endif()

# vek_windows_dll(<target> NAME <Name> DESCRIPTION <text> [DEF <Name@N .def>])
# makes <target> <Name>.dll in the build's top directory, beside the other
# DLL, with its version resource and import libraries. Without DEF the
# exports' decorations come from the link. Call it where the target is made.
function(vek_windows_dll target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "NAME;DESCRIPTION;DEF" "")
  set(name ${arg_NAME})
  set_target_properties(${target} PROPERTIES OUTPUT_NAME ${name} PREFIX "" RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}
                                             ARCHIVE_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR})

  set(VEK_RC_NAME ${name})
  set(VEK_RC_DESCRIPTION "${arg_DESCRIPTION}")
  configure_file(${PROJECT_SOURCE_DIR}/cmake/VekKestra.rc.in ${PROJECT_BINARY_DIR}/${name}.rc @ONLY)
  target_sources(${target} PRIVATE ${PROJECT_BINARY_DIR}/${name}.rc)

  set(commands)
  set(kill_at)
  if(arg_DEF AND CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(def ${arg_DEF})
  elseif(arg_DEF)
    # 64-bit Windows has one calling convention and no decoration.
    file(READ ${arg_DEF} text)
    string(REGEX REPLACE "@[0-9]+" "" text "${text}")
    set(def ${PROJECT_BINARY_DIR}/${name}-x64.def)
    file(CONFIGURE OUTPUT ${def} CONTENT "${text}" @ONLY)
  else()
    set(def ${PROJECT_BINARY_DIR}/${name}.def)
    target_link_options(${target} PRIVATE "-Wl,--output-def,${PROJECT_BINARY_DIR}/${name}-linker.def")
    list(APPEND commands COMMAND ${CMAKE_COMMAND} -DLINKER_DEF=${PROJECT_BINARY_DIR}/${name}-linker.def -DDEF=${def}
         -DDLL=${name}.dll -P ${PROJECT_SOURCE_DIR}/cmake/windows_dll.cmake)
  endif()
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(kill_at -k)
    target_link_options(${target} PRIVATE -Wl,--kill-at)
    list(APPEND commands COMMAND ${CMAKE_DLLTOOL} -m ${VEK_DLL_MACHINE} -d ${def} -D ${name}.dll -k
         -l $<TARGET_LINKER_FILE:${target}>)
  endif()
  if(VEK_LLVM_DLLTOOL)
    list(APPEND commands COMMAND ${VEK_LLVM_DLLTOOL} -m ${VEK_DLL_MACHINE} -d ${def} -D ${name}.dll ${kill_at}
         -l ${PROJECT_BINARY_DIR}/${name}.lib)
  endif()
  if(commands)
    add_custom_command(TARGET ${target} POST_BUILD ${commands} VERBATIM)
  endif()
endfunction()

vek_windows_dll(vekkestra NAME VekKestra DEF ${VEK_DEF_FILE}
  DESCRIPTION "VekKestra host library for a ten-axis motion controller")

# The self-checking programs that run the Windows build under Wine.
option(VEK_BUILD_WINE_TESTS "Cross-build the test programs that run under Wine" ON)
if(VEK_BUILD_WINE_TESTS AND EXISTS ${PROJECT_SOURCE_DIR}/tests/wine/CMakeLists.txt)
  add_subdirectory(${PROJECT_SOURCE_DIR}/tests/wine ${CMAKE_BINARY_DIR}/tests/wine)
endif()
