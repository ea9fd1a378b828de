# Which Python runs what. The first python3 on PATH (or -DPython3_EXECUTABLE)
# may be a pyenv, conda or venv interpreter without the system's packages;
# the tests that need a package (matplotlib, aiohttp, selenium, the Python
# side of Tango) take the first interpreter that has it, else the system's
# /usr/bin/python3, and the configuration says which one it took for what.
#
# A test that cannot run here is still registered, under a name that carries
# the reason ("panel_browser.skipped.no-selenium"), and reports itself skipped:
# CTest's summary prints only a skipped test's name, so the name is where the
# reason has to be for it to show there. CI fails on any skipped test
# (scripts/no-skips.sh).

find_package(Python3 COMPONENTS Interpreter)
set(VEK_PYTHON_CANDIDATES)
if(Python3_Interpreter_FOUND)
  list(APPEND VEK_PYTHON_CANDIDATES ${Python3_EXECUTABLE})
  message(STATUS "Python: the first interpreter is ${Python3_EXECUTABLE} (${Python3_VERSION}); "
                 "-DPython3_EXECUTABLE=... names another")
endif()
if(NOT CMAKE_CROSSCOMPILING AND EXISTS /usr/bin/python3)
  get_filename_component(system_python /usr/bin/python3 REALPATH)
  set(first_python)
  if(Python3_Interpreter_FOUND)
    get_filename_component(first_python ${Python3_EXECUTABLE} REALPATH)
  endif()
  if(NOT system_python STREQUAL first_python)
    list(APPEND VEK_PYTHON_CANDIDATES /usr/bin/python3)
  endif()
endif()

# vek_python_with(<var> FOR <what> MODULES <module>...): sets <var> to the
# first candidate interpreter that imports every module, else to "" and
# <var>_MISSING to the modules that the last candidate lacked (all of them
# when there is no interpreter); says which in the configuration's output.
function(vek_python_with var)
  cmake_parse_arguments(P "" "FOR" "MODULES" ${ARGN})
  set(missing ${P_MODULES})
  foreach(candidate ${VEK_PYTHON_CANDIDATES})
    set(lacks)
    foreach(module ${P_MODULES})
      # Run where no folder shares a module's name (the source tree's tango/
      # would import as an empty namespace package).
      execute_process(COMMAND ${candidate} -c "import ${module}" RESULT_VARIABLE failed OUTPUT_QUIET ERROR_QUIET
                      WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/CMakeFiles)
      if(NOT failed EQUAL 0)
        list(APPEND lacks ${module})
      endif()
    endforeach()
    if(NOT lacks)
      string(REPLACE ";" ", " names "${P_MODULES}")
      message(STATUS "Python for ${P_FOR}: ${candidate} (has ${names})")
      set(${var} ${candidate} PARENT_SCOPE)
      set(${var}_MISSING "" PARENT_SCOPE)
      return()
    endif()
    set(missing ${lacks})
  endforeach()
  string(REPLACE ";" ", " names "${missing}")
  string(REPLACE ";" ", " tried "${VEK_PYTHON_CANDIDATES}")
  message(STATUS "Python for ${P_FOR}: none (${tried}) has ${names}")
  set(${var} "" PARENT_SCOPE)
  set(${var}_MISSING ${missing} PARENT_SCOPE)
endfunction()

# vek_skipped_test(<name> <missing>... REASON <text>): the test <name>,
# which cannot run here, as "<name>.skipped.no-<missing>-..." that prints
# REASON and reports itself skipped.
function(vek_skipped_test name)
  cmake_parse_arguments(S "" "REASON" "" ${ARGN})
  string(REPLACE ";" "-" what "${S_UNPARSED_ARGUMENTS}")
  string(REGEX REPLACE "[^A-Za-z0-9_-]" "-" what "${what}")
  set(skipped ${name}.skipped.no-${what})
  add_test(NAME ${skipped} COMMAND sh -c "echo \"$1\"; exit 77" sh "${name} not run: ${S_REASON}")
  set_tests_properties(${skipped} PROPERTIES SKIP_RETURN_CODE 77)
  message(STATUS "${name} will be reported skipped as ${skipped}: ${S_REASON}")
endfunction()
