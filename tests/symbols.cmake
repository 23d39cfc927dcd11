# A shared library must export its public API and nothing of its internals.
if(NOT BUILD_SHARED_LIBS)
  return()
endif()
find_program(VELDRAN_NM nm)
if(VELDRAN_NM)
  add_test(NAME Package.SharedLibraryExportsThePublicApiOnly
    COMMAND ${CMAKE_COMMAND} "-DNM=${VELDRAN_NM}" "-DLIBRARY=$<TARGET_FILE:veldran>"
            -P ${CMAKE_CURRENT_SOURCE_DIR}/symbols_check.cmake)
else()
  add_test(NAME Package.SharedLibraryExportsThePublicApiOnly
    COMMAND ${CMAKE_COMMAND} -E echo "SKIPPED: nm not found; install binutils to run this test")
  set_tests_properties(Package.SharedLibraryExportsThePublicApiOnly PROPERTIES
    SKIP_REGULAR_EXPRESSION "SKIPPED: ")
endif()
