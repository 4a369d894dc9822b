#pragma once
// Numbers read from text that people or other programs wrote.

#include <cstdint>
#include <string>

// The trimmed text as a decimal 32-bit integer (a sign allowed); `def` when it is empty,
// holds anything else, or is out of range.
int32_t ToInt32Def(const std::string& text, int32_t def);

// Decimal digits only, at most nine of them; anything else is 0.
int DigitsOrZero(const std::string& text);
