# SPDX-License-Identifier: BSL-1.0
# Builds the quick-start example in a fresh WORK folder against this project
# one WAY and runs it:
#   installed       the development component alone, installed from BINARY_DIR
#                   into a scratch prefix, found by find_package
#   embedded        the checkout at SOURCE_DIR, by add_subdirectory; then, by
#                   parents built Debug and with no build type, whose
#                   kernels must still be compiled optimised
#   fetch-content   examples/fetch_content, fetching the checkout's files,
#                   committed in a repository of their own, at that commit
#   in-source       those files built in their own folder: git must show
#                   nothing new there
#   pkg-config      that same install, its flags from PKG_CONFIG, built by CXX
#   meson           the checkout as a Meson subproject of the examples' own
#                   project, built by MESON; then tests/consumer/meson.build,
#                   whose every dependency must give the form its name says
#   meson-installed tests/consumer/meson.build against that same install
#   examples        the checkout built by CXX (the library alone) and installed
#                   into a scratch prefix, found by the examples' own CMake
#                   project, every example built by CXX
#   shared          the library alone built shared and installed with the
#                   development component, as the README says; the consumer,
#                   found by find_package, runs with no LD_LIBRARY_PATH; then
#                   the next patch release, installed over it, runs the same
#                   programs unchanged
#   hidden          the checkout embedded as a shared library by a parent
#                   whose default visibility is hidden
#   paths-off       the library alone built with the cache option
#                   TAVIK_VECTOR_PATHS=OFF and installed; its users, found by
#                   find_package and by pkg-config, link only if they are
#                   given the switch too (they would ask for kernels the
#                   library lacks)
#   shared-object   the install of BINARY_DIR (a static library) linked into
#                   a shared object, which the program calls, and which must
#                   not export the library's kernels
#   libc++          that install, linked by LIBCXX with libc++
#   vendored        the folder tavik/ copied alone into a project, built by
#                   CXX with -I
#   mixed-flags     tests/consumer/mixed_flags.cpp built by CXX with and
#                   without AVX-512 (-march=x86-64-v4) into one program, at
#                   -O0 and -O2, in either link order and either form (the
#                   kernels from an archive built here), each run by QEMU on
#                   a Haswell, which has AVX2 and no AVX-512, and on a
#                   Nehalem, which has neither; the weak functions both
#                   objects define must be the same code
# in the configuration CONFIG, compiled with FLAGS and linked with LINK_FLAGS
# as well: those the library was built with (a sanitizer's, say), since an
# installed library needs them in what links it.
#   cmake -DWAY=... -DSOURCE_DIR=... -DBINARY_DIR=... -DWORK=... -DCONFIG=...
#         -DGENERATOR=... -DCXX=... -DCTEST=... [-DPKG_CONFIG=...] [-DMESON=...]
#         [-DLIBCXX=...] [-DQEMU=...] [-DAR=...] [-DNM=...] [-DOBJDUMP=...]
#         [-DGIT=...] [-DFLAGS=...]
#         [-DLINK_FLAGS=...] -P build-and-run.cmake
cmake_policy(VERSION 3.21)

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE result OUTPUT_VARIABLE output
    ERROR_VARIABLE output)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "${ARGN}\n${output}")
  endif()
  set(output "${output}" PARENT_SCOPE)
endfunction()

# What the quick start writes: the list left after erasing, and its sum.
function(expect_the_consumers_report)
  if(NOT output STREQUAL "3, 4, 5\n12\n")
    message(FATAL_ERROR "the quick start wrote:\n${output}")
  endif()
endfunction()

# The library alone, from the checkout at `source`, built in `build` with
# CXX, FLAGS and the further cache settings given.
function(build_library source build)
  run(${CMAKE_COMMAND} -S "${source}" -B "${build}" -G "${GENERATOR}"
    "-DCMAKE_CXX_COMPILER=${CXX}" "-DCMAKE_BUILD_TYPE=${CONFIG}" ${flags_as_built}
    -DBUILD_TESTING=OFF -DTAVIK_BENCHMARKS=OFF ${ARGN})
  run(${CMAKE_COMMAND} --build "${build}" --config "${CONFIG}" --target tavik_functions)
