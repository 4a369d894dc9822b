# vrnx2_add_test(NAME name SOURCES ... LIBS ... [UI])
# A GoogleTest program (or, with UI, a Qt Test program) with its environment pinned:
# a fixed locale, the offscreen platform and a settings store inside the build folder.
find_package(GTest REQUIRED)

function(vrnx2_add_test)
  cmake_parse_arguments(T "UI" "NAME" "SOURCES;LIBS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE vrnx2_cfg ${T_LIBS})
  set(store_dir ${CMAKE_BINARY_DIR}/test-home/${T_NAME})
  set(env "LANG=ja_JP.UTF-8" "LC_ALL=" "LC_MESSAGES=" "QT_QPA_PLATFORM=offscreen"
          "VRNX2_SETTINGS=${store_dir}/settings.db" "XDG_CONFIG_HOME=${store_dir}/config"
          "TEST_BIN_DIR=${CMAKE_RUNTIME_OUTPUT_DIRECTORY}")
  if(T_UI)
    target_link_libraries(${T_NAME} PRIVATE Qt6::Test)
    set_target_properties(${T_NAME} PROPERTIES AUTOMOC ON)
    # Qt and fontconfig keep caches for the life of the process.
    list(APPEND env "ASAN_OPTIONS=detect_leaks=0:abort_on_error=1")
    add_test(NAME ${T_NAME} COMMAND ${T_NAME})
    set_tests_properties(${T_NAME} PROPERTIES ENVIRONMENT "${env}")
  else()
    target_link_libraries(${T_NAME} PRIVATE GTest::gtest GTest::gmock GTest::gtest_main)
    # One ctest entry per program: its cases run one after another and share its store.
    add_test(NAME ${T_NAME} COMMAND ${T_NAME})
    set_tests_properties(${T_NAME} PROPERTIES ENVIRONMENT "${env}")
  endif()
endfunction()
