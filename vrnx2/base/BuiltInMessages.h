#pragma once
// The built-in texts of the message table, in id order.

#include <array>
#include <cstddef>

namespace vrnx2 {

inline constexpr std::size_t kBuiltInMessageCount = 194;
extern const std::array<const char*, kBuiltInMessageCount> kBuiltInMessages;

}  // namespace vrnx2
