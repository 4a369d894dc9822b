# The main window's language chosen by the locale (the built resources beside bin/).
vrnx2_add_test(NAME language_ui_test SOURCES Language_test.cpp LIBS vrnx2_ui UI)
add_dependencies(language_ui_test vrnx2_lang)
