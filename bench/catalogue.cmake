# The plugin catalogue on a large builder (see bench/README.md).
add_executable(bench_catalogue ${CMAKE_CURRENT_LIST_DIR}/bench_catalogue.cpp)
target_link_libraries(bench_catalogue PRIVATE vrnx2_cfg vrnx2_core)
