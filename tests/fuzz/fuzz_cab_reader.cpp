// Arbitrary bytes as a cabinet: no crash, no error other than the reader's own, and
// nothing written outside the destination.
#include <cstddef>
#include <cstdint>
#include <fstream>

#include "FuzzSandbox.h"
#include "vrnx2/plugins/cabinet/CabSTComps.h"

using namespace vrnx2;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static FuzzSandbox sandbox;
    sandbox.Reset();
    const std::string cab = (sandbox.Box() / "in.cab").string();
    std::ofstream(cab, std::ios::binary)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    TSTCabReader reader;
    try {
        reader.ExtractCabinet(cab, sandbox.Out(), false);
    } catch (const ESTCabinet&) {
    }
    sandbox.CheckContained({"in.cab"});
    return 0;
}
