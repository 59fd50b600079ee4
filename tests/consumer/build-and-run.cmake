# SPDX-License-Identifier: BSL-1.0
# Builds the quick-start example in a fresh WORK folder against this project
# one WAY and runs it:
#   installed   the development component alone, installed from BINARY_DIR
#               into a scratch prefix, found by find_package
#   embedded    the checkout at SOURCE_DIR, by add_subdirectory
#   pkg-config  that same install, its flags from PKG_CONFIG, built by CXX
#   meson       the checkout as a Meson subproject of the examples' own
#               project, built by MESON
#   examples    the checkout built by CXX (the library alone) and installed
#               into a scratch prefix, found by the examples' own CMake
#               project, every example built by CXX
# in the configuration CONFIG, compiled with FLAGS and linked with LINK_FLAGS
# as well: those the library was built with (a sanitizer's, say), since an
# installed library needs them in what links it.
#   cmake -DWAY=... -DSOURCE_DIR=... -DBINARY_DIR=... -DWORK=... -DCONFIG=...
#         -DGENERATOR=... -DCXX=... -DCTEST=... [-DPKG_CONFIG=...] [-DMESON=...]
#         [-DFLAGS=...] [-DLINK_FLAGS=...] -P build-and-run.cmake
function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE result OUTPUT_VARIABLE output
    ERROR_VARIABLE output)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "${ARGN}\n${output}")
  endif()
  set(output "${output}" PARENT_SCOPE)
endfunction()

# What the quick start writes: the list left after erasing the 1s, and its sum.
function(expect_the_consumers_report)
  if(NOT output STREQUAL "3, 4, 5\n12\n")
    message(FATAL_ERROR "the quick start wrote:\n${output}")
  endif()
endfunction()

set(consumer "${SOURCE_DIR}/tests/consumer")
set(flags_as_built "-DCMAKE_CXX_FLAGS=${FLAGS}" "-DCMAKE_EXE_LINKER_FLAGS=${LINK_FLAGS}")
separate_arguments(compile_flags UNIX_COMMAND "${FLAGS}")
separate_arguments(link_flags UNIX_COMMAND "${LINK_FLAGS}")
set(examples_dir "${SOURCE_DIR}/examples")
file(REMOVE_RECURSE "${WORK}")
if(WAY STREQUAL "examples")
  run(${CMAKE_COMMAND} -S "${SOURCE_DIR}" -B "${WORK}/library" -G "${GENERATOR}"
    "-DCMAKE_CXX_COMPILER=${CXX}" "-DCMAKE_BUILD_TYPE=${CONFIG}" ${flags_as_built}
    -DBUILD_TESTING=OFF -DTAVIK_BENCHMARKS=OFF)
  run(${CMAKE_COMMAND} --build "${WORK}/library" --config "${CONFIG}" --target tavik_functions)
  set(BINARY_DIR "${WORK}/library")
endif()
if(WAY MATCHES "^(installed|pkg-config|examples)$")
  set(prefix "${WORK}/prefix")
  run(${CMAKE_COMMAND} --install "${BINARY_DIR}" --config "${CONFIG}"
    --component Tavik_Development --prefix "${prefix}")
  if(EXISTS "${prefix}/bin")
    message(FATAL_ERROR "the development component installed the program too")
  endif()
endif()

if(WAY STREQUAL "pkg-config")
  # tavik is the header-only form, as in 1.1; tavik-compiled links the kernels.
  set(find ${CMAKE_COMMAND} -E env
    "PKG_CONFIG_PATH=${prefix}/share/pkgconfig:${prefix}/lib/pkgconfig" ${PKG_CONFIG})
  foreach(package_and_flags IN ITEMS "tavik;--cflags" "tavik-compiled;--cflags;--libs")
    list(POP_FRONT package_and_flags package)
    run(${find} --modversion ${package})
    if(NOT output STREQUAL "${VERSION}\n")
      message(FATAL_ERROR "pkg-config says ${package} is version ${output}, not ${VERSION}")
    endif()
    run(${find} ${package_and_flags} ${package})
    separate_arguments(flags UNIX_COMMAND "${output}")
    run(${CXX} -std=c++20 ${compile_flags} "${examples_dir}/quick_start.cpp" ${flags}
      ${link_flags} -o "${WORK}/${package}")
    run("${WORK}/${package}")
    expect_the_consumers_report()
  endforeach()
elseif(WAY STREQUAL "meson")
  file(COPY "${examples_dir}/" DESTINATION "${WORK}")
  file(MAKE_DIRECTORY "${WORK}/subprojects")
  file(CREATE_LINK "${SOURCE_DIR}" "${WORK}/subprojects/tavik" SYMBOLIC)
  run(${CMAKE_COMMAND} -E env "CXX=${CXX}" "CXXFLAGS=${FLAGS}" "LDFLAGS=${LINK_FLAGS}"
    ${MESON} setup "${WORK}/build" "${WORK}")
  if(NOT output MATCHES "tavik\\| Project version: ${VERSION}\n")
    message(FATAL_ERROR "the subproject does not say its version ${VERSION}:\n${output}")
  endif()
  run(${MESON} compile -C "${WORK}/build")
  run("${WORK}/build/quick_start")
  expect_the_consumers_report()
elseif(WAY STREQUAL "examples")
  # Built as a user builds them: warnings as errors, and no build type of
  # the examples' own, so that FLAGS alone set the optimisation.
  run(${CMAKE_COMMAND} -S "${examples_dir}" -B "${WORK}/build" -G "${GENERATOR}"
    "-DCMAKE_CXX_COMPILER=${CXX}" ${flags_as_built} "-DCMAKE_PREFIX_PATH=${prefix}")
  run(${CMAKE_COMMAND} --build "${WORK}/build" --config "${CONFIG}")
  foreach(example forms quick_start)
    file(GLOB_RECURSE program LIST_DIRECTORIES false "${WORK}/build/${example}")
    run(${program})
  endforeach()
  expect_the_consumers_report()
else()
  if(WAY STREQUAL "installed")
    set(use "-DCMAKE_PREFIX_PATH=${prefix}")
  else()
    set(use "-DTAVIK_SOURCE_DIR=${SOURCE_DIR}")
  endif()
  run(${CMAKE_COMMAND} -S "${consumer}" -B "${WORK}/build"
    -G "${GENERATOR}" "-DCMAKE_CXX_COMPILER=${CXX}" "-DCMAKE_BUILD_TYPE=${CONFIG}" ${flags_as_built}
    ${use})
  run(${CMAKE_COMMAND} --build "${WORK}/build" --config "${CONFIG}")
  run(${CTEST} --test-dir "${WORK}/build" -C "${CONFIG}" --output-on-failure)
  if(NOT output MATCHES "100% tests passed, 0 tests failed out of 1\n")
    message(FATAL_ERROR "the consumer's tests are not its one own:\n${output}")
  endif()
endif()
message("${WAY}: ${output}")
