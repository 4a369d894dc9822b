#include "platform/WineLocale.h"

#include <langinfo.h>
#include <locale.h>

#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <string_view>
#include <vector>

#include "platform/Locale.h"
#include "platform/OutputFile.h"
#include "platform/Process.h"

namespace platform {

namespace {

struct CodePageLocales {
    int codePage;
    std::initializer_list<const char*> locales;  // language_TERRITORY, most used first
};

// Locales whose Windows ANSI code page is the one given, as Wine maps them.
constexpr CodePageLocales kLocales[] = {
    {874, {"th_TH"}},
    {932, {"ja_JP"}},
    {936, {"zh_CN", "zh_SG"}},
    {949, {"ko_KR"}},
    {950, {"zh_TW", "zh_HK"}},
    {1250, {"pl_PL", "cs_CZ", "hu_HU", "sk_SK", "sl_SI", "hr_HR", "ro_RO"}},
    {1251, {"ru_RU", "uk_UA", "bg_BG", "be_BY", "sr_RS"}},
    {1252, {"en_US", "de_DE", "fr_FR", "es_ES", "it_IT", "nl_NL", "pt_BR", "en_GB"}},
    {1253, {"el_GR"}},
    {1254, {"tr_TR"}},
    {1255, {"he_IL"}},
    {1256, {"ar_SA", "ar_EG"}},
    {1257, {"lt_LT", "lv_LV", "et_EE"}},
    {1258, {"vi_VN"}},
};

// The locale of the environment as the C library reads it for the character type.
std::string EnvironmentLocale() {
    for (const char* var : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        const char* v = std::getenv(var);
        if (v && *v) return v;
    }
    return "C";
}

// "ja_JP.UTF-8@x" -> "ja_JP"; "C" and "POSIX" -> "en_US", as Wine reads them.
std::string LanguageTerritory(const std::string& locale) {
    std::string name = locale.substr(0, locale.find_first_of(".@"));
    if (name.empty() || name == "C" || name == "POSIX") return "en_US";
    return name;
}

}  // namespace

bool IsUtf8LocaleInstalled(const std::string& name) {
    // Asked of a new process: the C library of this one remembers a locale it did not find
    // (and its archive as it was), so one installed meanwhile would stay unseen.
    OutputFile output;
    StartOptions options;
    options.quietStreams = true;
    options.outputFd = output.Descriptor();
    options.environment = {{"LC_ALL", name}};
    std::string error;
    RunningProgram locale = RunningProgram::Start({"locale", "charmap"}, &error, options);
    if (output.Descriptor() >= 0 && locale.Started()) {
        if (locale.Wait() != 0) return false;
        const std::vector<std::string> lines = output.LastLines(1);
        return lines.size() == 1 && lines[0] == "UTF-8";
    }
    // No locale program: this process's own look, right until a locale is installed.
    locale_t loc = ::newlocale(LC_CTYPE_MASK, name.c_str(), static_cast<locale_t>(nullptr));
    if (!loc) return false;
    const char* codeset = ::nl_langinfo_l(CODESET, loc);
    const bool utf8 = codeset && std::strcmp(codeset, "UTF-8") == 0;
    ::freelocale(loc);
    return utf8;
}

WineLocale WineLocaleFor(int codePage) {
    WineLocale result;
    const std::string own = EnvironmentLocale();
    const std::string ownName = LanguageTerritory(own);
    if (AnsiCodePageOf(ownName) == codePage && IsUtf8LocaleInstalled(own)) return result;

    std::vector<std::string> candidates;
    if (AnsiCodePageOf(ownName) == codePage) candidates.push_back(ownName + ".UTF-8");
    for (const auto& entry : kLocales)
        if (entry.codePage == codePage)
            for (const char* name : entry.locales)
                candidates.push_back(std::string(name) + ".UTF-8");
    // Built into the C library, and read by Wine as English.
    if (codePage == 1252) candidates.push_back("C.UTF-8");
    for (const std::string& name : candidates) {
        if (IsUtf8LocaleInstalled(name)) {
            result.startIn = name;
            return result;
        }
    }
    result.fits = false;
    result.wanted = candidates.empty() ? std::string() : candidates.front();
    return result;
}

}  // namespace platform
