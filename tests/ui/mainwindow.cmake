# The main window and its controls (Qt Test, offscreen).
vrnx2_add_test(NAME controls_ui_test SOURCES Controls_test.cpp LIBS vrnx2_ui UI)
vrnx2_add_test(NAME mainform_ui_test SOURCES MainForm_test.cpp LIBS vrnx2_ui test_support UI)
