# The main window
if(VRNX2_GUI)
  target_sources(vrnx2_ui PRIVATE MainForm.cpp)
endif()
