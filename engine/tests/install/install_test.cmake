# Installs the component "Orvex" of the build into a fresh folder and builds
# two programs against it the way an outside project would: a C++ program
# through find_package(Orvex) and a C program through pkg-config. Both must
# build and run. Called by CTest with -DBUILD_DIR, WORK_DIR, TESTS_DIR,
# GENERATOR, C_COMPILER, CXX_COMPILER, PKG_CONFIG, READELF, VERSION and
# EXTRA_FLAGS (compiler and linker flags the engine's build needs in its
# programs, such as the sanitizers').

function(run what)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${what} failed (${status}):\n${out}")
  endif()
  set(output "${out}" PARENT_SCOPE)
endfunction()

set(prefix ${WORK_DIR}/prefix)
file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR})
run("cmake --install" ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix} --component Orvex)

# The library under its full version, the soname link and the link for
# linkers and dlopen by name; nothing else of the suite.
string(REGEX MATCH "^[0-9]+" major ${VERSION})
foreach(file libOrvex.so.${VERSION} include/orvex.h include/orvex_flat.h lib/pkgconfig/orvex.pc
             lib/cmake/Orvex/OrvexConfig.cmake lib/cmake/Orvex/OrvexConfigVersion.cmake
             lib/cmake/Orvex/OrvexTargets.cmake)
  if(NOT EXISTS ${prefix}/${file} OR IS_SYMLINK ${prefix}/${file})
    message(FATAL_ERROR "not installed as a file: ${file}")
  endif()
endforeach()
file(READ_SYMLINK ${prefix}/libOrvex.so.${major} target)
if(NOT target STREQUAL "libOrvex.so.${VERSION}")
  message(FATAL_ERROR "libOrvex.so.${major} points to '${target}'")
endif()
file(READ_SYMLINK ${prefix}/libOrvex.so target)
if(NOT target STREQUAL "libOrvex.so.${major}")
  message(FATAL_ERROR "libOrvex.so points to '${target}'")
endif()
file(GLOB programs ${prefix}/orvex ${prefix}/TS ${prefix}/quillet2)
if(programs)
  message(FATAL_ERROR "the component holds programs: ${programs}")
endif()
if(READELF)
  run("readelf" ${READELF} -d ${prefix}/libOrvex.so.${VERSION})
  if(NOT output MATCHES "SONAME\\)[^\n]*\\[libOrvex\\.so\\.${major}\\]")
    message(FATAL_ERROR "libOrvex.so.${VERSION} lacks the soname libOrvex.so.${major}:\n${output}")
  endif()
endif()

# C++ through the CMake package.
set(cxx_build ${WORK_DIR}/cxx-build)
run("configuring the C++ program" ${CMAKE_COMMAND} -S ${TESTS_DIR}/cxx -B ${cxx_build} -G ${GENERATOR}
    -DCMAKE_CXX_COMPILER=${CXX_COMPILER} -DCMAKE_PREFIX_PATH=${prefix} -DORVEX_WANTED=${major}
    "-DCMAKE_CXX_FLAGS=${EXTRA_FLAGS}" "-DCMAKE_EXE_LINKER_FLAGS=${EXTRA_FLAGS}")
run("building the C++ program" ${CMAKE_COMMAND} --build ${cxx_build})
run("running the C++ program" ${cxx_build}/orvex_consumer ${WORK_DIR})
if(NOT output MATCHES "3 selected, ordered")
  message(FATAL_ERROR "the C++ program said:\n${output}")
endif()
# The version file refuses another major version.
math(EXPR next "${major} + 1")
execute_process(COMMAND ${CMAKE_COMMAND} -S ${TESTS_DIR}/cxx -B ${WORK_DIR}/cxx-next -G ${GENERATOR}
                        -DCMAKE_CXX_COMPILER=${CXX_COMPILER} -DCMAKE_PREFIX_PATH=${prefix} -DORVEX_WANTED=${next}
                RESULT_VARIABLE status OUTPUT_QUIET ERROR_QUIET)
if(status EQUAL 0)
  message(FATAL_ERROR "find_package(Orvex ${next}) accepted version ${VERSION}")
endif()

# C through pkg-config.
if(NOT PKG_CONFIG)
  message(FATAL_ERROR "pkg-config is missing (scripts/packages.txt names it)")
endif()
set(ENV{PKG_CONFIG_PATH} ${prefix}/lib/pkgconfig)
run("pkg-config" ${PKG_CONFIG} --modversion orvex)
string(STRIP "${output}" modversion)
if(NOT modversion STREQUAL VERSION)
  message(FATAL_ERROR "pkg-config gives version '${modversion}'")
endif()
run("pkg-config" ${PKG_CONFIG} --cflags --libs orvex)
separate_arguments(flags UNIX_COMMAND "${output}")
separate_arguments(extra UNIX_COMMAND "${EXTRA_FLAGS}")
run("building the C program" ${C_COMPILER} -std=c11 -Wall -Werror ${extra} ${TESTS_DIR}/c_program.c ${flags}
    -o ${WORK_DIR}/c_program)
set(ENV{LD_LIBRARY_PATH} ${prefix})
run("running the C program" ${WORK_DIR}/c_program ${WORK_DIR})
if(NOT output MATCHES "2 records, 1 selected: Brendan")
  message(FATAL_ERROR "the C program said:\n${output}")
endif()

file(REMOVE_RECURSE ${WORK_DIR})
