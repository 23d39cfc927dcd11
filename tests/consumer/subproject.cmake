# The part shared by the two consumers that build veldran inside themselves.
# As a subproject veldran builds its library alone and installs nothing.
foreach(target veldran-demo log_test)
  if(TARGET ${target})
    message(FATAL_ERROR "veldran as a subproject defines ${target}")
  endif()
endforeach()

add_executable(veldran-consumer ${CMAKE_CURRENT_LIST_DIR}/main.cpp)
target_link_libraries(veldran-consumer PRIVATE veldran::veldran)
target_compile_definitions(veldran-consumer PRIVATE
  VELDRAN_EXPECTED_VERSION="${VELDRAN_EXPECTED_VERSION}")
install(TARGETS veldran-consumer)

enable_testing()
add_test(NAME consumer COMMAND veldran-consumer)
