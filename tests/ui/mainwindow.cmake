# The main window and its controls (Qt Test, offscreen).
vrnx2_add_test(NAME controls_ui_test SOURCES Controls_test.cpp LIBS vrnx2_ui UI)
vrnx2_add_test(NAME mainform_ui_test SOURCES MainForm_test.cpp LIBS vrnx2_ui test_support UI)
# The main window while a build waits for a slow stand-in builder.
vrnx2_add_test(NAME buildwait_ui_test SOURCES BuildWait_test.cpp LIBS vrnx2_ui UI)
add_dependencies(buildwait_ui_test pebuilder)
# The main window building through Wine, in the prefix of the fixture of tests/build.
if(VRNX2_WINE_PREFIX)
  vrnx2_add_test(NAME buildwine_ui_test SOURCES BuildWine_test.cpp LIBS vrnx2_ui UI)
  add_dependencies(buildwine_ui_test pebuilder-win)
  set_tests_properties(buildwine_ui_test PROPERTIES FIXTURES_REQUIRED wine_prefix)
  set_property(TEST buildwine_ui_test APPEND PROPERTY ENVIRONMENT
                                                   "WINEPREFIX=${VRNX2_WINE_PREFIX}")
endif()
