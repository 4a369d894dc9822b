# Records, INI readers, system routines, message-box interface
target_sources(vrnx2_core PRIVATE MessageBox.cpp)
