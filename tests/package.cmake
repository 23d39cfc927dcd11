# Consumers of the library, each a project of its own that is configured,
# built and run from a CTest case: against an install, against this build
# directory, through pkg-config, and with this tree as a subproject.

# Settings every consumer takes over from this build.
set(veldran_consumer_args
  "-DCONSUMER_DIR=${CMAKE_CURRENT_SOURCE_DIR}/consumer"
  "-DVERSION=${PROJECT_VERSION}"
  "-DBUILD_DIR=${PROJECT_BINARY_DIR}"
  "-DCONFIG=$<CONFIG>"
  "-DLIBDIR=${CMAKE_INSTALL_LIBDIR}"
  "-DSHARED=${BUILD_SHARED_LIBS}"
  "-DSOURCE_DIR=${PROJECT_SOURCE_DIR}"
  "-DGENERATOR=${CMAKE_GENERATOR}"
  "-DCXX_COMPILER=${CMAKE_CXX_COMPILER}"
  "-DCXX_STANDARD=${CMAKE_CXX_STANDARD}"
  "-DSANITIZERS=${VELDRAN_SANITIZERS}"
  "-DCTEST_COMMAND=${CMAKE_CTEST_COMMAND}"
)

# veldran_consumer_test(<name> <mode> [script arguments...])
function(veldran_consumer_test name mode)
  add_test(NAME ${name}
    COMMAND ${CMAKE_COMMAND} ${veldran_consumer_args} "-DMODE=${mode}"
            "-DWORK_DIR=${CMAKE_CURRENT_BINARY_DIR}/package/${mode}" ${ARGN}
            -P ${CMAKE_CURRENT_SOURCE_DIR}/consumer/run_consumer.cmake)
  # Each needs the library built first.
  set_tests_properties(${name} PROPERTIES REQUIRED_FILES "$<TARGET_FILE:veldran>" TIMEOUT 300)
endfunction()

veldran_consumer_test(Package.ConsumerBuildsAgainstTheBuildTree buildtree)
veldran_consumer_test(Package.SubdirectoryConsumerBuildsAndInstallsNoneOfVeldran subdirectory)
veldran_consumer_test(Package.FetchContentConsumerBuildsFromALocalTree fetchcontent)
if(BUILD_SHARED_LIBS)
  veldran_consumer_test(Package.ParentInstallingSharedBuildRunsThroughItsInstallRpath runpath)
endif()

# The installed package; the scratch prefixes would not hold absolute dirs.
if(NOT VELDRAN_INSTALL)
  return()
endif()
if(IS_ABSOLUTE "${CMAKE_INSTALL_LIBDIR}" OR IS_ABSOLUTE "${CMAKE_INSTALL_INCLUDEDIR}")
  message(STATUS "Absolute install directories: the install tests are not registered")
  return()
endif()

veldran_consumer_test(Package.ConsumerBuildsAndRunsAgainstInstalledLibrary install)
set_tests_properties(Package.ConsumerBuildsAndRunsAgainstInstalledLibrary PROPERTIES
  FIXTURES_SETUP veldran_installed)

# Looked for at every configure, and again by the test itself when not
# found here; a test whose tool is missing says so and is reported skipped.
find_program(VELDRAN_PKG_CONFIG pkg-config)
if(NOT VELDRAN_PKG_CONFIG)
  message(STATUS "pkg-config not found: the pkg-config and Meson consumer tests will be skipped")
  unset(VELDRAN_PKG_CONFIG CACHE)
endif()
find_package(fmt QUIET)
set(veldran_prefix "${CMAKE_CURRENT_BINARY_DIR}/package/install/prefix")

veldran_consumer_test(Package.PkgConfigConsumerCompilesAgainstInstalledLibrary pkgconfig
  "-DPKG_CONFIG=${VELDRAN_PKG_CONFIG}" "-DPREFIX=${veldran_prefix}")
veldran_consumer_test(Package.FmtConsumerFormatsNumbersFromInstalledHeaders fmt
  "-DFMT_FOUND=${fmt_FOUND}" "-DPREFIX=${veldran_prefix}")
veldran_consumer_test(Package.MesonConsumerFindsInstalledLibraryThroughPkgConfig meson
  "-DPKG_CONFIG=${VELDRAN_PKG_CONFIG}" "-DPREFIX=${veldran_prefix}")
set_tests_properties(
  Package.PkgConfigConsumerCompilesAgainstInstalledLibrary
  Package.FmtConsumerFormatsNumbersFromInstalledHeaders
  Package.MesonConsumerFindsInstalledLibraryThroughPkgConfig
  PROPERTIES FIXTURES_REQUIRED veldran_installed SKIP_REGULAR_EXPRESSION "SKIPPED: ")

# The .deb and the tarball that cpack makes of this build.
find_program(VELDRAN_DPKG_DEB dpkg-deb)
if(NOT VELDRAN_DPKG_DEB)
  unset(VELDRAN_DPKG_DEB CACHE)
endif()
add_test(NAME Package.CpackMakesTheDevelopmentPackageAndARelocatableTarball
  COMMAND ${CMAKE_COMMAND} "-DCPACK_COMMAND=${CMAKE_CPACK_COMMAND}"
          "-DBUILD_DIR=${PROJECT_BINARY_DIR}" "-DWORK_DIR=${CMAKE_CURRENT_BINARY_DIR}/package/cpack"
          "-DCONFIG=$<CONFIG>" "-DLIBDIR=${CMAKE_INSTALL_LIBDIR}" "-DSHARED=${BUILD_SHARED_LIBS}"
          "-DVERSION=${PROJECT_VERSION}" "-DDPKG_DEB=${VELDRAN_DPKG_DEB}"
          "-DPKG_CONFIG=${VELDRAN_PKG_CONFIG}"
          -P ${CMAKE_CURRENT_SOURCE_DIR}/cpack_check.cmake)
set_tests_properties(Package.CpackMakesTheDevelopmentPackageAndARelocatableTarball PROPERTIES
  REQUIRED_FILES "$<TARGET_FILE:veldran>" TIMEOUT 300 SKIP_REGULAR_EXPRESSION "SKIPPED: ")
