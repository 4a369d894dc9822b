// Well-formed cabinet sets built from the input: names with separators, dots and drive
// letters, attributes, several folders and files spanning cabinets. Every set extracts
// without a crash and never writes outside the destination.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "CabWriter.h"
#include "FuzzSandbox.h"
#include "vrnx2/plugins/cabinet/CabSTComps.h"

using namespace vrnx2;

namespace {

std::string Name(FuzzedDataProvider& in) {
    static const char* const kParts[] = {"..",  ".",     "\\",           "/",       "C:", "a",
                                         "sub", "x.txt", "\xE8\xA1\xA8", "\x95\x5C"};
    std::string name;
    const int parts = in.ConsumeIntegralInRange(1, 6);
    for (int i = 0; i < parts; ++i) {
        if (in.ConsumeBool()) {
            name += kParts[in.ConsumeIntegralInRange<size_t>(0, std::size(kParts) - 1)];
        } else {
            name += in.ConsumeRandomLengthString(12);
        }
    }
    name.erase(std::find(name.begin(), name.end(), '\0'), name.end());
    return name.empty() ? "f" : name.substr(0, 200);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static FuzzSandbox sandbox;
    sandbox.Reset();
    FuzzedDataProvider in(data, size);
    std::vector<cabtest::Entry> entries;
    const int count = in.ConsumeIntegralInRange(1, 6);
    for (int i = 0; i < count; ++i) {
        cabtest::Entry e;
        e.name = Name(in);
        e.attribs = in.ConsumeIntegral<uint16_t>();
        e.date = in.ConsumeIntegral<uint16_t>();
        e.time = in.ConsumeIntegral<uint16_t>();
        e.folder = in.ConsumeIntegralInRange(0, 2);
        e.data = std::string(in.ConsumeIntegralInRange<size_t>(0, 70000),
                             static_cast<char>(in.ConsumeIntegral<uint8_t>()));
        entries.push_back(std::move(e));
    }
    cabtest::Layout layout;
    layout.compression =
        in.ConsumeBool() ? cabtest::Compression::Mszip : cabtest::Compression::Stored;
    const int cuts = in.ConsumeIntegralInRange(0, 2);
    for (int i = 0; i < cuts; ++i)
        layout.blocksPerCabinet.push_back(in.ConsumeIntegralInRange(1, 3));
    const std::set<std::string> names = sandbox.WriteSet(cabtest::BuildSet(entries, layout));
    TSTCabReader reader;
    try {
        reader.ExtractCabinet((sandbox.Box() / "part1.cab").string(), sandbox.Out(), false);
    } catch (const ESTCabinet&) {
    }
    sandbox.CheckContained(names);
    return 0;
}
