# The build engine on a generated plugin tree (see bench/README.md).
add_executable(bench_build bench_build.cpp)
target_link_libraries(bench_build PRIVATE vrnx2_core)
