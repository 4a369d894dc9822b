# A demo build through Wine against wine starting the same Windows stand-in by hand.
if(TARGET pebuilder-win)
  add_executable(bench_wine_build bench_wine_build.cpp)
  target_link_libraries(bench_wine_build PRIVATE vrnx2_core)
  add_dependencies(bench_wine_build pebuilder-win)
endif()
if(TARGET bench_wine_build)
  target_compile_definitions(bench_wine_build
                             PRIVATE VRNX2_EXAMPLES="${PROJECT_SOURCE_DIR}/examples")
endif()
