# preferences tests: the four values in the store, the path-box and file-filter rules
vrnx2_add_test(NAME preferences_test SOURCES Preferences_test.cpp LIBS vrnx2_core)
