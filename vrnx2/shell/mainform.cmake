# The main window; its rules without a window go to the core.
target_sources(vrnx2_core PRIVATE MainWindowLogic.cpp)
if(VRNX2_GUI)
  target_sources(vrnx2_ui PRIVATE MainForm.cpp MainForm.h WindowHooks.cpp WindowHooks.h)
endif()
