# profile lifecycle tests: add, edit, copy and delete with the windows replaced
vrnx2_add_test(NAME profile_actions_test SOURCES ProfileActions_test.cpp
  LIBS vrnx2_core test_support)
