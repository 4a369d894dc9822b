#include "vrnx2/base/LanguageChoice.h"

#include <unicode/locid.h>
#include <unicode/unistr.h>

#include <cctype>
#include <cstdlib>
#include <system_error>

#include "platform/Files.h"

namespace vrnx2 {

namespace fs = std::filesystem;

namespace {

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

bool IsFile(const fs::path& p) {
    std::error_code ec;
    return fs::is_regular_file(p, ec);
}

// "English", "German" for "en", "de"; empty for a code ICU does not know.
std::string EnglishNameOf(const std::string& language) {
    icu::Locale locale(language.c_str());
    icu::UnicodeString name;
    locale.getDisplayLanguage(icu::Locale::getEnglish(), name);
    std::string out;
    name.toUTF8String(out);
    // ICU echoes an unknown code back; that names no resource file.
    return Lower(out) == language ? std::string() : out;
}

}  // namespace

std::string MessageLocaleName() {
    std::string value;
    for (const char* var : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* v = std::getenv(var);
        if (v && *v) {
            value = v;
            break;
        }
    }
    value = value.substr(0, value.find_first_of(".@"));
    if (value.empty() || value == "C" || value == "POSIX") return "en_US";
    return value;
}

std::string LanguageOf(const std::string& localeName) {
    return Lower(localeName.substr(0, localeName.find_first_of("_-.@")));
}

fs::path ResourceForLocale(const fs::path& langDir, const std::string& localeName) {
    const std::string language = LanguageOf(localeName);
    if (language == "ja") return {};
    // Only letters: the name becomes part of a file name.
    std::string name = EnglishNameOf(language);
    bool plain = !name.empty();
    for (char c : name) plain = plain && std::isalpha(static_cast<unsigned char>(c));
    if (plain) {
        fs::path own = langDir / (Lower(name) + ".rsl");
        if (IsFile(own)) return own;
    }
    fs::path english = langDir / "english.rsl";
    return IsFile(english) ? english : fs::path();
}

fs::path LanguageDirectory() {
    return platform::ProgramDirectory().parent_path() / "share" / "vrnx2" / "lang";
}

std::string LanguageFileName() {
    return platform::ProgramFile().replace_extension(".rsl").generic_string();
}

}  // namespace vrnx2
