# Records, INI readers, system routines, message-box interface
target_sources(vrnx2_core PRIVATE
  CountOccurrences.cpp
  FileOperations.cpp
  Ini.cpp
  MessageBox.cpp
  SystemRoutines.cpp
  TerminalInterface.cpp)
