# Files that are written from the library's operation table and committed, so
# that the Windows build, the Python package and its users have them without
# a build (commands/export_list.cpp writes them):
#   cmake/VekKestra.def                       the Windows export list
#   bindings/python/vekkestra/_exports.py     the ctypes signatures and result codes
#   bindings/python/vekkestra/_version.py     the package's version (from VERSION)
#   bindings/dotnet/Native.g.cs               the C# binding's native part: the P/Invoke
#                                             declarations of the exports and of the motion
#                                             core, its structs and constants, the result codes
#   include/vekkestra_motion_calls.h          the motion core's vekm_call_<Name> declarations
#   include/vekkestra_operations.hpp          every operation as a typed method of the C++
#                                             controller (vek::Operations)
#   bindings/python/vekkestra/_operations.py  the same for the Python package
#   bindings/dotnet/Operations.g.cs           the same for the C# binding
#
# Every native build compares them with what the table says now (target
# check-generated, part of `all`) and stops with a diff when one is stale;
# `cmake --build <build> --target update-generated` writes them anew.
#
# As a script (cmake -P): -DTOOL=<vek_export_list> -DSOURCE=<source dir>
# -DMODE=check|update.
set(VEK_GENERATED_FILES
  "def=cmake/VekKestra.def"
  "python=bindings/python/vekkestra/_exports.py"
  "version=bindings/python/vekkestra/_version.py"
  "csharp-native=bindings/dotnet/Native.g.cs"
  "motion-calls=include/vekkestra_motion_calls.h"
  "cpp-operations=include/vekkestra_operations.hpp"
  "python-operations=bindings/python/vekkestra/_operations.py"
  "csharp-operations=bindings/dotnet/Operations.g.cs")

if(CMAKE_SCRIPT_MODE_FILE)
  set(stale "")
  foreach(entry IN LISTS VEK_GENERATED_FILES)
    string(REPLACE "=" ";" pair "${entry}")
    list(GET pair 0 format)
    list(GET pair 1 path)
    execute_process(COMMAND ${TOOL} ${format} OUTPUT_VARIABLE text RESULT_VARIABLE failed)
    if(failed)
      message(FATAL_ERROR "vek_export_list ${format} failed")
    endif()
    set(committed "")
    if(EXISTS ${SOURCE}/${path})
      file(READ ${SOURCE}/${path} committed)
    endif()
    if(NOT committed STREQUAL text)
      if(MODE STREQUAL "update")
        file(WRITE ${SOURCE}/${path} "${text}")
        message(STATUS "wrote ${path}")
      else()
        list(APPEND stale ${path})
      endif()
    endif()
  endforeach()
  if(stale)
    string(REPLACE ";" ", " stale "${stale}")
    message(FATAL_ERROR "${stale}: not what the operation table says now (commands/operations.h, "
                        "include/vekkestra.h, include/vekkestra_motion.h, VERSION); "
                        "cmake --build <build> --target update-generated writes them")
  endif()
  return()
endif()

if(NOT CMAKE_CROSSCOMPILING)
  add_executable(vek_export_list ${PROJECT_SOURCE_DIR}/commands/export_list.cpp
                                 ${PROJECT_SOURCE_DIR}/commands/export_typed.cpp)
  target_include_directories(vek_export_list PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/include)
  # The typed methods' documentation is read from the header when the tool runs.
  target_compile_definitions(vek_export_list PRIVATE VEK_PUBLIC_HEADER="${PROJECT_SOURCE_DIR}/include/vekkestra.h")
  target_link_libraries(vek_export_list PRIVATE vek_version)
  foreach(mode check update)
    set(target ${mode}-generated)
    set(all_flag "")
    if(mode STREQUAL "check")
      set(all_flag ALL)
    endif()
    add_custom_target(${target} ${all_flag}
      COMMAND ${CMAKE_COMMAND} -DTOOL=$<TARGET_FILE:vek_export_list> -DSOURCE=${PROJECT_SOURCE_DIR} -DMODE=${mode}
              -P ${PROJECT_SOURCE_DIR}/cmake/generated.cmake
      DEPENDS vek_export_list
      COMMENT "${mode} the files written from the operation table"
      VERBATIM)
  endforeach()
endif()
