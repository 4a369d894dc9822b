#pragma once
// The user's locale, read from LC_ALL, then LANG (through ICU, so it works even where the
// C library lacks the locale). Stands in for GetUserDefaultLCID / GetLocaleInfo.

#include <cstdint>
#include <string>

namespace platform {

struct UserLocale {
    std::string icuName;          // "ja_JP", "en_US", "de_DE"
    uint32_t lcid = 0x0409;       // Windows locale identifier (ja_JP 0x0411)
    std::string englishLanguage;  // "Japanese", "English"
    int ansiCodePage = 1252;      // Windows ANSI code page of the locale, or the override
    std::string decimalSeparator = ".";
};

// Environment variable that overrides the ANSI code page (a number such as 932).
inline constexpr const char* kCodePageVariable = "ANSI_CODEPAGE";

// Computed from the environment on every call (cheap enough; tests change the environment).
UserLocale CurrentLocale();

// Only the locale's name ("ja_JP"), cheaply.
std::string CurrentLocaleName();

// The Windows ANSI code page of a locale name such as "ja_JP" (932), without the override.
int AnsiCodePageOf(const std::string& icuLocaleName);

}  // namespace platform
