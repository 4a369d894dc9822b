# Profile lifecycle: add, edit, copy and delete as logic; their windows in vrnx2_ui.
target_sources(vrnx2_core PRIVATE ${CMAKE_CURRENT_LIST_DIR}/ProfileActions.cpp)
