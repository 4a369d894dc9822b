# Plugin catalogue, install and uninstall; cabinets come from the test cabinet writer.
vrnx2_add_test(NAME catalogue_test
  SOURCES PluginCatalogue_test.cpp PluginInstall_test.cpp
  LIBS test_support cabinet_writer)
