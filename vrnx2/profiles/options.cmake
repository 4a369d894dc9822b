# profile build options dialog: its rules in the core, the window in vrnx2_ui
target_sources(vrnx2_core PRIVATE ${CMAKE_CURRENT_LIST_DIR}/ProfileOptions.cpp)
if(VRNX2_GUI)
  target_sources(vrnx2_ui PRIVATE ${CMAKE_CURRENT_LIST_DIR}/options.cpp
                                  ${CMAKE_CURRENT_LIST_DIR}/options.h
                                  ${CMAKE_CURRENT_LIST_DIR}/OptionsWindow.h)
endif()
