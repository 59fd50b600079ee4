# Builds the consumer in a fresh WORK folder against this project one WAY,
# "installed" (the development component alone, into a scratch prefix, from
# BINARY_DIR) or "embedded" (the checkout at SOURCE_DIR), in the configuration
# CONFIG, and runs its one test.
#   cmake -DWAY=... -DSOURCE_DIR=... -DBINARY_DIR=... -DWORK=... -DCONFIG=...
#         -DGENERATOR=... -DCXX=... -DCTEST=... -P build-and-run.cmake
function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE result OUTPUT_VARIABLE output
    ERROR_VARIABLE output)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "${ARGN}\n${output}")
  endif()
  set(output "${output}" PARENT_SCOPE)
endfunction()

file(REMOVE_RECURSE "${WORK}")
if(WAY STREQUAL "installed")
  run(${CMAKE_COMMAND} --install "${BINARY_DIR}" --config "${CONFIG}"
    --component Tavik_Development --prefix "${WORK}/prefix")
  if(EXISTS "${WORK}/prefix/bin")
    message(FATAL_ERROR "the development component installed the program too")
  endif()
  set(use "-DCMAKE_PREFIX_PATH=${WORK}/prefix")
else()
  set(use "-DTAVIK_SOURCE_DIR=${SOURCE_DIR}")
endif()
run(${CMAKE_COMMAND} -S "${SOURCE_DIR}/tests/consumer" -B "${WORK}/build"
  -G "${GENERATOR}" "-DCMAKE_CXX_COMPILER=${CXX}" "-DCMAKE_BUILD_TYPE=${CONFIG}" ${use})
run(${CMAKE_COMMAND} --build "${WORK}/build" --config "${CONFIG}")
run(${CTEST} --test-dir "${WORK}/build" -C "${CONFIG}" --output-on-failure)
if(NOT output MATCHES "100% tests passed, 0 tests failed out of 1\n")
  message(FATAL_ERROR "the consumer's tests are not its one own:\n${output}")
endif()
message("${WAY}: ${output}")
