// The INI reader and the language-resource reader on arbitrary bytes.
#include <cstddef>
#include <cstdint>
#include <string>

#include "vrnx2/base/LanguageResource.h"
#include "vrnx2/settings/Ini.h"

using namespace vrnx2;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::string text = DecodeIniText(bytes);
    (void)IniFindValue(text, "PEBuilder", "Name");
    (void)IniFindValue(text, "", "");
    const std::string rsl = DecodeResourceText(bytes, 932);
    (void)ParseLanguageResource(rsl);
    return 0;
}
