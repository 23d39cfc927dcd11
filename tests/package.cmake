# Installs the library and builds a consumer project against it.
# VELDRAN_INSTALL is declared after the tests directory is added; it is ON
# unless set otherwise.
if(DEFINED VELDRAN_INSTALL AND NOT VELDRAN_INSTALL)
  return()
endif()

add_test(NAME Package.ConsumerBuildsAndRunsAgainstInstalledLibrary
  COMMAND ${CMAKE_COMMAND}
    "-DBUILD_DIR=${PROJECT_BINARY_DIR}"
    "-DCONFIG=$<CONFIG>"
    "-DCONSUMER_DIR=${CMAKE_CURRENT_SOURCE_DIR}/consumer"
    "-DWORK_DIR=${CMAKE_CURRENT_BINARY_DIR}/package"
    "-DGENERATOR=${CMAKE_GENERATOR}"
    "-DCXX_COMPILER=${CMAKE_CXX_COMPILER}"
    "-DCXX_STANDARD=${CMAKE_CXX_STANDARD}"
    "-DSANITIZERS=${VELDRAN_SANITIZERS}"
    "-DCTEST_COMMAND=${CMAKE_CTEST_COMMAND}"
    -P ${CMAKE_CURRENT_SOURCE_DIR}/consumer/run_against_install.cmake
)
# Installs what the build made, so it runs only once the library exists.
set_tests_properties(Package.ConsumerBuildsAndRunsAgainstInstalledLibrary PROPERTIES
  REQUIRED_FILES "$<TARGET_FILE:veldran>"
  TIMEOUT 300
)
