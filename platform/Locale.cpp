#include "platform/Locale.h"

#include <unicode/dcfmtsym.h>
#include <unicode/locid.h>
#include <unicode/uloc.h>
#include <unicode/unistr.h>

#include <cstdlib>
#include <cstring>
#include <string_view>

namespace platform {

namespace {

// "ja_JP.UTF-8@x" -> "ja_JP"; "C", "POSIX" and nothing -> "en_US".
std::string LocaleNameFromEnvironment() {
    const char* value = nullptr;
    for (const char* var : {"LC_ALL", "LANG"}) {
        const char* v = std::getenv(var);
        if (v && *v) {
            value = v;
            break;
        }
    }
    std::string name = value ? value : "";
    name = name.substr(0, name.find_first_of(".@"));
    if (name.empty() || name == "C" || name == "POSIX") return "en_US";
    return name;
}

int CodePageFromOverride() {
    const char* v = std::getenv(kCodePageVariable);
    if (!v || !*v) return 0;
    char* end = nullptr;
    long cp = std::strtol(v, &end, 10);
    if (*end != '\0' || cp <= 0 || cp > 65535) return 0;
    return static_cast<int>(cp);
}

bool In(std::string_view lang, std::initializer_list<std::string_view> list) {
    for (auto l : list)
        if (l == lang) return true;
    return false;
}

}  // namespace

std::string CurrentLocaleName() {
    return LocaleNameFromEnvironment();
}

int AnsiCodePageOf(const std::string& icuLocaleName) {
    UErrorCode status = U_ZERO_ERROR;
    char maximized[ULOC_FULLNAME_CAPACITY] = {};
    uloc_addLikelySubtags(icuLocaleName.c_str(), maximized, sizeof maximized, &status);
    if (U_FAILURE(status)) std::strncpy(maximized, icuLocaleName.c_str(), sizeof maximized - 1);
    icu::Locale loc(maximized);
    const std::string_view lang = loc.getLanguage();
    const std::string_view script = loc.getScript();
    if (lang == "ja") return 932;
    if (lang == "ko") return 949;
    if (lang == "zh") return script == "Hant" ? 950 : 936;
    if (lang == "th") return 874;
    if (lang == "vi") return 1258;
    if (lang == "el") return 1253;
    if (lang == "he" || lang == "iw") return 1255;
    if (In(lang, {"ar", "fa", "ur", "ps", "ug"})) return 1256;
    if (In(lang, {"et", "lv", "lt"})) return 1257;
    if (In(lang, {"tr", "az", "uz"})) return script == "Cyrl" ? 1251 : 1254;
    if (In(lang, {"ru", "uk", "be", "bg", "mk", "kk", "ky", "mn", "tt", "ba", "sah", "tg"}))
        return 1251;
    if (lang == "sr" || lang == "bs") return script == "Cyrl" ? 1251 : 1250;
    if (In(lang, {"cs", "hu", "pl", "ro", "hr", "sk", "sl", "sq", "hsb", "dsb"})) return 1250;
    return 1252;
}

UserLocale CurrentLocale() {
    UserLocale result;
    result.icuName = LocaleNameFromEnvironment();
    const uint32_t lcid = uloc_getLCID(result.icuName.c_str());
    result.lcid = lcid ? lcid : 0x0409;

    UErrorCode status = U_ZERO_ERROR;
    UChar display[128] = {};
    int32_t n = uloc_getDisplayLanguage(result.icuName.c_str(), "en", display, 128, &status);
    if (U_SUCCESS(status) && n > 0) {
        icu::UnicodeString(display, n).toUTF8String(result.englishLanguage);
    } else {
        result.englishLanguage = "English";
    }

    const int overridden = CodePageFromOverride();
    result.ansiCodePage = overridden ? overridden : AnsiCodePageOf(result.icuName);

    status = U_ZERO_ERROR;
    icu::DecimalFormatSymbols symbols(icu::Locale(result.icuName.c_str()), status);
    if (U_SUCCESS(status)) {
        std::string sep;
        symbols.getSymbol(icu::DecimalFormatSymbols::kDecimalSeparatorSymbol).toUTF8String(sep);
        if (!sep.empty()) result.decimalSeparator = sep;
    }
    return result;
}

}  // namespace platform