endfunction()

function(install_library build component)
  run(${CMAKE_COMMAND} --install "${build}" --config "${CONFIG}" --component ${component}
    --prefix "${prefix}")
endfunction()

# The consumer project (tests/consumer) configured with `use`, built and
# tested: the quick start's report, and the version it runs.
function(build_and_test_consumer)
  run(${CMAKE_COMMAND} -S "${consumer}" -B "${WORK}/build" -G "${GENERATOR}"
    "-DCMAKE_CXX_COMPILER=${CXX}" "-DCMAKE_BUILD_TYPE=${CONFIG}" ${flags_as_built}
    ${ARGN})
  run(${CMAKE_COMMAND} --build "${WORK}/build" --config "${CONFIG}")
  run(${CMAKE_COMMAND} -E env --unset=LD_LIBRARY_PATH
    ${CTEST} --test-dir "${WORK}/build" -C "${CONFIG}" --output-on-failure)
  if(NOT output MATCHES "100% tests passed, 0 tests failed out of 2\n")
    message(FATAL_ERROR "the consumer's tests are not its own two:\n${output}")
  endif()
  set(output "${output}" PARENT_SCOPE)
endfunction()

# The built program called `name` under WORK/build.
function(find_program_built name variable)
  file(GLOB_RECURSE found LIST_DIRECTORIES false "${WORK}/build/${name}")
  set(${variable} "${found}" PARENT_SCOPE)
endfunction()

# What mixed_flags.cpp writes: for int, long long, float, double and an
# 8-byte record, how many are left and their total.
set(mixed_flags_report " 180 420 180 420 180 420 180 420 180 420\n")

# The weak functions that both objects define, of which the linker keeps
# one for both: each must be the same code in both, whatever flags built
# them (a standard template instantiated over float by a file built with
# AVX, say, would bring AVX into the other file's calls).
function(expect_the_same_shared_code first second)
  foreach(object first second)
    run(${NM} --defined-only "${${object}}")
    string(REGEX MATCHALL "[0-9a-f]+ W [^\n]+" weak "${output}")
    string(REGEX REPLACE "[0-9a-f]+ W " "" weak_${object} "${weak}")
    run(${OBJDUMP} -d --no-show-raw-insn --no-addresses "${${object}}")
    set(code_${object} "${output}")
  endforeach()
  foreach(symbol IN LISTS weak_first)
    if(NOT symbol IN_LIST weak_second)
      continue()
    endif()
    string(REPLACE "." "\\." pattern "${symbol}")
    foreach(object first second)
      string(REGEX MATCH "\n<${pattern}>:\n[^\n]+(\n[^\n]+)*" function_${object}
        "${code_${object}}")
    endforeach()
    if(NOT function_first STREQUAL function_second)
      message(FATAL_ERROR "${first} and ${second} define ${symbol} differently:"
        "${function_first}\n${function_second}")
    endif()
  endforeach()
endfunction()

# The files git tracks in the checkout, copied to `destination` and
# committed there in a repository of their own.
function(checkout_copy destination)
  run(${GIT} -C "${SOURCE_DIR}" -c core.quotePath=false ls-files)
  string(REPLACE "\n" ";" files "${output}")
  foreach(file IN LISTS files)
    if(file AND EXISTS "${SOURCE_DIR}/${file}")
      get_filename_component(folder "${destination}/${file}" DIRECTORY)
      file(COPY "${SOURCE_DIR}/${file}" DESTINATION "${folder}")
    endif()
  endforeach()
  set(git ${GIT} -C "${destination}" -c user.name=tests -c user.email=tests@localhost)
  run(${git} init --quiet)
  run(${git} add --all)
  run(${git} commit --quiet --message "The checkout's files")
endfunction()

