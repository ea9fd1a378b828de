# The Windows DLL, VekKestra.dll: undecorated export names on both
# architectures, an import library for MinGW (libVekKestra.dll.a) and one for
# MSVC (VekKestra.lib), and the C/C++ runtime linked in (toolchain files), so
# the DLL needs nothing but system DLLs.
#
# On 32-bit Windows the exports are stdcall: the compiler names them
# Name@N, N being the bytes of arguments. The export table drops the
# decoration (--kill-at), and the import libraries, made from
# cmake/VekKestra.def, map the decorated name a caller's compiler references to
# the undecorated export. The linker's own import library cannot do that
# (it records the names without @N), so it is replaced after the link.
set(VEK_DEF_FILE ${PROJECT_SOURCE_DIR}/cmake/VekKestra.def)

# The version resource: file and product version from VERSION, the holder and
# years from the licence.
enable_language(RC)
file(STRINGS ${PROJECT_SOURCE_DIR}/LICENSE _vek_copyright REGEX "^Copyright \\(c\\) ")
string(REGEX REPLACE "^Copyright \\(c\\) ([-0-9, ]+[0-9]) (.+)$" "\\1;\\2" _vek_copyright "${_vek_copyright}")
list(GET _vek_copyright 0 VEK_RC_YEARS)
list(GET _vek_copyright 1 VEK_RC_HOLDER)
math(EXPR VEK_RC_BITS "${CMAKE_SIZEOF_VOID_P} * 8")
configure_file(${PROJECT_SOURCE_DIR}/cmake/VekKestra.rc.in ${PROJECT_BINARY_DIR}/VekKestra.rc @ONLY)
target_sources(vekkestra PRIVATE ${PROJECT_BINARY_DIR}/VekKestra.rc)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/LICENSE)

if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(_vek_def ${VEK_DEF_FILE})
  set(_vek_kill_at -k)
  set(_vek_machine i386)
  target_link_options(vekkestra PRIVATE -Wl,--kill-at)
else()
  # 64-bit Windows has one calling convention and no decoration.
  file(READ ${VEK_DEF_FILE} _vek_def_text)
  string(REGEX REPLACE "@[0-9]+" "" _vek_def_text "${_vek_def_text}")
  set(_vek_def ${CMAKE_BINARY_DIR}/VekKestra-x64.def)
  file(CONFIGURE OUTPUT ${_vek_def} CONTENT "${_vek_def_text}" @ONLY)
  set(_vek_kill_at)
  set(_vek_machine i386:x86-64)
endif()
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${VEK_DEF_FILE})

if(NOT CMAKE_DLLTOOL)
  find_program(CMAKE_DLLTOOL NAMES ${CMAKE_SYSTEM_PROCESSOR}-w64-mingw32-dlltool dlltool REQUIRED)
endif()
# MSVC's linker wants short-format import members (and, on x86, SafeSEH-clean
# objects), which GNU dlltool does not make; LLVM's dlltool does.
find_program(VEK_LLVM_DLLTOOL NAMES llvm-dlltool llvm-dlltool-19 llvm-dlltool-18 llvm-dlltool-17 llvm-dlltool-16
                                    llvm-dlltool-15 llvm-dlltool-14)

set(_vek_implib_commands)
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  list(APPEND _vek_implib_commands COMMAND ${CMAKE_DLLTOOL} -m ${_vek_machine} -d ${_vek_def} -D VekKestra.dll
       ${_vek_kill_at} -l $<TARGET_LINKER_FILE:vekkestra>)
endif()
if(VEK_LLVM_DLLTOOL)
  list(APPEND _vek_implib_commands COMMAND ${VEK_LLVM_DLLTOOL} -m ${_vek_machine} -d ${_vek_def} -D VekKestra.dll
       ${_vek_kill_at} -l $<TARGET_FILE_DIR:vekkestra>/VekKestra.lib)
else()
  message(WARNING "llvm-dlltool not found: VekKestra.lib (the MSVC import library) is not built")
endif()
if(_vek_implib_commands)
  add_custom_command(TARGET vekkestra POST_BUILD ${_vek_implib_commands} VERBATIM)
endif()

# The self-checking programs that run the Windows build under Wine.
option(VEK_BUILD_WINE_TESTS "Cross-build the test programs that run under Wine" ON)
if(VEK_BUILD_WINE_TESTS AND EXISTS ${PROJECT_SOURCE_DIR}/tests/wine/CMakeLists.txt)
  add_subdirectory(${PROJECT_SOURCE_DIR}/tests/wine ${CMAKE_BINARY_DIR}/tests/wine)
endif()
