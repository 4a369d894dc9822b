# The settings store: profile list save and load, single routine calls.
add_executable(bench_store ${CMAKE_CURRENT_LIST_DIR}/bench_store.cpp)
target_link_libraries(bench_store PRIVATE vrnx2_cfg vrnx2_core benchmark::benchmark)