set(consumer "${SOURCE_DIR}/tests/consumer")
set(flags_as_built "-DCMAKE_CXX_FLAGS=${FLAGS}" "-DCMAKE_EXE_LINKER_FLAGS=${LINK_FLAGS}"
  "-DCMAKE_SHARED_LINKER_FLAGS=${LINK_FLAGS}")
separate_arguments(compile_flags UNIX_COMMAND "${FLAGS}")
separate_arguments(link_flags UNIX_COMMAND "${LINK_FLAGS}")
set(examples_dir "${SOURCE_DIR}/examples")
set(prefix "${WORK}/prefix")
set(pkg_config_path "${prefix}/share/pkgconfig:${prefix}/lib/pkgconfig")
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")
if(WAY STREQUAL "examples")
  build_library("${SOURCE_DIR}" "${WORK}/library")
  set(BINARY_DIR "${WORK}/library")
endif()
if(WAY MATCHES "^(installed|pkg-config|examples|meson-installed|shared-object|libc\\+\\+)$")
  install_library("${BINARY_DIR}" Tavik_Development)
  if(EXISTS "${prefix}/bin")
    message(FATAL_ERROR "the development component installed the program too")
  endif()
endif()

if(WAY STREQUAL "pkg-config")
  # tavik is the header-only form, as in 1.1; tavik-compiled links the kernels.
  set(find ${CMAKE_COMMAND} -E env "PKG_CONFIG_PATH=${pkg_config_path}" ${PKG_CONFIG})
  foreach(package_and_flags IN ITEMS "tavik;--cflags" "tavik-header-only;--cflags"
      "tavik-compiled;--cflags;--libs")
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
elseif(WAY MATCHES "^meson")
  set(environment "CXX=${CXX}" "CXXFLAGS=${FLAGS}" "LDFLAGS=${LINK_FLAGS}")
  if(WAY STREQUAL "meson")
    # The README's example, then each name's form.
    file(COPY "${examples_dir}/" DESTINATION "${WORK}/examples")
    file(MAKE_DIRECTORY "${WORK}/examples/subprojects")
    file(CREATE_LINK "${SOURCE_DIR}" "${WORK}/examples/subprojects/tavik" SYMBOLIC)
    run(${CMAKE_COMMAND} -E env ${environment} ${MESON} setup "${WORK}/examples/build"
      "${WORK}/examples")
    if(NOT output MATCHES "tavik\\| Project version: ${VERSION}\n")
      message(FATAL_ERROR "the subproject does not say its version ${VERSION}:\n${output}")
    endif()
    run(${MESON} compile -C "${WORK}/examples/build")
    run("${WORK}/examples/build/quick_start")
    expect_the_consumers_report()
    file(MAKE_DIRECTORY "${WORK}/forms/subprojects")
    file(CREATE_LINK "${SOURCE_DIR}" "${WORK}/forms/subprojects/tavik" SYMBOLIC)
    set(wrap_mode)
  else()
    list(APPEND environment "PKG_CONFIG_PATH=${pkg_config_path}")
    set(wrap_mode --wrap-mode=nofallback)
  endif()
  file(COPY "${consumer}/meson.build" "${consumer}/form.cpp" "${examples_dir}/quick_start.cpp"
    DESTINATION "${WORK}/forms")
  run(${CMAKE_COMMAND} -E env ${environment} ${MESON} setup ${wrap_mode} "${WORK}/forms/build"
    "${WORK}/forms")
  run(${MESON} compile -C "${WORK}/forms/build")
  foreach(name tavik-compiled tavik tavik-header-only)
    run("${WORK}/forms/build/form_${name}")
  endforeach()
  run("${WORK}/forms/build/quick_start")
  expect_the_consumers_report()
