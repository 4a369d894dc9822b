# Profile lifecycle: add, edit, copy and delete as logic; their windows in vrnx2_ui.
target_sources(vrnx2_core PRIVATE ${CMAKE_CURRENT_LIST_DIR}/ProfileActions.cpp)
if(VRNX2_GUI)
  target_sources(vrnx2_ui PRIVATE ${CMAKE_CURRENT_LIST_DIR}/ProfileWindows.cpp
                                  ${CMAKE_CURRENT_LIST_DIR}/ProfileWindows.h)
endif()
