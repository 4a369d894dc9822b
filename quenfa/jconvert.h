#pragma once
// ISO-2022-JP (JIS) and EUC-JP to Shift_JIS.

#include <cstdint>
#include <string>
#include <string_view>

namespace quenfa {

struct SjisPair {
    uint8_t first;
    uint8_t second;
};

// The arithmetic JIS X 0208 -> Shift_JIS mapping. Bytes outside 21..7E wrap as bytes do.
SjisPair JisPairToSjis(uint8_t j1, uint8_t j2);

// Both decoders take the file's bytes (end-of-file mark already removed) and return
// Shift_JIS bytes. A pair cut short by the end of the data is dropped.
std::string JisToSjis(std::string_view jis);
std::string EucToSjis(std::string_view euc);

}  // namespace quenfa
