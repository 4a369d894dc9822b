# The tree generator for bench/quenfa/run.sh.
add_executable(make_inf_tree quenfa/make_inf_tree.cpp)
target_link_libraries(make_inf_tree PRIVATE vrnx2_cfg)
