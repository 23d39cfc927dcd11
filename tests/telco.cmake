# Runs veldran-telco against sums worked out in integer cents by a CMake
# script, through a file, stdin and its own generator, and feeds it lines it
# must refuse.
if(TARGET veldran-telco)
  add_test(NAME Telco.SumsAgreeWithIntegerCents
           COMMAND ${CMAKE_COMMAND} -DTELCO=$<TARGET_FILE:veldran-telco>
                   -DWORK=${CMAKE_CURRENT_BINARY_DIR}/telco -P ${CMAKE_CURRENT_SOURCE_DIR}/telco_check.cmake)
endif()
