# shell window tests: start-up as a process (reset, second start), fonts, user interface
vrnx2_add_test(NAME shell_ui_test SOURCES Shell_test.cpp LIBS vrnx2_ui UI)
# Starts the built window program.
add_dependencies(shell_ui_test vrnx2)
