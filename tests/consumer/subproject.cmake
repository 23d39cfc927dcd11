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

# C++20 with the standard <version> included first: nothing may shadow it.
add_executable(veldran-consumer-cxx20 ${CMAKE_CURRENT_LIST_DIR}/standard_headers.cpp)
target_link_libraries(veldran-consumer-cxx20 PRIVATE veldran::veldran)
set_target_properties(veldran-consumer-cxx20 PROPERTIES CXX_STANDARD 20 CXX_STANDARD_REQUIRED ON)

enable_testing()
add_test(NAME consumer COMMAND veldran-consumer)
add_test(NAME standard_headers COMMAND veldran-consumer-cxx20)
