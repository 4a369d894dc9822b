#pragma once
// The locale Windows programs are started in under Wine. Wine takes its ANSI code page from
// the locale of the environment, and turns Windows names into file names through that
// locale's character set (only when the C library has it installed). Files we write for a
// Windows program are in our ANSI code page, so Wine must run in a locale of the same code
// page that is installed and UTF-8, or names other than ASCII reach the program garbled.

#include <string>

namespace platform {

struct WineLocale {
    // LC_ALL to start Wine with; empty when the environment's own locale fits.
    std::string startIn;
    // False when no installed UTF-8 locale has the code page: Wine then garbles every name
    // that is not ASCII. `wanted` names the locale to install.
    bool fits = true;
    std::string wanted;
};

// For our ANSI code page `codePage`: the environment's locale (LC_ALL, LC_CTYPE, LANG) when
// its code page is `codePage` and it is installed with UTF-8; else the first installed one of
// the user's own language and the usual locales of that code page.
WineLocale WineLocaleFor(int codePage);

// True when the C library can load `name` and its character set is UTF-8 (LOCPATH counts).
bool IsUtf8LocaleInstalled(const std::string& name);

}  // namespace platform
