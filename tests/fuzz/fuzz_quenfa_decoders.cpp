// Every decoder on arbitrary bytes, into a double-byte and a single-byte code page.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "quenfa/jconvert.h"
#include "quenfa/unicode.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    quenfa::JisToSjis(bytes);
    quenfa::EucToSjis(bytes);
    for (const int codePage : {932, 1252}) {
        try {
            quenfa::Utf16LeToAnsi(bytes, codePage);
        } catch (const quenfa::DecodeError&) {
        }
        try {
            quenfa::Utf16BeToAnsi(bytes, codePage);
        } catch (const quenfa::DecodeError&) {
        }
        try {
            quenfa::Utf8ToAnsi(bytes, size >= 3, codePage);
        } catch (const quenfa::DecodeError&) {
        }
    }
    return 0;
}
