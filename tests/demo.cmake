# Runs the built veldran-demo end to end: the printed sum, the abnormal end
# and the log file left by the crash report.
if(TARGET veldran-demo)
  find_program(VELDRAN_BASH bash)
  if(VELDRAN_BASH)
    add_test(NAME Demo.PrintsTheSumAndLeavesTheCrashLog
             COMMAND ${VELDRAN_BASH} ${CMAKE_CURRENT_SOURCE_DIR}/demo_test.sh
                     $<TARGET_FILE:veldran-demo>)
  else()
    message(WARNING "bash not found: the demo end-to-end test is not registered")
  endif()
endif()
