#include "vrnx2/plugins/cabinet/CabSTConsts.h"

#include <array>

namespace vrnx2 {

namespace {

constexpr std::array<const char*, 12> kFdiTexts = {
    "No error",
    "Cabinet not found",
    "Cabinet file does not have the correct format",
    "Cabinet file has an unknown version number",
    "Cabinet file is corrupt",
    "Could not allocate enough memory",
    "Unknown compression type in a cabinet folder",
    "Failure decompressing data from a cabinet file",
    "Failure writing to target file",
    "Cabinets in a set do not have the same RESERVE sizes",
    "Cabinet returned on fdintNEXT_CABINET is incorrect",
    "FDI aborted",
};

// Codes 9 to 11 have no text of their own on the compression side.
constexpr std::array<const char*, 9> kFciTexts = {
    "No error",
    "Failure opening file to be stored in cabinet",
    "Failure reading file to be stored in cabinet",
    "Out of memory in FCI",
    "Could not create a temporary file",
    "Unknown compression type",
    "Could not create cabinet file",
    "Client requested abort",
    "Failure compressing data",
};

}  // namespace

std::string FdiErrorText(int code) {
    if (code >= 0 && code < static_cast<int>(kFdiTexts.size())) return kFdiTexts[code];
    return "FDI error";
}

std::string FciErrorText(int code) {
    if (code >= 0 && code < static_cast<int>(kFciTexts.size())) return kFciTexts[code];
    return "FCI error";
}

}  // namespace vrnx2
