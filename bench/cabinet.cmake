# Cabinet extraction against cabextract; a plain timing program (see bench/README.md).
find_package(ZLIB REQUIRED)
add_executable(bench_cab_extract bench_cab_extract.cpp
               ${PROJECT_SOURCE_DIR}/tests/plugins/cabinet/CabWriter.cpp)
target_include_directories(bench_cab_extract PRIVATE ${PROJECT_SOURCE_DIR}/tests/plugins/cabinet)
target_link_libraries(bench_cab_extract PRIVATE vrnx2_core ZLIB::ZLIB)
