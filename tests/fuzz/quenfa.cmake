# The reducer's sources are compiled into each target so the fuzzer sees their coverage.
set(quenfa_fuzz_sources
    ${PROJECT_SOURCE_DIR}/quenfa/charset.cpp ${PROJECT_SOURCE_DIR}/quenfa/jconvert.cpp
    ${PROJECT_SOURCE_DIR}/quenfa/unicode.cpp ${PROJECT_SOURCE_DIR}/quenfa/jString.cpp
    ${PROJECT_SOURCE_DIR}/quenfa/Reduce.cpp)
foreach(target detect decoders reduce)
  vrnx2_add_fuzzer(fuzz_quenfa_${target} fuzz_quenfa_${target}.cpp ${quenfa_fuzz_sources})
  target_link_libraries(fuzz_quenfa_${target} PRIVATE vrnx2_cfg common platform)
endforeach()
