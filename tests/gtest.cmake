# GoogleTest for the suite: the installed package if there is one, else
# built here from its sources (Debian's googletest package ships them in
# /usr/src/googletest), so the tests need no package manager.
set(VELDRAN_GTEST_SOURCE_DIR "/usr/src/googletest" CACHE PATH
    "GoogleTest sources, built when find_package(GTest) finds nothing")

find_package(GTest QUIET)
if(NOT GTest_FOUND)
  if(NOT EXISTS "${VELDRAN_GTEST_SOURCE_DIR}/CMakeLists.txt")
    message(FATAL_ERROR
      "GoogleTest not found, neither as a package nor as sources in "
      "${VELDRAN_GTEST_SOURCE_DIR}: install libgtest-dev (Debian, Ubuntu), "
      "or configure with -DVELDRAN_BUILD_TESTS=OFF.")
  endif()
  message(STATUS "GoogleTest: building from ${VELDRAN_GTEST_SOURCE_DIR}")
  # Its options are set as plain variables; let them win over option().
  set(CMAKE_POLICY_DEFAULT_CMP0077 NEW)
  set(BUILD_GMOCK OFF)
  set(INSTALL_GTEST OFF)
  add_subdirectory("${VELDRAN_GTEST_SOURCE_DIR}" "${CMAKE_CURRENT_BINARY_DIR}/googletest"
                   EXCLUDE_FROM_ALL)
  # Recent GoogleTest names its targets so itself; older releases do not.
  if(NOT TARGET GTest::gtest)
    add_library(GTest::gtest ALIAS gtest)
    add_library(GTest::gtest_main ALIAS gtest_main)
  endif()
endif()
