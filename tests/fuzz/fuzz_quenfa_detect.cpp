// Detection on arbitrary first bytes, with the sample rules applied as for a file.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "quenfa/charset.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::string sample = quenfa::MakeSample(bytes);
    // Exactly sized copies, so a read past the end is caught.
    quenfa::DetectEncoding(sample);
    quenfa::DetectEncoding(std::string(bytes.substr(0, 1024)));
    return 0;
}
