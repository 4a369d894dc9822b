// The whole reduction of a file's bytes in memory: detection, decoding, lines, ratio.
#include <cstddef>
#include <cstdint>
#include <string>

#include "quenfa/Reduce.h"
#include "quenfa/jString.h"
#include "quenfa/unicode.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const std::string sample = quenfa::MakeSample(bytes);
    if (sample.empty()) return 0;
    const quenfa::CharCode code = quenfa::DetectEncoding(sample);
    if (code == quenfa::CharCode::BINARY) return 0;
    quenfa::LineLists lists;
    try {
        lists.text = quenfa::DecodeText(bytes, code, 932);
        quenfa::SplitLines(lists.text, lists.source);
    } catch (const quenfa::DecodeError&) {
        return 0;
    }
    for (const std::string_view line : lists.source)
        if (line.find_first_of("\r\n") != std::string_view::npos) __builtin_trap();
    quenfa::ReduceLines(lists, quenfa::ReduceLocale{"0411", 932, "."});
    const uint64_t reduced = quenfa::TextLength(lists.output);
    const uint64_t source = quenfa::TextLength(lists.source);
    // Reduction never adds bytes.
    if (reduced > source) __builtin_trap();
    if (source > 0) quenfa::FormatRatio(reduced, source, ".");
    return 0;
}
