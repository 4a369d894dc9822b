# Plugin catalogue, install and uninstall (logic; the plugin window builds on it).
target_sources(vrnx2_core PRIVATE
  ${CMAKE_CURRENT_SOURCE_DIR}/PluginCatalogue.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/PluginInstall.cpp)
if(VRNX2_GUI)
  # The plugin window.
  target_sources(vrnx2_ui PRIVATE
    ${CMAKE_CURRENT_SOURCE_DIR}/plugin.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/plugin.h
    ${CMAKE_CURRENT_SOURCE_DIR}/PluginWindow.h)
endif()
