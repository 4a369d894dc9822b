# options tests: the options dialog's rules and the optical drive list
vrnx2_add_test(NAME profile_options_test
  SOURCES ProfileOptions_test.cpp Drives_test.cpp
  LIBS vrnx2_core)
