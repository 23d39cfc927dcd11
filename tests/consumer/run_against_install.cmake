# cmake -P script: installs a veldran build into a fresh prefix, then
# configures, builds and runs the consumer project against that prefix.
#
# -DBUILD_DIR=    the veldran build tree to install
# -DCONFIG=       its configuration (may be empty)
# -DCONSUMER_DIR= this directory
# -DWORK_DIR=     scratch directory; wiped first
# -DGENERATOR= -DCXX_COMPILER= -DCXX_STANDARD= -DSANITIZERS=
#                 taken over from the veldran build so the consumer links
#                 the same way (a sanitized library needs a sanitized link)
# -DCTEST_COMMAND=

foreach(required BUILD_DIR CONSUMER_DIR WORK_DIR GENERATOR CXX_COMPILER CTEST_COMMAND)
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

set(prefix "${WORK_DIR}/prefix")
set(consumer_build "${WORK_DIR}/consumer")
file(REMOVE_RECURSE "${WORK_DIR}")
unset(ENV{DESTDIR})  # would redirect the install away from the prefix

set(config_args)
if(CONFIG)
  set(config_args --config "${CONFIG}")
endif()

run(install "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${prefix}" ${config_args})

set(configure_args
  -G "${GENERATOR}"
  "-DCMAKE_CXX_COMPILER=${CXX_COMPILER}"
  "-DCMAKE_PREFIX_PATH=${prefix}"
  -DCMAKE_FIND_USE_PACKAGE_REGISTRY=OFF
)
if(CONFIG)
  list(APPEND configure_args "-DCMAKE_BUILD_TYPE=${CONFIG}")
endif()
if(CXX_STANDARD)
  list(APPEND configure_args "-DCMAKE_CXX_STANDARD=${CXX_STANDARD}")
endif()
if(SANITIZERS)
  list(APPEND configure_args
    "-DCMAKE_CXX_FLAGS=-fsanitize=${SANITIZERS} -fno-sanitize-recover=all -fno-omit-frame-pointer"
    "-DCMAKE_EXE_LINKER_FLAGS=-fsanitize=${SANITIZERS}")
endif()
run(configure "${CMAKE_COMMAND}" -S "${CONSUMER_DIR}" -B "${consumer_build}" ${configure_args})

# A veldran found anywhere else would make the test meaningless.
file(STRINGS "${consumer_build}/CMakeCache.txt" found REGEX "^veldran_DIR:")
string(REGEX REPLACE "^veldran_DIR:[A-Z]+=" "" found "${found}")
file(REAL_PATH "${prefix}" real_prefix)
file(REAL_PATH "${found}" found)
string(FIND "${found}" "${real_prefix}/" at)
if(NOT at EQUAL 0)
  message(FATAL_ERROR "veldran was found in ${found}, not under ${real_prefix}")
endif()

run(build "${CMAKE_COMMAND}" --build "${consumer_build}" ${config_args})
run(run "${CTEST_COMMAND}" --test-dir "${consumer_build}" -C "${CONFIG}" --output-on-failure)
