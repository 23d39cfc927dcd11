# cmake -P script: builds and runs a consumer of veldran, one way per MODE.
#
#   install       installs BUILD_DIR into WORK_DIR/prefix, checks the install
#                 tree, then builds the find_package consumer against it
#   buildtree     builds the find_package consumer with veldran_DIR=BUILD_DIR
#   pkgconfig     compiles main.cpp with pkg-config's flags against the
#                 prefix that the install mode left in PREFIX
#   subdirectory  builds the add_subdirectory consumer on SOURCE_DIR, then
#   fetchcontent  (or the FetchContent one) and checks its install
#   runpath       builds the add_subdirectory consumer on a shared veldran that
#                 it installs too, with CMAKE_INSTALL_RPATH, and runs the
#                 installed program with nothing else to find the library
#   fmt           builds the {fmt} consumer against the prefix in PREFIX
#   meson         builds the Meson consumer through pkg-config against PREFIX
#
# Every mode but the last two also builds standard_headers.cpp as C++20.
# A mode whose tool is missing prints "SKIPPED: <why>" and succeeds.
#
# -DMODE= -DWORK_DIR= (scratch, wiped first) -DCONSUMER_DIR= (this directory)
# -DVERSION=      the veldran project version every consumer must see
# -DBUILD_DIR= -DCONFIG= (may be empty) -DLIBDIR= -DSHARED= -DSOURCE_DIR= -DPREFIX=
# -DGENERATOR= -DCXX_COMPILER= -DCXX_STANDARD= -DSANITIZERS=
#                 taken over from the veldran build so the consumer compiles
#                 and links the same way (a sanitized library needs a sanitized link)
# -DCTEST_COMMAND= -DPKG_CONFIG= (empty: looked for again here, so a
#                 pkg-config installed after the configure is found)

foreach(required MODE WORK_DIR CONSUMER_DIR VERSION CXX_COMPILER)
  if(NOT ${required})
    message(FATAL_ERROR "${required} is not set")
  endif()
endforeach()

function(run step)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "${step} failed: ${result}")
  endif()
endfunction()

file(REMOVE_RECURSE "${WORK_DIR}")
unset(ENV{DESTDIR})  # would redirect an install away from its prefix

set(config_args)
if(CONFIG)
  set(config_args --config "${CONFIG}")
endif()
set(sanitizer_flags)
if(SANITIZERS)
  set(sanitizer_flags -fsanitize=${SANITIZERS} -fno-sanitize-recover=all -fno-omit-frame-pointer)
endif()

# Configures, builds and tests the CMake consumer in `source`; further
# arguments go to its configure step.
function(build_consumer source)
  set(build "${WORK_DIR}/consumer")
  set(configure_args
    -G "${GENERATOR}"
    "-DCMAKE_CXX_COMPILER=${CXX_COMPILER}"
    "-DVELDRAN_EXPECTED_VERSION=${VERSION}"
    -DCMAKE_FIND_USE_PACKAGE_REGISTRY=OFF
    ${ARGN}
  )
  if(CONFIG)
    list(APPEND configure_args "-DCMAKE_BUILD_TYPE=${CONFIG}")
  endif()
  if(CXX_STANDARD)
    list(APPEND configure_args "-DCMAKE_CXX_STANDARD=${CXX_STANDARD}")
  endif()
  if(SANITIZERS)
    list(JOIN sanitizer_flags " " flags)
    list(APPEND configure_args "-DCMAKE_CXX_FLAGS=${flags}"
                               "-DCMAKE_EXE_LINKER_FLAGS=-fsanitize=${SANITIZERS}")
  endif()
  run(configure "${CMAKE_COMMAND}" -S "${source}" -B "${build}" ${configure_args})
  run(build "${CMAKE_COMMAND}" --build "${build}" ${config_args})
  run(run "${CTEST_COMMAND}" --test-dir "${build}" -C "${CONFIG}" --output-on-failure)
endfunction()

# Fails unless the consumer in WORK_DIR/consumer found veldran under `dir`.
function(expect_package_from dir)
  file(STRINGS "${WORK_DIR}/consumer/CMakeCache.txt" found REGEX "^veldran_DIR:")
  string(REGEX REPLACE "^veldran_DIR:[A-Z]+=" "" found "${found}")
  file(REAL_PATH "${dir}" real_dir)
  file(REAL_PATH "${found}" found)
  string(FIND "${found}/" "${real_dir}/" at)
  if(NOT at EQUAL 0)
    message(FATAL_ERROR "veldran was found in ${found}, not under ${real_dir}")
  endif()
