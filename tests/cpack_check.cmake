# cmake -P script: makes the .deb and the tarball of BUILD_DIR with cpack,
# lists the .deb's files with dpkg-deb -c against the install it must hold,
# and checks that the unpacked tarball works through pkg-config.
#
# -DCPACK_COMMAND= -DBUILD_DIR= -DWORK_DIR= (scratch, wiped first) -DCONFIG=
# -DLIBDIR= -DSHARED= -DVERSION= -DDPKG_DEB= -DPKG_CONFIG= (either may be
# empty: that part is looked for again here, and skipped without it)

function(run step)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE result OUTPUT_VARIABLE output
                  ERROR_VARIABLE output)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "${step} failed: ${result}\n${output}")
  endif()
endfunction()

foreach(tool DPKG_DEB PKG_CONFIG)
  if(NOT ${tool})
    unset(${tool} CACHE)
    string(TOLOWER "${tool}" name)
    string(REPLACE "_" "-" name "${name}")
    find_program(${tool} ${name})
  endif()
endforeach()
if(NOT DPKG_DEB)
  message(STATUS "SKIPPED: dpkg-deb not found; install dpkg to run this test")
  return()
endif()

file(REMOVE_RECURSE "${WORK_DIR}")
unset(ENV{DESTDIR})
set(config_args)
if(CONFIG)
  set(config_args -C "${CONFIG}")
endif()
foreach(generator DEB TGZ)
  run("cpack -G ${generator}" "${CPACK_COMMAND}" -G ${generator} ${config_args}
      --config "${BUILD_DIR}/CPackConfig.cmake" -B "${WORK_DIR}")
endforeach()
file(GLOB deb "${WORK_DIR}/*.deb")
file(GLOB tarball "${WORK_DIR}/*.tar.gz")
if(NOT deb OR NOT tarball)
  message(FATAL_ERROR "cpack left '${deb}' and '${tarball}' in ${WORK_DIR}")
endif()

# The files in the .deb, symbolic links included, without directories.
execute_process(COMMAND "${DPKG_DEB}" -c "${deb}" OUTPUT_VARIABLE listing RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "dpkg-deb -c ${deb} failed: ${result}")
endif()
message(STATUS "dpkg-deb -c:\n${listing}")
string(REGEX MATCHALL " \\./[^\n]*[^/\n]\n" lines "${listing}")
set(files)
foreach(line IN LISTS lines)
  string(REGEX REPLACE "^ \\./([^ \n]*).*" "\\1" file "${line}")
  list(APPEND files "${file}")
endforeach()
list(SORT files)

set(lib "usr/${LIBDIR}")
string(REGEX MATCH "^[0-9]+" major "${VERSION}")
if(SHARED)
  set(libraries ${lib}/libveldran.so ${lib}/libveldran.so.${major} ${lib}/libveldran.so.${VERSION})
else()
  set(libraries ${lib}/libveldran.a)
endif()
string(TOLOWER "${CONFIG}" config)
if(NOT config)
  set(config noconfig)
endif()
set(expected
  usr/include/veldran/version.h usr/include/veldran/decimal/fixedint
  usr/include/veldran/decimal/fixedfloat usr/include/veldran/decimal/fmtformat
  usr/include/veldran/diagnostics/log usr/include/veldran/diagnostics/export.h
  ${libraries}
  ${lib}/cmake/veldran/veldranConfig.cmake ${lib}/cmake/veldran/veldranConfigVersion.cmake
  ${lib}/cmake/veldran/veldranTargets.cmake ${lib}/cmake/veldran/veldranTargets-${config}.cmake
  ${lib}/pkgconfig/veldran.pc usr/share/doc/veldran/LICENSE)
list(SORT expected)
if(NOT files STREQUAL expected)
  message(FATAL_ERROR "the .deb holds\n  ${files}\nexpected\n  ${expected}")
endif()

# Unpacked anywhere, the tarball's pkg-config file leads to its own headers.
if(NOT PKG_CONFIG)
  message(STATUS "pkg-config not found: the unpacked tarball is not checked")
  return()
endif()
file(ARCHIVE_EXTRACT INPUT "${tarball}" DESTINATION "${WORK_DIR}/unpacked")
file(GLOB pc "${WORK_DIR}/unpacked/*/${LIBDIR}/pkgconfig/veldran.pc")
get_filename_component(pcdir "${pc}" DIRECTORY)
set(ENV{PKG_CONFIG_LIBDIR} "${pcdir}")
unset(ENV{PKG_CONFIG_PATH})
execute_process(COMMAND "${PKG_CONFIG}" --variable=includedir veldran
                OUTPUT_VARIABLE includedir OUTPUT_STRIP_TRAILING_WHITESPACE)
if(NOT EXISTS "${includedir}/veldran/decimal/fixedint")
  message(FATAL_ERROR "the unpacked tarball's veldran.pc gives includedir '${includedir}'")
endif()
