# profiles window tests
# The preferences dialog and the about box.
vrnx2_add_test(NAME preferences_ui_test SOURCES Preferences_test.cpp
               LIBS vrnx2_ui test_support UI)

# profile build options dialog (options)
vrnx2_add_test(NAME options_ui_test SOURCES Options_test.cpp LIBS vrnx2_ui test_support UI)