elseif(WAY STREQUAL "examples")
  # Built as a user builds them: warnings as errors, and no build type of
  # the examples' own, so that FLAGS alone set the optimisation.
  run(${CMAKE_COMMAND} -S "${examples_dir}" -B "${WORK}/build" -G "${GENERATOR}"
    "-DCMAKE_CXX_COMPILER=${CXX}" ${flags_as_built} "-DCMAKE_PREFIX_PATH=${prefix}")
  run(${CMAKE_COMMAND} --build "${WORK}/build" --config "${CONFIG}")
  foreach(example forms quick_start)
    find_program_built(${example} program)
    run(${program})
  endforeach()
  expect_the_consumers_report()
elseif(WAY STREQUAL "shared")
  build_library("${SOURCE_DIR}" "${WORK}/library" -DBUILD_SHARED_LIBS=ON)
  install_library("${WORK}/library" Tavik_Development)
  build_and_test_consumer("-DCMAKE_PREFIX_PATH=${prefix}")
  # The next patch release: the same checkout one patch on, its library
  # alone installed over this one.
  file(READ "${SOURCE_DIR}/src/tavik/Version.h" version_header)
  string(REGEX MATCH "TAVIK_VERSION_PATCH ([0-9]+)" _ "${version_header}")
  math(EXPR next_patch "${CMAKE_MATCH_1} + 1")
  string(REGEX REPLACE "TAVIK_VERSION_PATCH [0-9]+" "TAVIK_VERSION_PATCH ${next_patch}"
    version_header "${version_header}")
  file(COPY "${SOURCE_DIR}/CMakeLists.txt" "${SOURCE_DIR}/src" "${SOURCE_DIR}/LICENSE"
    "${SOURCE_DIR}/README.md" "${SOURCE_DIR}/CHANGELOG.md" DESTINATION "${WORK}/next")
  file(WRITE "${WORK}/next/src/tavik/Version.h" "${version_header}")
  build_library("${WORK}/next" "${WORK}/next-library" -DBUILD_SHARED_LIBS=ON)
  install_library("${WORK}/next-library" Tavik_Runtime)
  string(REGEX REPLACE "^([0-9]+)\\.([0-9]+)\\.([0-9]+)$" "\\1;\\2;\\3" parts "${VERSION}")
  list(GET parts 0 major)
  list(GET parts 1 minor)
  list(GET parts 2 patch)
  math(EXPR built_with "${major} * 10000 + ${minor} * 100 + ${patch}")
  math(EXPR running "${built_with} + 1")
  find_program_built(consumer_version program)
  run(${CMAKE_COMMAND} -E env --unset=LD_LIBRARY_PATH ${program} later)
  if(NOT output STREQUAL "${running} ${built_with}\n")
    message(FATAL_ERROR "after the next patch release, the version program wrote "
      "'${output}', not '${running} ${built_with}'")
  endif()
  find_program_built(consumer program)
  run(${CMAKE_COMMAND} -E env --unset=LD_LIBRARY_PATH ${program})
  expect_the_consumers_report()
elseif(WAY STREQUAL "paths-off")
  build_library("${SOURCE_DIR}" "${WORK}/library" -DTAVIK_VECTOR_PATHS=OFF)
  install_library("${WORK}/library" Tavik_Development)
  build_and_test_consumer("-DCMAKE_PREFIX_PATH=${prefix}")
  set(find ${CMAKE_COMMAND} -E env "PKG_CONFIG_PATH=${pkg_config_path}" ${PKG_CONFIG})
  run(${find} --cflags --libs tavik-compiled)
  separate_arguments(flags UNIX_COMMAND "${output}")
  run(${CXX} -std=c++20 ${compile_flags} "${examples_dir}/quick_start.cpp" ${flags}
    ${link_flags} -o "${WORK}/quick_start")
  run("${WORK}/quick_start")
  expect_the_consumers_report()
elseif(WAY STREQUAL "hidden")
  build_and_test_consumer("-DTAVIK_SOURCE_DIR=${SOURCE_DIR}" -DBUILD_SHARED_LIBS=ON
    -DCMAKE_CXX_VISIBILITY_PRESET=hidden -DCMAKE_VISIBILITY_INLINES_HIDDEN=ON)
