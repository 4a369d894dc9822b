# Cabinet reader fuzz targets. The reader's sources are compiled into each target so the
# fuzzer sees their coverage; the names target builds its cabinets with the test writer.
find_package(ZLIB REQUIRED)
set(cabinet_fuzz_sources
    ${PROJECT_SOURCE_DIR}/vrnx2/plugins/cabinet/CabHeaders.cpp
    ${PROJECT_SOURCE_DIR}/vrnx2/plugins/cabinet/CabIntf.cpp
    ${PROJECT_SOURCE_DIR}/vrnx2/plugins/cabinet/CabSTComps.cpp
    ${PROJECT_SOURCE_DIR}/vrnx2/plugins/cabinet/CabSTConsts.cpp)
vrnx2_add_fuzzer(fuzz_cab_reader fuzz_cab_reader.cpp ${cabinet_fuzz_sources})
vrnx2_add_fuzzer(fuzz_cab_names fuzz_cab_names.cpp ${cabinet_fuzz_sources}
                 ${PROJECT_SOURCE_DIR}/tests/plugins/cabinet/CabWriter.cpp)
target_include_directories(fuzz_cab_names PRIVATE ${PROJECT_SOURCE_DIR}/tests/plugins/cabinet)
foreach(target fuzz_cab_reader fuzz_cab_names)
  target_link_libraries(${target} PRIVATE vrnx2_cfg platform PkgConfig::MSPACK ZLIB::ZLIB)
endforeach()