endfunction()

# Sets PKG_CONFIG, looking for it when the configure found none; returns
# from the script, skipped, when there is none.
macro(find_pkg_config)
  if(NOT PKG_CONFIG)
    unset(PKG_CONFIG CACHE)  # an empty value given with -D would stop the search
    find_program(PKG_CONFIG pkg-config)
  endif()
  if(NOT PKG_CONFIG)
    message(STATUS "SKIPPED: pkg-config not found; install pkg-config to run this test")
    return()
  endif()
endmacro()

# Lets pkg-config see the veldran.pc in PREFIX alone: one installed
# elsewhere must not be found.
macro(use_prefix_pc_only)
  set(ENV{PKG_CONFIG_LIBDIR} "${PREFIX}/${LIBDIR}/pkgconfig")
  unset(ENV{PKG_CONFIG_PATH})
endmacro()

# Fails unless `dir` exists and holds exactly the entries `expected`.
function(expect_entries dir)
  file(GLOB entries RELATIVE "${dir}" "${dir}/*")
  list(SORT entries)
  set(expected ${ARGN})
  list(SORT expected)
  if(NOT entries STREQUAL expected)
    message(FATAL_ERROR "${dir} holds '${entries}', expected '${expected}'")
  endif()
endfunction()

# The installed files: everything under include/veldran/, the library of
# the kind that was built, the two package descriptions and the license.
function(check_install_tree prefix)
  string(REGEX REPLACE "/.*" "" libtop "${LIBDIR}")
  expect_entries("${prefix}" include ${libtop} share)
  expect_entries("${prefix}/include" veldran)
  # No name of a standard header in the directories on the include path.
  expect_entries("${prefix}/include/veldran" decimal diagnostics version.h)
  expect_entries("${prefix}/include/veldran/decimal" fixedint fixedfloat fmtformat)
  expect_entries("${prefix}/include/veldran/diagnostics" log export.h)
  expect_entries("${prefix}/share/doc/veldran" LICENSE)
  expect_entries("${prefix}/${LIBDIR}/pkgconfig" veldran.pc)
  string(REGEX MATCH "^[0-9]+" major "${VERSION}")
  if(SHARED)
    set(libraries libveldran.so libveldran.so.${major} libveldran.so.${VERSION})
  else()
    set(libraries libveldran.a)
  endif()
  expect_entries("${prefix}/${LIBDIR}" ${libraries} cmake pkgconfig)
endfunction()

if(MODE STREQUAL "install")
  set(prefix "${WORK_DIR}/prefix")
  run(install "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${prefix}" ${config_args})
  check_install_tree("${prefix}")
  build_consumer("${CONSUMER_DIR}" "-DCMAKE_PREFIX_PATH=${prefix}")
  expect_package_from("${prefix}")

elseif(MODE STREQUAL "buildtree")
  build_consumer("${CONSUMER_DIR}" "-Dveldran_DIR=${BUILD_DIR}")
  expect_package_from("${BUILD_DIR}")

elseif(MODE STREQUAL "pkgconfig")
  find_pkg_config()
  use_prefix_pc_only()
  execute_process(COMMAND "${PKG_CONFIG}" --modversion veldran
                  OUTPUT_VARIABLE modversion OUTPUT_STRIP_TRAILING_WHITESPACE
                  RESULT_VARIABLE result)
  if(NOT result EQUAL 0 OR NOT modversion STREQUAL VERSION)
    message(FATAL_ERROR "pkg-config --modversion veldran: '${modversion}', expected ${VERSION}")
  endif()
  execute_process(COMMAND "${PKG_CONFIG}" --cflags --libs veldran
                  OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE
                  RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "pkg-config --cflags --libs veldran failed: ${result}")
  endif()
  message(STATUS "pkg-config --cflags --libs veldran: ${flags}")
  separate_arguments(flags UNIX_COMMAND "${flags}")
  set(standard 17)
  if(CXX_STANDARD)
    set(standard ${CXX_STANDARD})
  endif()
  file(MAKE_DIRECTORY "${WORK_DIR}")
  set(program "${WORK_DIR}/veldran-consumer")
  run(compile "${CXX_COMPILER}" -std=c++${standard} ${sanitizer_flags}
      "-DVELDRAN_EXPECTED_VERSION=\"${VERSION}\"" "${CONSUMER_DIR}/main.cpp" ${flags}
      -o "${program}")
  run(compile "${CXX_COMPILER}" -std=c++20 ${sanitizer_flags}
      "${CONSUMER_DIR}/standard_headers.cpp" ${flags} -o "${program}-cxx20")
  # pkg-config gives no run path; a shared library is found through this.
  run(run "${CMAKE_COMMAND}" -E env "LD_LIBRARY_PATH=${PREFIX}/${LIBDIR}" "${program}")
  run(run "${CMAKE_COMMAND}" -E env "LD_LIBRARY_PATH=${PREFIX}/${LIBDIR}" "${program}-cxx20")

