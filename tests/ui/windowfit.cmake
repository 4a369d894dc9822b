# Every window and dialog shows all its content and stays on its screen (Qt Test, offscreen
# on a 1280 x 800 screen); a second run at scale 2 on a screen of twice the pixels.
vrnx2_add_test(NAME windowfit_ui_test SOURCES WindowFit_test.cpp LIBS vrnx2_ui UI)
target_compile_definitions(windowfit_ui_test
                           PRIVATE VRNX2_EXAMPLES_DIR="${PROJECT_SOURCE_DIR}/examples")

foreach(size 1280x800 2560x1600)
  string(REPLACE "x" ";" wh ${size})
  list(GET wh 0 w)
  list(GET wh 1 h)
  file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/screen-${size}.json
       "{\"screens\": [{\"name\": \"screen\", \"x\": 0, \"y\": 0, \"width\": ${w}, \"height\": ${h}, \"logicalDpi\": 96, \"logicalBaseDpi\": 96, \"dpr\": 1.0}]}\n")
endforeach()

get_test_property(windowfit_ui_test ENVIRONMENT fit_env)
list(TRANSFORM fit_env REPLACE "^QT_QPA_PLATFORM=.*"
     "QT_QPA_PLATFORM=offscreen:configfile=${CMAKE_CURRENT_BINARY_DIR}/screen-1280x800.json")
set_tests_properties(windowfit_ui_test PROPERTIES ENVIRONMENT "${fit_env}")

add_test(NAME windowfit_ui_test_scale2 COMMAND windowfit_ui_test)
list(TRANSFORM fit_env REPLACE "screen-1280x800" "screen-2560x1600")
list(TRANSFORM fit_env REPLACE "/windowfit_ui_test/" "/windowfit_ui_test_scale2/")
list(APPEND fit_env "QT_SCALE_FACTOR=2")
set_tests_properties(windowfit_ui_test_scale2 PROPERTIES ENVIRONMENT "${fit_env}")
