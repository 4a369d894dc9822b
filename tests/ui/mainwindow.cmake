# The main window and its controls (Qt Test, offscreen).
vrnx2_add_test(NAME controls_ui_test SOURCES Controls_test.cpp LIBS vrnx2_ui UI)
vrnx2_add_test(NAME mainform_ui_test SOURCES MainForm_test.cpp LIBS vrnx2_ui test_support UI)
# The main window while a build waits for a slow stand-in builder.
vrnx2_add_test(NAME buildwait_ui_test SOURCES BuildWait_test.cpp LIBS vrnx2_ui UI)
add_dependencies(buildwait_ui_test pebuilder)
