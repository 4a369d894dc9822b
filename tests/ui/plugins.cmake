# The plugin window (Qt Test, offscreen); cabinets for Install come from the test writer.
vrnx2_add_test(NAME plugins_ui_test SOURCES Plugins_test.cpp
               LIBS vrnx2_ui test_support cabinet_writer UI)
