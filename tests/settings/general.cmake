# general tests: INI readers, system routines, terminal and scripted user interfaces
vrnx2_add_test(NAME general_test
  SOURCES CountOccurrences_test.cpp FileOperations_test.cpp Ini_test.cpp RecordHolder_test.cpp
          SystemRoutines_test.cpp TerminalInterface_test.cpp
  LIBS vrnx2_core test_support)
