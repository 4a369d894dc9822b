#pragma once
// Texts of the cabinet library's error numbers, for decompression (FDI) and compression (FCI).

#include <string>

namespace vrnx2 {

// The text for an error number; unknown numbers give "FDI error" / "FCI error".
std::string FdiErrorText(int code);
std::string FciErrorText(int code);

}  // namespace vrnx2
