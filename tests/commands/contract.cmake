# The library's contract, counted here and nowhere else: libvekkestra exports
# exactly `contract_exports` functions, those include/vekkestra.h declares,
# and nothing more. Every other test, script and text takes the number from the header or
# the table, so an operation added by the recipe of commands/README.md changes
# only this number: raise it when changing the contract is the intent.
#
# cmake -DNM=<nm> -DLIBRARY=<libvekkestra.so> -DHEADER=<vekkestra.h> -P contract.cmake
set(contract_exports 145)

execute_process(COMMAND ${NM} -D --defined-only ${LIBRARY} OUTPUT_VARIABLE symbols RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "${NM} could not read ${LIBRARY}")
endif()
string(REGEX MATCHALL "[0-9a-fA-F]+ T [A-Za-z_0-9]+" functions "${symbols}")
list(TRANSFORM functions REPLACE "^.* T " "")
list(SORT functions)

file(STRINGS ${HEADER} declarations REGEX "^VEK_API .* VEK_CALL [A-Za-z_0-9]+\\(")
list(TRANSFORM declarations REPLACE "^.* VEK_CALL ([A-Za-z_0-9]+)\\(.*$" "\\1")
list(SORT declarations)

set(failures 0)
list(LENGTH functions exported)
if(exported EQUAL contract_exports)
  message(STATUS "ok:   the library exports ${contract_exports} functions")
else()
  message(STATUS "FAIL: the library exports ${exported} functions, the contract ${contract_exports}")
  math(EXPR failures "${failures} + 1")
endif()
if(functions STREQUAL declarations)
  message(STATUS "ok:   exactly the functions vekkestra.h declares")
else()
  set(extra ${functions})
  list(REMOVE_ITEM extra ${declarations})
  set(missing ${declarations})
  list(REMOVE_ITEM missing ${functions})
  message(STATUS "FAIL: exported, not declared: ${extra}; declared, not exported: ${missing}")
  math(EXPR failures "${failures} + 1")
endif()
if(failures)
  message(FATAL_ERROR "the library's contract: ${failures} check(s) failed")
endif()
