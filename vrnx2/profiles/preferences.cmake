# preferences dialog and about box; the preferences and the path-box rules go to the core.
set(VRNX2_OWNER_LINE "Copyright (C) HALV" CACHE STRING "Owner line of the about box")
set(VRNX2_WEB_ADDRESS "" CACHE STRING "Web page linked from the about box (none when empty)")

target_sources(vrnx2_core PRIVATE Preferences.cpp)
if(VRNX2_GUI)
  target_sources(vrnx2_ui PRIVATE PREFERENSES.cpp PREFERENSES.h about.cpp about.h
                                  PreferenceWindows.h)
  set_source_files_properties(${CMAKE_CURRENT_SOURCE_DIR}/about.cpp TARGET_DIRECTORY vrnx2_ui
    PROPERTIES COMPILE_DEFINITIONS
      "VRNX2_OWNER_LINE=\"${VRNX2_OWNER_LINE}\";VRNX2_WEB_ADDRESS=\"${VRNX2_WEB_ADDRESS}\"")
endif()
