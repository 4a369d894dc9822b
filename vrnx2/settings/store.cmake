# Settings store and profile list
target_sources(vrnx2_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/StoreBackend.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Store.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ProfileList.cpp
  ${CMAKE_CURRENT_LIST_DIR}/RegFile.cpp)
