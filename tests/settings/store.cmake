# store tests: the store routines, the profile list, .reg files
vrnx2_add_test(NAME store_test
  SOURCES Store_test.cpp ProfileList_test.cpp RegFile_test.cpp
  LIBS vrnx2_core)
