# Plugin catalogue, install and uninstall (logic; the plugin window builds on it).
target_sources(vrnx2_core PRIVATE
  ${CMAKE_CURRENT_SOURCE_DIR}/PluginCatalogue.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/PluginInstall.cpp)
