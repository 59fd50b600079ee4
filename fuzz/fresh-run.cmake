# SPDX-License-Identifier: BSL-1.0
# cmake -DSCRATCH=DIR -P fresh-run.cmake COMMAND [ARG...]
# Empties DIR, then runs the command and fails as it fails.
math(EXPR last "${CMAKE_ARGC} - 1")
foreach(i RANGE 4 ${last})
  list(APPEND command "${CMAKE_ARGV${i}}")
endforeach()
file(REMOVE_RECURSE "${SCRATCH}")
file(MAKE_DIRECTORY "${SCRATCH}")
execute_process(COMMAND ${command} RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${command}: ${result}")
endif()
