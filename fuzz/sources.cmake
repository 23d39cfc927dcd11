# The fuzz target's rooms: every .cpp in fuzz/ but the replay driver, so a
# new family of operations is a new file and needs no edit here.
file(GLOB veldran_fuzz_sources CONFIGURE_DEPENDS "${CMAKE_CURRENT_LIST_DIR}/*.cpp")
list(REMOVE_ITEM veldran_fuzz_sources "${CMAKE_CURRENT_LIST_DIR}/replay.cpp")
