#include "common/Trim.h"

std::string Trim(std::string_view text) {
    return std::string(TrimView(text));
}