elseif(WAY STREQUAL "shared-object")
  build_and_test_consumer("-DCMAKE_PREFIX_PATH=${prefix}" -DCONSUMER_SHARED_OBJECT=ON)
  # The static library's kernels stay inside the shared object.
  find_program_built(libquick_start.so shared_object)
  run(${NM} -DC --defined-only "${shared_object}")
  if(output MATCHES "Tavik::v[0-9_]+::detail::library::")
    message(FATAL_ERROR "the shared object exports the library's kernels:\n${output}")
  endif()
elseif(WAY STREQUAL "libc++")
  run(${LIBCXX} -std=c++20 -stdlib=libc++ ${compile_flags} -DTAVIK_COMPILED_KERNELS=1
    "-I${prefix}/include" "${examples_dir}/quick_start.cpp" "-L${prefix}/lib" -ltavik
    -o "${WORK}/quick_start")
  run("${WORK}/quick_start")
  expect_the_consumers_report()
elseif(WAY STREQUAL "vendored")
  file(COPY "${SOURCE_DIR}/src/tavik" DESTINATION "${WORK}/vendor")
  run(${CXX} -std=c++20 ${compile_flags} "-I${WORK}/vendor" "${examples_dir}/quick_start.cpp"
    ${link_flags} -o "${WORK}/quick_start")
  run("${WORK}/quick_start")
  expect_the_consumers_report()
elseif(WAY STREQUAL "mixed-flags")
  set(compiled -DTAVIK_COMPILED_KERNELS=1)
  run(${CXX} -std=c++20 -O2 "-I${SOURCE_DIR}/src" ${compiled} -c
    "${SOURCE_DIR}/src/kernels.cpp" -o "${WORK}/kernels.o")
  run(${AR} rcs "${WORK}/libkernels.a" "${WORK}/kernels.o")
  foreach(level -O0 -O2)
    foreach(form header-only compiled)
      set(flags ${level})
      if(form STREQUAL "compiled")
        list(APPEND flags ${compiled})
      endif()
      foreach(object elsewhere main)
        set(${object}_${form} "${WORK}/${object}${level}-${form}.o")
      endforeach()
      run(${CXX} -std=c++20 "-I${SOURCE_DIR}/src" ${flags} -march=x86-64-v4 -DELSEWHERE
        -c "${consumer}/mixed_flags.cpp" -o "${elsewhere_${form}}")
      run(${CXX} -std=c++20 "-I${SOURCE_DIR}/src" ${flags}
        -c "${consumer}/mixed_flags.cpp" -o "${main_${form}}")
    endforeach()
    # Each pair of forms, in either link order, run where AVX-512 is missing
    # and where AVX2 is too.
    foreach(elsewhere_form header-only compiled)
      foreach(main_form header-only compiled)
        expect_the_same_shared_code("${elsewhere_${elsewhere_form}}" "${main_${main_form}}")
        set(library)
        if(main_form STREQUAL "compiled" OR elsewhere_form STREQUAL "compiled")
          set(library "${WORK}/libkernels.a")
        endif()
        foreach(order IN ITEMS "elsewhere;main" "main;elsewhere")
          set(objects)
          foreach(object IN LISTS order)
            list(APPEND objects "${${object}_${${object}_form}}")
          endforeach()
          set(program "${WORK}/program")
          run(${CXX} -static ${objects} ${library} -o "${program}")
          foreach(cpu Nehalem Haswell)
            list(JOIN order " first, then " linked)
            string(CONCAT shown "${elsewhere_form} with AVX-512 and ${main_form} without, "
              "${level}, ${linked}, on ${cpu}")
            execute_process(COMMAND ${QEMU} -cpu ${cpu} "${program}" RESULT_VARIABLE result
              OUTPUT_VARIABLE output ERROR_QUIET)
            if(NOT result EQUAL 0 OR NOT output STREQUAL "${mixed_flags_report}")
              message(FATAL_ERROR "${shown}: ended with '${result}' and wrote '${output}'")
            endif()
            message("${shown}: ${output}")
          endforeach()
          # A compiled form's program runs the library's kernels, not another
          # file's copies.
          if(main_form STREQUAL "compiled")
            run(${NM} -C "${program}")
            if(NOT output MATCHES "Tavik::v[0-9_]+::detail::library::remove_flagged_avx2")
              message(FATAL_ERROR "${shown}: the library's kernels are not in the program")
            endif()
          endif()
        endforeach()
      endforeach()
    endforeach()
  endforeach()
  set(output "")
