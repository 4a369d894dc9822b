// .reg import must refuse malformed files cleanly, whatever the bytes.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "vrnx2/settings/RegFile.h"

using namespace vrnx2;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    std::vector<RegFileOp> ops;
    for (int codePage : {932, 1252}) {
        ops.clear();
        RegFileError error;
        (void)ParseRegFile(bytes, codePage, ops, error);
    }
    return 0;
}
