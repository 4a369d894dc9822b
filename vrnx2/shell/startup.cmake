# Message table, language resource, start-up; the window program with its single instance
# and its Qt user interface.
target_sources(vrnx2_core PRIVATE MessageTable.cpp BuiltInMessages.cpp LanguageResource.cpp
                                  LanguageChoice.cpp OwnTexts.cpp Startup.cpp)
if(VRNX2_GUI)
  target_sources(vrnx2_ui PRIVATE QtUserInterface.cpp SingleInstance.cpp WindowSetup.cpp)
  add_executable(vrnx2 vrnx2.cpp)
  target_link_libraries(vrnx2 PRIVATE vrnx2_cfg vrnx2_ui vrnx2_version)
endif()