elseif(MODE STREQUAL "runpath")
  build_consumer("${CONSUMER_DIR}/subdirectory" "-DVELDRAN_SOURCE_DIR=${SOURCE_DIR}"
                 -DBUILD_SHARED_LIBS=ON -DVELDRAN_INSTALL=ON
                 "-DCMAKE_INSTALL_RPATH=$ORIGIN/../${LIBDIR}")
  set(prefix "${WORK_DIR}/prefix")
  run(install "${CMAKE_COMMAND}" --install "${WORK_DIR}/consumer" --prefix "${prefix}"
      ${config_args})
  unset(ENV{LD_LIBRARY_PATH})
  run(run "${prefix}/bin/veldran-consumer")

elseif(MODE STREQUAL "fmt")
  if(NOT FMT_FOUND)
    message(STATUS "SKIPPED: {fmt} not found; install libfmt-dev to run this test")
    return()
  endif()
  build_consumer("${CONSUMER_DIR}/fmt" "-DCMAKE_PREFIX_PATH=${PREFIX}")
  expect_package_from("${PREFIX}")

elseif(MODE STREQUAL "meson")
  find_program(MESON meson)
  find_program(NINJA NAMES ninja ninja-build)
  if(NOT MESON OR NOT NINJA)
    message(STATUS "SKIPPED: meson or ninja not found; install meson and ninja-build "
                   "to run this test")
    return()
  endif()
  find_pkg_config()
  use_prefix_pc_only()
  # Meson takes its sources from one directory: the project and the two
  # programs the other consumers build.
  set(source "${WORK_DIR}/source")
  file(COPY "${CONSUMER_DIR}/meson/meson.build" "${CONSUMER_DIR}/meson/meson_options.txt"
       "${CONSUMER_DIR}/main.cpp" "${CONSUMER_DIR}/standard_headers.cpp"
       DESTINATION "${source}")
  set(ENV{CXX} "${CXX_COMPILER}")
  set(ENV{PKG_CONFIG} "${PKG_CONFIG}")
  if(SANITIZERS)
    list(JOIN sanitizer_flags " " flags)
    set(ENV{CXXFLAGS} "${flags}")
    set(ENV{LDFLAGS} "-fsanitize=${SANITIZERS}")
  endif()
  set(ENV{LD_LIBRARY_PATH} "${PREFIX}/${LIBDIR}")
  set(build "${WORK_DIR}/build")
  run(configure "${MESON}" setup "${build}" "${source}" "-Dexpected_version=${VERSION}")
  run(build "${MESON}" compile -C "${build}")
  run(run "${MESON}" test -C "${build}" --print-errorlogs)

elseif(MODE STREQUAL "subdirectory" OR MODE STREQUAL "fetchcontent")
  build_consumer("${CONSUMER_DIR}/${MODE}" "-DVELDRAN_SOURCE_DIR=${SOURCE_DIR}"
                 "-DBUILD_SHARED_LIBS=${SHARED}")
  # The parent installs its program and nothing of veldran's.
  set(prefix "${WORK_DIR}/prefix")
  run(install "${CMAKE_COMMAND}" --install "${WORK_DIR}/consumer" --prefix "${prefix}"
      ${config_args})
  expect_entries("${prefix}" bin)
  expect_entries("${prefix}/bin" veldran-consumer)

else()
  message(FATAL_ERROR "unknown MODE '${MODE}'")
endif()
