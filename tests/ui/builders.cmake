# The builder registration window and the builder edit and selection dialogs.
vrnx2_add_test(NAME builders_ui_test SOURCES Builders_test.cpp LIBS vrnx2_ui test_support UI)
