# optical drives
target_sources(vrnx2_core PRIVATE ${CMAKE_CURRENT_LIST_DIR}/Drives.cpp)