elseif(WAY STREQUAL "in-source")
  # The checkout's files alone, committed in a repository of their own, built
  # in their own folder: git must see nothing new.
  checkout_copy("${WORK}/source")
  run(${CMAKE_COMMAND} -S "${WORK}/source" -B "${WORK}/source" -G "${GENERATOR}"
    "-DCMAKE_CXX_COMPILER=${CXX}" "-DCMAKE_BUILD_TYPE=${CONFIG}" ${flags_as_built}
    -DTAVIK_FUZZER=OFF)
  run(${CMAKE_COMMAND} --build "${WORK}/source" --config "${CONFIG}"
    --target driver-stress floor switches_off_first)
  run(${GIT} -C "${WORK}/source" status --porcelain --untracked-files=all)
  if(NOT output STREQUAL "")
    message(FATAL_ERROR "an in-source build left files that git shows:\n${output}")
  endif()
elseif(WAY STREQUAL "fetch-content")
  # examples/fetch_content as a user builds it, from a repository pinned to
  # its commit.
  checkout_copy("${WORK}/repository")
  run(${GIT} -C "${WORK}/repository" rev-parse HEAD)
  string(STRIP "${output}" commit)
  run(${CMAKE_COMMAND} -S "${examples_dir}/fetch_content" -B "${WORK}/build"
    -G "${GENERATOR}" "-DCMAKE_CXX_COMPILER=${CXX}" "-DCMAKE_BUILD_TYPE=${CONFIG}"
    ${flags_as_built} "-DTAVIK_GIT_REPOSITORY=file://${WORK}/repository"
    "-DTAVIK_GIT_TAG=${commit}" "-DFETCHCONTENT_BASE_DIR=${WORK}/dependencies")
  run(${CMAKE_COMMAND} --build "${WORK}/build" --config "${CONFIG}")
  find_program_built(quick_start program)
  run(${program})
  expect_the_consumers_report()
else()
  if(WAY STREQUAL "installed")
    set(use "-DCMAKE_PREFIX_PATH=${prefix}")
  else()
    set(use "-DTAVIK_SOURCE_DIR=${SOURCE_DIR}")
  endif()
  build_and_test_consumer(${use})
  if(WAY STREQUAL "embedded")
    # The kernels are compiled optimised where the parent's configuration is
    # not: Debug, and none at all.
    foreach(build_type Debug "")
      set(parent "${WORK}/parent-${build_type}")
      run(${CMAKE_COMMAND} -S "${consumer}" -B "${parent}" -G "${GENERATOR}"
        "-DCMAKE_CXX_COMPILER=${CXX}" "-DCMAKE_BUILD_TYPE=${build_type}"
        "-DTAVIK_SOURCE_DIR=${SOURCE_DIR}")
      run(${CMAKE_COMMAND} --build "${parent}" --config Debug --target tavik_functions
        --verbose)
      string(REGEX MATCH "[^\n]* -c [^\n]*kernels\.cpp[^\n]*" command "${output}")
      string(REGEX MATCHALL " -O[^ ]*" levels "${command}")
      list(POP_BACK levels level)
      if(NOT level MATCHES "^ -O[123s]$")
        message(FATAL_ERROR "with the build type '${build_type}', the kernels are built "
          "at '${level}':\n${command}")
      endif()
    endforeach()
  endif()
endif()
message("${WAY}: ${output}")
